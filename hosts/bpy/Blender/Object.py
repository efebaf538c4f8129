"""Objects: a 2.4x world matrix kept beside the Blender object, which a Mesh
object gets when its mesh is linked."""

from blender24.names import decode_name

from . import Mathutils

_TYPES = ("Mesh", "Empty")


class Object:
    def __init__(self, kind, name):
        import bpy

        self.type = kind
        self.name = name
        self._matrix = Mathutils.Matrix()
        self._data = None
        self.parent = None
        self.blender = bpy.data.objects.new(decode_name(name), None) if kind == "Empty" else None

    @property
    def matrix(self):
        return self._matrix.copy()

    def setMatrix(self, matrix):
        if not isinstance(matrix, Mathutils.Matrix) or matrix.rowSize != 4 or matrix.colSize != 4:
            raise TypeError("Object.setMatrix: expected a 4x4 matrix")
        self._matrix = matrix.copy()
        if self.blender is not None:
            self.blender.matrix_world = Mathutils.to_blender(matrix)

    def getInverseMatrix(self):
        return self._matrix.inverted()

    def link(self, data):
        import bpy

        from .NMesh import NMesh

        if self.type != "Mesh" or not isinstance(data, NMesh):
            raise TypeError("Object.link: a %s object cannot link %r" % (self.type, data))
        self._data = data
        if self.blender is None:
            self.blender = bpy.data.objects.new(decode_name(self.name), data.mesh)
            self.blender.matrix_world = Mathutils.to_blender(self._matrix)
        else:
            self.blender.data = data.mesh

    def getData(self, name_only=0, mesh=0):
        if self._data is None:
            return None
        return self._data.name if name_only else self._data

    def makeParent(self, objects, noninverse=0, fast=0):
        """Makes each object of the list a child of this one; nothing moves."""
        if not isinstance(objects, list):
            raise TypeError("Object.makeParent: expected a list of objects")
        for child in objects:
            if not isinstance(child, Object) or child.blender is None or self.blender is None:
                raise TypeError("Object.makeParent: expected a list of objects with data")
            world = child.blender.matrix_world.copy()
            child.blender.parent = self.blender
            child.blender.matrix_parent_inverse = self.blender.matrix_world.inverted()
            child.blender.matrix_world = world
            child.parent = self


def New(kind, name=None):
    if kind not in _TYPES:
        raise AttributeError("Object.New: unknown object type %r" % (kind,))
    return Object(kind, kind.encode() if name is None else name)
