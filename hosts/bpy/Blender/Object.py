"""Objects: the 2.4x object kept beside the Blender object, which a Mesh
object gets when its mesh is linked."""

from blender24 import objects
from blender24.names import decode_name

from . import Mathutils, NMesh


class Object(objects.Object):
    mesh_type = NMesh.NMesh

    def __init__(self, kind, name):
        import bpy

        objects.Object.__init__(self, kind, name)
        self.blender = bpy.data.objects.new(decode_name(name), None) if kind == "Empty" else None

    def setMatrix(self, matrix):
        objects.Object.setMatrix(self, matrix)
        if self.blender is not None:
            self.blender.matrix_world = Mathutils.to_blender(matrix)

    def link(self, data):
        import bpy

        objects.Object.link(self, data)
        if self.blender is None:
            self.blender = bpy.data.objects.new(decode_name(self.name), data.mesh)
            self.blender.matrix_world = Mathutils.to_blender(self._matrix)
        else:
            self.blender.data = data.mesh

    def makeParent(self, children, noninverse=0, fast=0):
        """Makes each object of the list a child of this one; nothing moves."""
        for child in self._children(children):
            if child.blender is None or self.blender is None:
                raise TypeError("Object.makeParent: expected objects with data")
            world = child.blender.matrix_world.copy()
            child.blender.parent = self.blender
            child.blender.matrix_parent_inverse = self.blender.matrix_world.inverted()
            child.blender.matrix_world = world
            child.parent = self


def New(kind, name=None):
    if kind not in ("Mesh", "Empty"):
        raise AttributeError("Object.New: unknown object type %r" % (kind,))
    return Object(kind, kind.encode() if name is None else name)
