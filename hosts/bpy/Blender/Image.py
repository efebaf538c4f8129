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

    def pack(self):
        """Keeps the image's bytes in the .blend file, whatever becomes of its file."""
        self.image.pack()


def _load_copy(path, filename):
    import shutil
    import tempfile

    import bpy

    folder = tempfile.mkdtemp(prefix="mivka-")
    try:
        copy = os.path.join(folder, "image" + os.path.splitext(path)[1].encode("utf-8", "replace").decode("utf-8"))
        shutil.copyfile(path, copy)
        try:
            image = bpy.data.images.load(copy)
        except RuntimeError as error:
            raise IOError("couldn't load image %r: %s" % (filename, error)) from None
        image.pack()
        return image
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def Load(filename):
    """Loads the image file at `filename` (str or bytes); IOError when it is not a readable image."""
    import bpy

    if not isinstance(filename, (str, bytes)):
        raise TypeError("Image.Load: expected a string argument")
    if not readable_image(filename):
        raise IOError("couldn't load image %r" % (filename,))
    # Blender resolves a relative path against the .blend file, and reads
    # "folder/../x" as written: it gets the absolute, normalised path.
    path = os.path.abspath(os.fsdecode(filename))
    known = len(bpy.data.images)
    try:
        path.encode("utf-8")
    except UnicodeEncodeError:
        # Blender opens files by UTF-8 names only: a name in another
        # encoding (Shift_JIS, as a document written on Windows has it) is
        # loaded from a copy under a name it can open, and the image keeps
        # its bytes.
        image = _load_copy(path, filename)
    else:
        try:
            image = bpy.data.images.load(path, check_existing=True)
        except RuntimeError as error:
            raise IOError("couldn't load image %r: %s" % (filename, error)) from None
    if len(bpy.data.images) > known:
        # Named after its file only when new: an image the user already had
        # keeps the user's name.
        image.name = decode_name(os.path.basename(os.fsencode(path)))
    return Image(image, filename)
