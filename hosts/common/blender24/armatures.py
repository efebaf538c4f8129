"""Armatures of the 2.4x interface, alike in both hosts: an armature's bones
are edit bones while it is editable (makeEditable), set by name
(``armature.bones["arm"] = editbone``) and written at update()."""

from .constants import Constants
from .mathutils import Vector

# Bone options, with their 2.4x values.
Options = Constants(CONNECTED=0, HINGE=1, NO_DEFORM=2, MULTIPLY=3, HIDDEN_EDIT=4, ROOT_SELECTED=5,
                    BONE_SELECTED=6, TIP_SELECTED=7, LOCKED_EDIT=8)


class Editbone:
    """A bone being edited: head and tail (2.4x vectors), roll in degrees,
    its parent (an edit bone of the same armature) and its options."""

    def __init__(self):
        self.name = None  # given when it is set into an armature's bones
        self.head = Vector(0.0, 0.0, 0.0)
        self.tail = Vector(0.0, 1.0, 0.0)
        self.roll = 0.0
        self.parent = None
        self.options = []

    def hasParent(self):
        return self.parent is not None

    def __repr__(self):
        return "[Editbone %r]" % (self.name,)


def _point(value, what):
    if not isinstance(value, Vector) or len(value) != 3:
        raise TypeError("Editbone.%s: expected a 3D vector" % what)
    return Vector(*value)


class Bones(dict):
    """An armature's bones by name: edit bones while the armature is editable."""

    def __init__(self, armature):
        dict.__init__(self)
        self._armature = armature

    def __setitem__(self, name, bone):
        if not self._armature.editable:
            raise RuntimeError("Armature.bones: the armature must be made editable first")
        if not isinstance(bone, Editbone):
            raise TypeError("Armature.bones: expected an Editbone")
        if not isinstance(name, (str, bytes)) or not name:
            raise TypeError("Armature.bones: expected a name")
        if bone.parent is not None and (not isinstance(bone.parent, Editbone) or
                                        dict.get(self, bone.parent.name) is not bone.parent):
            raise ValueError("Armature.bones: the parent must be a bone of this armature")
        bone.head = _point(bone.head, "head")
        bone.tail = _point(bone.tail, "tail")
        bone.name = name
        dict.__setitem__(self, name, bone)


class Armature:
    """An armature datablock: its bones, in the order they were set."""

    def __init__(self, name):
        self.name = name
        self.editable = False
        self.bones = Bones(self)
        self.owner = None  # the object it is linked to

    def makeEditable(self):
        self.editable = True

    def update(self):
        """Writes the edit bones; the armature is no longer editable."""
        if not self.editable:
            raise RuntimeError("Armature.update: the armature is not editable")
        self._write(list(self.bones.values()))
        self.editable = False

    def _write(self, bones):
        """A host that keeps armatures of its own writes the bones there."""

    def __repr__(self):
        return "[Armature %r]" % (self.name,)
