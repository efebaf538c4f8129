"""The texture object of the 2.4x interface, alike in both hosts."""

TYPE_NAMES = {"None", "Clouds", "Wood", "Marble", "Magic", "Blend", "Stucci", "Noise", "Image",
              "Plugin", "EnvMap", "Musgrave", "Voronoi", "DistortedNoise"}
IMAGE_FLAGS = {"InterPol", "UseAlpha", "MipMap", "Fields", "Rot90", "CalcAlpha", "Cyclic",
               "Movie", "StField", "Anti", "NormalMap"}


class Texture:
    """A texture: its name, its kind, its image and the image's flags."""

    image_type = None  # the host's Image class, which setImage accepts

    def __init__(self, name):
        self.name = name
        self.type = "None"
        self.image = None
        self.imageFlags = []

    def setType(self, name):
        if name not in TYPE_NAMES:
            raise ValueError("Texture.setType: unknown texture type %r" % (name,))
        self.type = name

    def setImage(self, image):
        if not isinstance(image, self.image_type):
            raise TypeError("Texture.setImage: expected an Image")
        self.image = image

    def getImage(self):
        return self.image

    def setImageFlags(self, *flags):
        for flag in flags:
            if flag not in IMAGE_FLAGS:
                raise ValueError("Texture.setImageFlags: unknown flag %r" % (flag,))
        self.imageFlags = list(flags)

    def __repr__(self):
        return "[Texture %r]" % (self.name,)
