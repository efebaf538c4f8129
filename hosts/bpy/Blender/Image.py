"""Images loaded into Blender."""

import os

from blender24.images import readable_image
from blender24.names import decode_name


class Image:
    def __init__(self, image, filename):
        self.image = image  # the Blender image
        self.filename = filename
        self.name = image.name

    def getFilename(self):
        return self.filename


def Load(filename):
    """Loads the image file at `filename` (str or bytes); IOError when it is not a readable image."""
    import bpy

    if not isinstance(filename, (str, bytes)):
        raise TypeError("Image.Load: expected a string argument")
    if not readable_image(filename):
        raise IOError("couldn't load image %r" % (filename,))
    path = os.fsdecode(filename) if isinstance(filename, bytes) else filename
    try:
        image = bpy.data.images.load(path, check_existing=True)
    except RuntimeError as error:
        raise IOError("couldn't load image %r: %s" % (filename, error)) from None
    image.name = decode_name(os.path.basename(os.fsencode(path)))
    return Image(image, filename)
