"""Textures, and the constants of texture coordinates and map-to channels."""

from blender24.constants import Constants, MapTo, TexCo  # noqa: F401

from ._store import get_named, store

Types = Constants(NONE=0, CLOUDS=1, WOOD=2, MARBLE=3, MAGIC=4, BLEND=5, STUCCI=6, NOISE=7, IMAGE=8)

_TYPE_NAMES = {"None", "Clouds", "Wood", "Marble", "Magic", "Blend", "Stucci", "Noise", "Image",
               "Plugin", "EnvMap", "Musgrave", "Voronoi", "DistortedNoise"}
_IMAGE_FLAGS = {"InterPol", "UseAlpha", "MipMap", "Fields", "Rot90", "CalcAlpha", "Cyclic",
                "Movie", "StField", "Anti", "NormalMap"}


class Texture:
    def __init__(self, name):
        self.name = name
        self.type = "None"
        self.image = None
        self.imageFlags = []

    def setType(self, name):
        if name not in _TYPE_NAMES:
            raise ValueError("Texture.setType: unknown texture type %r" % (name,))
        self.type = name

    def setImage(self, image):
        from .Image import Image

        if not isinstance(image, Image):
            raise TypeError("Texture.setImage: expected an Image")
        self.image = image

    def getImage(self):
        return self.image

    def setImageFlags(self, *flags):
        for flag in flags:
            if flag not in _IMAGE_FLAGS:
                raise ValueError("Texture.setImageFlags: unknown flag %r" % (flag,))
        self.imageFlags = list(flags)

    def __repr__(self):
        return "[Texture %r]" % (self.name,)


def New(name="Tex"):
    texture = Texture(name)
    store.textures.append(texture)
    return texture


def Get(name=None):
    return get_named(store.textures, name, NameError, "Texture.Get")
