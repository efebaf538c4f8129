"""Objects: a type, a name, a world matrix, linked data and a parent."""

from blender24 import objects

from . import Armature, NMesh
from ._store import get_named, store


class Object(objects.Object):
    mesh_type = NMesh.NMesh
    armature_type = Armature.Armature

    def makeParent(self, children, noninverse=0, fast=0):
        """Makes every object of the list a child of this one; world positions stay."""
        for child in self._children(children):
            child._set_parent(self)


def New(kind, name=None):
    objects.check_type(kind)
    obj = Object(kind, kind if name is None else name)
    store.objects.append(obj)
    return obj


def Get(name=None):
    return get_named(store.objects, name, AttributeError, "Object.Get")
