"""Image textures: what a material's texture slot shows."""

from blender24 import textures
from blender24.constants import MapTo, TexCo  # noqa: F401

from . import Image


class Texture(textures.Texture):
    image_type = Image.Image


def New(name="Tex"):
    return Texture(name)
