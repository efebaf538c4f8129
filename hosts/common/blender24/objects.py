"""The object of the 2.4x interface: a type, a name, a world matrix (row
vectors, translation in the fourth row), linked data and a parent."""

from .mathutils import Matrix
from .modifiers import ModSeq

TYPES = ("Armature", "Camera", "Curve", "Lamp", "Lattice", "Mball", "Mesh", "Surf", "Empty")


class Object:
    mesh_type = None  # the host's mesh class, which a Mesh object links
    armature_type = None  # the host's armature class, which an Armature object links

    def __init__(self, kind, name):
        self.type = kind
        self.name = name
        self._matrix = Matrix()
        self._data = None
        self.parent = None
        self._child_count = 0
        self.restrictDisplay = False
        self.restrictRender = False
        self.modifiers = ModSeq(self._modifier_made)

    @property
    def matrix(self):
        """The object's world matrix (a copy; change it with setMatrix)."""
        return self._matrix.copy()

    def setMatrix(self, matrix):
        if not isinstance(matrix, Matrix) or matrix.rowSize != 4 or matrix.colSize != 4:
            raise TypeError("Object.setMatrix: expected a 4x4 matrix")
        self._matrix = matrix.copy()

    def getInverseMatrix(self):
        return self._matrix.inverted()

    def link(self, data):
        kind = {"Mesh": self.mesh_type, "Armature": self.armature_type}.get(self.type)
        if kind is None or not isinstance(data, kind):
            raise TypeError("Object.link: a %s object cannot link %r" % (self.type, data))
        self._data = data
        data.owner = self

    def _modifier_made(self, modifier):
        """A host that builds modifiers of its own makes this one's here."""

    def getData(self, name_only=0, mesh=0):
        if self._data is None:
            return None
        return self._data.name if name_only else self._data

    def _children(self, objects):
        """The objects of a makeParent call, checked: a list of objects none
        of which is this one or one of its ancestors."""
        if not isinstance(objects, list) or not all(isinstance(o, Object) for o in objects):
            raise TypeError("Object.makeParent: expected a list of objects")
        for child in objects:
            # Only an object with children of its own can be an ancestor: the
            # walk up is needed for those alone, so that a long chain of new
            # children is linked in linear time.
            ancestor = self if child._child_count else None
            if child is self:
                ancestor = self
            while ancestor is not None:
                if ancestor is child:
                    raise RuntimeError("Object.makeParent: parenting would make a loop")
                ancestor = ancestor.parent
        return objects

    def _set_parent(self, parent):
        if self.parent is not None:
            self.parent._child_count -= 1
        self.parent = parent
        if parent is not None:
            parent._child_count += 1

    def __repr__(self):
        return "[Object %r]" % (self.name,)


def check_type(kind):
    if kind not in TYPES:
        raise AttributeError("Object.New: unknown object type %r" % (kind,))
