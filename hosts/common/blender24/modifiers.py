"""Modifiers of the 2.4x interface, alike in both hosts: an object's list of
modifiers, each of a type and with settings read and written by index
(``modifier[Modifier.Settings.AXIS_X] = True``). Only the mirror is known."""

from .constants import Constants

Types = Constants(MIRROR=5)
Settings = Constants(AXIS_X=1, AXIS_Y=2, AXIS_Z=3, LIMIT=4, CLIPPING=5)

_DEFAULTS = {Types.MIRROR: {Settings.AXIS_X: True, Settings.AXIS_Y: False, Settings.AXIS_Z: False,
                            Settings.LIMIT: 0.001, Settings.CLIPPING: False}}


class Modifier:
    def __init__(self, kind):
        self.type = kind
        self._settings = dict(_DEFAULTS[kind])
        self.changed = None  # called with (setting, value) after each change, by a host that mirrors them

    def __getitem__(self, setting):
        return self._settings[setting]

    def __setitem__(self, setting, value):
        if setting not in self._settings:
            raise KeyError("Modifier: no setting %r for this type" % (setting,))
        self._settings[setting] = float(value) if setting == Settings.LIMIT else bool(value)
        if self.changed is not None:
            self.changed(setting, self._settings[setting])


class ModSeq(list):
    """An object's modifiers; append(type) makes one and answers it."""

    def __init__(self, made=None):
        list.__init__(self)
        self._made = made  # called with each new modifier, by a host that makes its own

    def append(self, kind):
        if kind not in _DEFAULTS:
            raise TypeError("ModSeq.append: unknown modifier type %r" % (kind,))
        modifier = Modifier(kind)
        list.append(self, modifier)
        if self._made is not None:
            self._made(modifier)
        return modifier
