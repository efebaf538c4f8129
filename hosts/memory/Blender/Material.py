"""Materials with their colours, shading values and ten texture slots."""

from blender24.constants import DEFAULT_MATERIAL_MODES, MaterialModes as Modes  # noqa: F401

from ._store import get_named, store

SLOTS = 10


class MTex:
    """A texture slot of a material: the texture, how it is mapped and what it affects."""

    def __init__(self, tex, texco, mapto):
        self.tex = tex
        self.texco = texco
        self.mapto = mapto
        self.object = None
        self.mapping = 0

    def __repr__(self):
        return "[MTex %r]" % (self.tex,)


def _number(value, what):
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError("%s: expected a number" % what)
    return float(value)


def _integer(value, what):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError("%s: expected an integer" % what)
    return value


def _colour(rgb, what):
    """Three numbers, given one by one or as one sequence."""
    if len(rgb) == 1:
        rgb = tuple(rgb[0])
    if len(rgb) != 3:
        raise TypeError("%s: expected three numbers" % what)
    return [_number(c, what) for c in rgb]


class Material:
    def __init__(self, name):
        self.name = name
        self.rgbCol = [0.8, 0.8, 0.8]
        self.alpha = 1.0
        self.ref = 0.8
        self.amb = 0.5
        self.emit = 0.0
        self.spec = 0.5
        self.hard = 50
        self.specShader = 0
        self.specCol = [1.0, 1.0, 1.0]
        self.rayMirr = 0.0
        self.IOR = 1.0
        self.mode = DEFAULT_MATERIAL_MODES
        self._textures = [None] * SLOTS

    def setRGBCol(self, *rgb):
        self.rgbCol = _colour(rgb, "Material.setRGBCol")

    def setAlpha(self, value):
        self.alpha = _number(value, "Material.setAlpha")

    def setRef(self, value):
        self.ref = _number(value, "Material.setRef")

    def setAmb(self, value):
        self.amb = _number(value, "Material.setAmb")

    def setEmit(self, value):
        self.emit = _number(value, "Material.setEmit")

    def setSpec(self, value):
        self.spec = _number(value, "Material.setSpec")

    def setHardness(self, value):
        self.hard = _integer(value, "Material.setHardness")

    def setSpecShader(self, value):
        self.specShader = _integer(value, "Material.setSpecShader")

    def setSpecCol(self, *rgb):
        self.specCol = _colour(rgb, "Material.setSpecCol")

    def setRayMirr(self, value):
        self.rayMirr = min(max(_number(value, "Material.setRayMirr"), 0.0), 1.0)

    def setIOR(self, value):
        self.IOR = min(max(_number(value, "Material.setIOR"), 1.0), 3.0)

    def getMode(self):
        return self.mode

    def setMode(self, modes):
        self.mode = _integer(modes, "Material.setMode")

    def setTexture(self, index, texture, texco=None, mapto=None):
        from .Texture import Texture, TexCo, MapTo

        index = _integer(index, "Material.setTexture")
        if not 0 <= index < SLOTS:
            raise ValueError("Material.setTexture: slot index must be 0 to %d" % (SLOTS - 1))
        if not isinstance(texture, Texture):
            raise TypeError("Material.setTexture: expected a Texture")
        texco = TexCo.UV if texco is None else _integer(texco, "Material.setTexture")
        mapto = MapTo.COL if mapto is None else _integer(mapto, "Material.setTexture")
        self._textures[index] = MTex(texture, texco, mapto)

    def clearTexture(self, index):
        self._textures[index] = None

    def getTextures(self):
        """One entry per texture slot, None for an empty one."""
        return list(self._textures)

    def __repr__(self):
        return "[Material %r]" % (self.name,)


def New(name="Mat"):
    material = Material(name)
    store.materials.append(material)
    return material


def Get(name=None):
    return get_named(store.materials, name, NameError, "Material.Get")
