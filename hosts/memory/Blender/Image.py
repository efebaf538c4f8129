"""Images loaded from files."""

import os

from blender24.images import readable_image

from ._store import get_named, store

class Image:
    def __init__(self, name, filename):
        self.name = name
        self.filename = filename

    packed = None  # the file's bytes, once packed

    def getFilename(self):
        return self.filename

    def pack(self):
        """Keeps the image file's bytes, whatever becomes of the file."""
        with open(self.filename, "rb") as f:
            self.packed = f.read()

    def __repr__(self):
        return "[Image %r]" % (self.name,)


def Load(filename):
    """Loads the image file at `filename` (str or bytes); IOError when it is not a readable image."""
    if not isinstance(filename, (str, bytes)):
        raise TypeError("Image.Load: expected a string argument")
    if not readable_image(filename):
        raise IOError("couldn't load image %r" % (filename,))
    image = Image(os.path.basename(filename), filename)
    store.images.append(image)
    return image


def Get(name=None):
    return get_named(store.images, name, NameError, "Image.Get")
