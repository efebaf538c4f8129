"""The texture constants of the 2.4x interface, with their 2.4x values."""


class Constants:
    """A read-only group of named integer constants."""

    def __init__(self, **values):
        self.__dict__.update(values)

    def __getitem__(self, name):
        return self.__dict__[name]

    def __contains__(self, name):
        return name in self.__dict__

    def keys(self):
        return list(self.__dict__)

    def __setattr__(self, name, value):
        raise AttributeError("constants are read-only")


TexCo = Constants(ORCO=1, REFL=2, NOR=4, GLOB=8, UV=16, OBJECT=32, STICK=256, WIN=1024, VIEW=2048)
MapTo = Constants(
    COL=1, NOR=2, CSP=4, CMIR=8, REF=16, SPEC=32, EMIT=64, ALPHA=128, HARD=256, RAYMIR=512,
    TRANSLU=1024, AMB=2048, DISP=4096, WARP=8192,
)
