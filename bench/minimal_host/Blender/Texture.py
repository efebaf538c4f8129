class _Constants:
    UV = 16
    OBJECT = 32
    COL = 1
    NOR = 2
    ALPHA = 128


TexCo = MapTo = _Constants


class Texture:
    def setType(self, name):
        pass

    def setImage(self, image):
        pass

    def setImageFlags(self, *flags):
        pass


def New(name):
    return Texture()
