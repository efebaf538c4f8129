"""Textures, and the constants of texture coordinates and map-to channels."""

from blender24 import textures
from blender24.constants import Constants, MapTo, TexCo  # noqa: F401

from . import Image
from ._store import get_named, store

Types = Constants(NONE=0, CLOUDS=1, WOOD=2, MARBLE=3, MAGIC=4, BLEND=5, STUCCI=6, NOISE=7, IMAGE=8)


class Texture(textures.Texture):
    image_type = Image.Image


def New(name="Tex"):
    texture = Texture(name)
    store.textures.append(texture)
    return texture


def Get(name=None):
    return get_named(store.textures, name, NameError, "Texture.Get")
