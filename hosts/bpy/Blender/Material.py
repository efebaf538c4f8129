"""Materials of the classic interface. Each 2.4x value is kept as a custom
property of the Blender material and shown by its nearest Blender setting
or Principled BSDF input; the Blender material is made on first need (see
node_materials)."""

from blender24.constants import DEFAULT_MATERIAL_MODES, MaterialModes as Modes

from .node_materials import BlenderMaterial, finish  # noqa: F401

SLOTS = 10


def _rgb(rgb):
    """Three numbers, given one by one or as one sequence."""
    if len(rgb) == 1:
        rgb = tuple(rgb[0])
    r, g, b = (float(c) for c in rgb)
    return r, g, b


class MTex:
    """A texture slot: the texture, its map-to channels and the coordinates
    that map it (the UV map, or an object's)."""

    def __init__(self, owner, index, texture, texco, mapto):
        self._owner, self.index = owner, index
        self.tex, self.mapto = texture, mapto
        self._texco, self._object, self.mapping = texco, None, 0

    @property
    def texco(self):
        return self._texco

    @texco.setter
    def texco(self, value):
        self._texco = int(value)
        self._owner.rewire(self)

    @property
    def object(self):
        return self._object

    @object.setter
    def object(self, value):
        self._object = value
        self._owner.rewire(self)


class Material:
    def __init__(self, name):
        self.name = name
        self._mode = DEFAULT_MATERIAL_MODES
        self._blender = BlenderMaterial(name, [None] * SLOTS)

    @property
    def material(self):
        """The Blender material, made (with every material before it) on first need."""
        return self._blender.material

    @property
    def tints(self):
        """Whether the mesh's vertex colours multiply the material's colour."""
        return self._blender.tints

    def setRGBCol(self, *rgb):
        r, g, b = _rgb(rgb)
        made = self._blender
        made.keep("rgbCol", [r, g, b])
        made.set("diffuse_color", (r, g, b, tuple(made.setting("diffuse_color"))[3]))
        made.shade("Base Color", (r, g, b, made.shading["Base Color"][3]))
        made.shade("Emission", (r, g, b, 1.0))

    def setAlpha(self, value):
        alpha = float(value)
        made = self._blender
        made.keep("alpha", alpha)
        made.shade("Alpha", alpha)
        # Every change of a material's setting queues work in Blender: an
        # opaque material keeps the settings it was made with.
        made.set("diffuse_color", tuple(made.setting("diffuse_color"))[:3] + (alpha,))
        made.set_transparency(alpha < 1.0)
        if alpha < 1.0:
            made.needs_nodes()  # a plain material has no transparency in render or export

    def setRef(self, value):
        self._blender.keep("ref", float(value))

    def setAmb(self, value):
        self._blender.keep("amb", float(value))

    def setEmit(self, value):
        self._blender.keep("emit", float(value))
        self._blender.shade("Emission Strength", float(value))
        if float(value) > 0.0:
            self._blender.needs_nodes()  # a plain material cannot glow

    def setSpec(self, value):
        # 2.4x specularity runs from 0 to 2.
        self._blender.keep("spec", float(value))
        specular = min(max(float(value) / 2.0, 0.0), 1.0)
        self._blender.set("specular_intensity", specular)
        self._blender.shade("Specular", specular)

    def setHardness(self, value):
        # 2.4x hardness runs from 1 (dull) to 511 (a sharp highlight).
        self._blender.keep("hard", int(value))
        sharpness = min(max((int(value) - 1) / 510.0, 0.0), 1.0)
        roughness = 1.0 - sharpness ** 0.5
        self._blender.set("roughness", roughness)
        self._blender.shade("Roughness", roughness)

    def setSpecShader(self, value):
        self._blender.keep("specShader", int(value))

    def setSpecCol(self, *rgb):
        r, g, b = _rgb(rgb)
        self._blender.keep("specCol", [r, g, b])
        self._blender.set("specular_color", (r, g, b))

    def setRayMirr(self, value):
        # Blender's materials have no mirror amount of their own: kept only.
        self._blender.keep("rayMirr", min(max(float(value), 0.0), 1.0))

    def setIOR(self, value):
        ior = min(max(float(value), 1.0), 3.0)
        self._blender.keep("IOR", ior)
        self._blender.shade("IOR", ior)

    def getMode(self):
        return self._mode

    def setMode(self, modes):
        modes = int(modes)
        self._mode = modes
        self._blender.keep("mode", modes)
        self._blender.set("use_backface_culling", not modes & Modes.TWOSIDE)
        if modes & Modes.VCOL_PAINT:
            self._blender.tint()

    def setTexture(self, index, texture, texco=None, mapto=None):
        from .Texture import MapTo, TexCo

        if not 0 <= index < SLOTS:
            raise ValueError("Material.setTexture: slot index must be 0 to %d" % (SLOTS - 1))
        slot = MTex(self._blender, index, texture, TexCo.UV if texco is None else texco,
                    MapTo.COL if mapto is None else mapto)
        self._blender.slots[index] = slot
        self._blender.needs_nodes()
        if slot.mapto & MapTo.ALPHA:
            self._blender.set_transparency(True)
        self._blender.build_slot(slot)

    def getTextures(self):
        """One entry per texture slot, None for an empty one."""
        return list(self._blender.slots)


def New(name="Mat"):
    return Material(name)
