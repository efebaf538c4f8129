"""The current scene."""


class Scene:
    def __init__(self, scene):
        self.scene = scene

    def link(self, obj):
        if obj.blender is None:
            raise RuntimeError("Scene.link: the object has no data yet")
        self.scene.collection.objects.link(obj.blender)


def getCurrent():
    import bpy

    return Scene(bpy.context.scene)
