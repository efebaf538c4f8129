"""The in-memory scene: every datablock that the scripting interface made."""


class Store:
    def __init__(self):
        self.clear()

    def clear(self):
        self.objects = []
        self.meshes = []
        self.armatures = []
        self.materials = []
        self.textures = []
        self.images = []
        self.scenes = []
        self.current_scene = None


store = Store()


def get_named(items, name, error, what):
    """All `items` (a copy) when `name` is None, else the first one so named."""
    if name is None:
        return list(items)
    for item in items:
        if item.name == name:
            return item
    raise error("%s: no such name %r" % (what, name))
