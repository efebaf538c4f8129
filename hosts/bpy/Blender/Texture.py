"""Image textures: what a material's texture slot shows."""


class _Constants:
    """A read-only group of named integer constants (the 2.4x values)."""

    def __init__(self, **values):
        self.__dict__.update(values)

    def __getitem__(self, name):
        return self.__dict__[name]

    def __setattr__(self, name, value):
        raise AttributeError("constants are read-only")


TexCo = _Constants(ORCO=1, REFL=2, NOR=4, GLOB=8, UV=16, OBJECT=32, STICK=256, WIN=1024, VIEW=2048)
MapTo = _Constants(
    COL=1, NOR=2, CSP=4, CMIR=8, REF=16, SPEC=32, EMIT=64, ALPHA=128, HARD=256, RAYMIR=512,
    TRANSLU=1024, AMB=2048, DISP=4096, WARP=8192,
)


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
