"""The in-memory scene: every datablock that the scripting interface made."""


class Store:
    def __init__(self):
        self.clear()

    def clear(self):
        self.objects = []
        self.meshes = []
        self.materials = []
        self.textures = []
        self.images = []
        self.scenes = []
        self.current_scene = None


store = Store()
