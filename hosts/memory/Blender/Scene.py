"""Scenes and the objects linked into them."""

from ._store import get_named, store


class Scene:
    def __init__(self, name="Scene"):
        self.name = name
        self.objects = []
        self._linked = set()  # ids of the objects in the list, for linking in constant time

    def link(self, obj):
        from .Object import Object

        if not isinstance(obj, Object):
            raise TypeError("Scene.link: expected an Object")
        if id(obj) in self._linked:
            raise RuntimeError("Scene.link: object is already linked to this scene")
        self.objects.append(obj)
        self._linked.add(id(obj))

    def unlink(self, obj):
        """Takes the object out of the scene; whether it was in it."""
        if id(obj) not in self._linked:
            return False
        self.objects.remove(obj)
        self._linked.discard(id(obj))
        return True

    def __repr__(self):
        return "[Scene %r]" % (self.name,)


def New(name="Scene"):
    scene = Scene(name)
    store.scenes.append(scene)
    return scene


def getCurrent():
    if store.current_scene is None:
        store.current_scene = New()
    return store.current_scene


def Get(name=None):
    return get_named(store.scenes, name, NameError, "Scene.Get")
