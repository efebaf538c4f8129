"""Modifiers of the 2.4x interface, alike in both hosts: an object's list of
modifiers, each of a type and with settings read and written by index
(``modifier[Modifier.Settings.AXIS_X] = True``). Known: the mirror, the
subdivision surface, the screw that turns a profile around an axis, and the
armature that moves vertices with bones."""

from .constants import Constants

Types = Constants(SUBSURF=1, MIRROR=5, ARMATURE=8, SCREW=36)
Settings = Constants(AXIS_X=1, AXIS_Y=2, AXIS_Z=3, LIMIT=4, CLIPPING=5, LEVELS=6, RENDLEVELS=7,
                     AXIS=8, STEPS=9, RENDER_STEPS=10, ANGLE=11, OBJECT=12, VGROUPS=13, ENVELOPES=14)

_DEFAULTS = {
    Types.MIRROR: {Settings.AXIS_X: True, Settings.AXIS_Y: False, Settings.AXIS_Z: False,
                   Settings.LIMIT: 0.001, Settings.CLIPPING: False},
    Types.SUBSURF: {Settings.LEVELS: 1, Settings.RENDLEVELS: 2},
    # AXIS: 0 X, 1 Y, 2 Z; ANGLE in degrees.
    Types.SCREW: {Settings.AXIS: 2, Settings.STEPS: 16, Settings.RENDER_STEPS: 16, Settings.ANGLE: 360.0},
    # OBJECT: the Armature object whose bones move the vertices.
    Types.ARMATURE: {Settings.OBJECT: None, Settings.VGROUPS: True, Settings.ENVELOPES: True},
}
# Each setting's kind of value, and the range of the whole numbers.
_REALS = (Settings.LIMIT, Settings.ANGLE)
_WHOLE = {Settings.LEVELS: (0, 6), Settings.RENDLEVELS: (0, 6), Settings.AXIS: (0, 2),
          Settings.STEPS: (2, 10000), Settings.RENDER_STEPS: (2, 10000)}


def _value(setting, value):
    if setting == Settings.OBJECT:
        if value is not None and getattr(value, "type", None) != "Armature":
            raise TypeError("Modifier: expected an Armature object")
        return value
    if setting in _REALS:
        return float(value)
    if setting in _WHOLE:
        if isinstance(value, bool) or not isinstance(value, int):
            raise TypeError("Modifier: expected a whole number")
        low, high = _WHOLE[setting]
        return min(max(value, low), high)
    return bool(value)


class Modifier:
    def __init__(self, kind):
        self.type = kind
        self._settings = dict(_DEFAULTS[kind])
        self.changed = None  # called with (setting, value) after each change, by a host that mirrors them

    def __getitem__(self, setting):
        return self._settings[setting]

    def keys(self):
        """The settings this type of modifier has, in order."""
        return sorted(self._settings)

    def __setitem__(self, setting, value):
        if setting not in self._settings:
            raise KeyError("Modifier: no setting %r for this type" % (setting,))
        self._settings[setting] = _value(setting, value)
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
