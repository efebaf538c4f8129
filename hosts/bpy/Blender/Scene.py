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


def getCurrent():
    import bpy

    return Scene(bpy.context.scene)
