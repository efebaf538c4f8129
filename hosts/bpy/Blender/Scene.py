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
        """Takes the object out of the collections it is in, and out of Blender
        when nothing else holds it; whether it was in one."""
        blender = getattr(obj, "blender", None)
        if blender is None:
            return False
        collections = list(blender.users_collection)
        for collection in collections:
            collection.objects.unlink(blender)
        # An object in no collection is not saved, but its parent still
        # counts it among its children, and exporters follow those: it goes.
        if blender.users == 0:
            import bpy

            bpy.data.objects.remove(blender)
        return bool(collections)


def getCurrent():
    import bpy

    return Scene(bpy.context.scene)
