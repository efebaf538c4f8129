class Scene:
    def link(self, obj):
        pass


_current = Scene()


def getCurrent():
    return _current
