"""Image textures: what a material's texture slot shows."""

from blender24.constants import MapTo, TexCo  # noqa: F401


class Texture:
    def __init__(self, name):
        self.name = name
        self.type = "None"
        self.image = None
        self.imageFlags = []

    def setType(self, name):
        self.type = name

    def setImage(self, image):
        from .Image import Image

        if not isinstance(image, Image):
            raise TypeError("Texture.setImage: expected an Image")
        self.image = image

    def setImageFlags(self, *flags):
        self.imageFlags = list(flags)


def New(name="Tex"):
    return Texture(name)
