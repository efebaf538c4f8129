"""Objects: a type, a name, a world matrix, linked data and a parent."""

from . import Mathutils
from ._store import get_named, store

_TYPES = ("Armature", "Camera", "Curve", "Lamp", "Lattice", "Mball", "Mesh", "Surf", "Empty")


class Object:
    def __init__(self, kind, name):
        self.type = kind
        self.name = name
        self._matrix = Mathutils.Matrix()
        self._data = None
        self.parent = None

    @property
    def matrix(self):
        """The object's world matrix (a copy; change it with setMatrix)."""
        return self._matrix.copy()

    matrixWorld = matrix

    def getMatrix(self, space="worldspace"):
        return self._matrix.copy()

    def setMatrix(self, matrix):
        if not isinstance(matrix, Mathutils.Matrix) or matrix.rowSize != 4 or matrix.colSize != 4:
            raise TypeError("Object.setMatrix: expected a 4x4 matrix")
        self._matrix = matrix.copy()

    def getInverseMatrix(self):
        return self._matrix.inverted()

    def link(self, data):
        from .NMesh import NMesh

        if self.type != "Mesh" or not isinstance(data, NMesh):
            raise TypeError("Object.link: a %s object cannot link %r" % (self.type, data))
        self._data = data

    def getData(self, name_only=0, mesh=0):
        if self._data is None:
            return None
        return self._data.name if name_only else self._data

    def getParent(self):
        return self.parent

    def makeParent(self, objects, noninverse=0, fast=0):
        """Makes every object of the list a child of this one; world positions stay."""
        if not isinstance(objects, list):
            raise TypeError("Object.makeParent: expected a list of objects")
        for child in objects:
            if not isinstance(child, Object):
                raise TypeError("Object.makeParent: expected a list of objects")
            ancestor = self
            while ancestor is not None:
                if ancestor is child:
                    raise RuntimeError("Object.makeParent: parenting would make a loop")
                ancestor = ancestor.parent
        for child in objects:
            child.parent = self

    def clrParent(self, mode=0, fast=0):
        self.parent = None

    def __repr__(self):
        return "[Object %r]" % (self.name,)


def New(kind, name=None):
    if kind not in _TYPES:
        raise AttributeError("Object.New: unknown object type %r" % (kind,))
    obj = Object(kind, kind if name is None else name)
    store.objects.append(obj)
    return obj


def Get(name=None):
    return get_named(store.objects, name, AttributeError, "Object.Get")
