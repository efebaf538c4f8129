"""The current scene."""


class _Objects:
    """The objects of a scene as the 2.4x interface sees them: it answers
    whether an object is in the scene. An object whose Blender object was
    deleted, or belongs to a scene that is gone, is not."""

    def __init__(self, scene):
        self.scene = scene

    def __contains__(self, obj):
        blender = getattr(obj, "blender", None)
        if blender is None:
            return False
        try:
            return self.scene.objects.get(blender.name) == blender
        except ReferenceError:  # the Blender object was freed
            return False

    def __len__(self):
        return len(self.scene.objects)


class Scene:
    def __init__(self, scene):
        self.scene = scene

    @property
    def objects(self):
        return _Objects(self.scene)

    def link(self, obj):
        obj.link_into(self.scene.collection)

    def unlink(self, obj):
        """Takes the object out of the scene's collections and out of its
        parent's children; whether it was in a collection."""
        blender = getattr(obj, "blender", None)
        if blender is None:
            return False
        # Looked up by name in each of the scene's collections: asking the
        # object for its collections looks through every object of each.
        collections = [c for c in [self.scene.collection] + list(self.scene.collection.children_recursive)
                       if c.objects.get(blender.name) == blender]
        for collection in collections:
            collection.objects.unlink(blender)
        # Exporters follow a parent's children, whether in a scene or not.
        # Out of every collection, the object is not saved (forgetting it
        # at once would look through all of Blender's data each time).
        blender.parent = None
        return bool(collections)


def getCurrent():
    import bpy

    return Scene(bpy.context.scene)
