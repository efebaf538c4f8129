"""The texture and material constants of the 2.4x interface, with their
2.4x values."""


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
# Material modes. TWOSIDE (both sides of a face shown) is this interface's
# own: 2.4x kept it per face.
MaterialModes = Constants(TRACEABLE=0x1, SHADOW=0x2, SHADELESS=0x4, WIRE=0x8, VCOL_LIGHT=0x10, ZTRANSP=0x40,
                          VCOL_PAINT=0x80, TWOSIDE=0x40000000)
DEFAULT_MATERIAL_MODES = MaterialModes.TRACEABLE | MaterialModes.SHADOW | MaterialModes.TWOSIDE
# Mesh modes: of these, only auto smooth is kept.
MeshModes = Constants(AUTOSMOOTH=32)
