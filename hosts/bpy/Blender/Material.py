"""Materials with the 2.4x values kept as custom properties. A material
starts as a plain Blender material (colour, roughness and specular on the
material itself), which costs the same however many materials there are;
it gets a node tree (Principled BSDF, texture slots as Image Texture nodes)
only when it needs one: for a texture, transparency or emission. Blender
revisits every node tree of the file whenever one changes, so trees made
for every material would make their creation quadratic. (Blender 5 gives
every material its tree from the start.)"""

from blender24.constants import DEFAULT_MATERIAL_MODES, MaterialModes as Modes
from blender24.names import decode_name

from . import versions

SLOTS = 10


def _principled(material):
    for node in material.node_tree.nodes:
        if node.type == "BSDF_PRINCIPLED":
            return node
    raise RuntimeError("material %r has no Principled BSDF" % material.name)


def _rgb(rgb):
    """Three numbers, given one by one or as one sequence."""
    if len(rgb) == 1:
        rgb = tuple(rgb[0])
    r, g, b = (float(c) for c in rgb)
    return r, g, b


def _set_input(socket, value):
    """Every assignment to a node socket makes Blender revisit the file's
    node trees: a socket that already holds the value is left alone, and a
    colour is written into the socket's array in place, which Blender takes
    as it stands (the material is new: nothing was drawn from it yet)."""
    held = socket.default_value
    if isinstance(value, tuple):
        if tuple(held) != value:
            held.foreach_set(value)
    elif held != value:
        socket.default_value = value


class MTex:
    """A texture slot: an Image Texture node wired to the input that its
    map-to channel names, through the UV map or through an object's
    coordinates."""

    def __init__(self, owner, slot, texture, texco, mapto):
        from .Texture import MapTo, TexCo

        self._owner, self._slot = owner, slot
        self.tex, self.mapto = texture, mapto
        self._texco, self._object, self.mapping = texco, None, 0
        material = owner.material
        bsdf = owner._principled()
        nodes, links = material.node_tree.nodes, material.node_tree.links
        node = nodes.new("ShaderNodeTexImage")
        node.name = node.label = "Mivka slot %d" % slot
        node.location = (-600, 300 - 300 * slot)
        image = texture.image.image if texture.image is not None else None
        node.image = image
        self._node = node
        if mapto & MapTo.COL:
            links.new(node.outputs["Color"], owner._base_colour())
        if mapto & MapTo.NOR:
            bump = nodes.new("ShaderNodeBump")
            bump.location = (-250, 300 - 300 * slot)
            links.new(node.outputs["Color"], bump.inputs["Height"])
            links.new(bump.outputs["Normal"], bsdf.inputs["Normal"])
        if mapto & MapTo.ALPHA:
            has_alpha = image is not None and image.channels == 4 and "UseAlpha" in texture.imageFlags
            links.new(node.outputs["Alpha" if has_alpha else "Color"], bsdf.inputs["Alpha"])
            versions.set_transparency(material, True)
        self._wire()
        del TexCo

    def _wire(self):
        from .Texture import TexCo

        material = self._owner.material
        nodes, links = material.node_tree.nodes, material.node_tree.links
        for link in list(self._node.inputs["Vector"].links):
            links.remove(link)
        if self._texco == TexCo.OBJECT and self._object is not None and self._object.blender is not None:
            coordinates = nodes.new("ShaderNodeTexCoord")
            coordinates.object = self._object.blender
            coordinates.location = (-850, 300 - 300 * self._slot)
            links.new(coordinates.outputs["Object"], self._node.inputs["Vector"])
        else:
            uv = nodes.new("ShaderNodeUVMap")
            uv.uv_map = "UVMap"
            uv.location = (-850, 300 - 300 * self._slot)
            links.new(uv.outputs["UV"], self._node.inputs["Vector"])

    @property
    def texco(self):
        return self._texco

    @texco.setter
    def texco(self, value):
        self._texco = int(value)
        self._wire()

    @property
    def object(self):
        return self._object

    @object.setter
    def object(self, value):
        self._object = value
        self._wire()


class Material:
    def __init__(self, name):
        import bpy

        self.name = name
        self.material = bpy.data.materials.new(decode_name(name))
        self.material["mivka_name"] = decode_name(name)
        self._textures = [None] * SLOTS
        # What the Principled BSDF shows, once there is one; None leaves
        # Blender's own default. Every socket write costs a visit of every
        # node tree of the file, so only what differs is written.
        self._shading = {"Base Color": (0.8, 0.8, 0.8, 1.0), "Alpha": 1.0, "Emission": (0.0, 0.0, 0.0, 1.0),
                         "Emission Strength": 0.0, "Specular": 0.5, "Roughness": 0.5, "IOR": None}
        self._emitting = False  # whether the node's emission inputs were written
        self._bsdf = None
        self._mode = DEFAULT_MATERIAL_MODES
        self._tinted = None  # the colour input that vertex colours multiply, once they do
        if versions.materials_always_have_nodes():
            self._principled()  # what the material shows is only on its nodes

    def _keep(self, key, value):
        self.material["mivka_" + key] = value

    def _principled(self):
        """The material's Principled BSDF, made with its node tree on first need."""
        if self._bsdf is None:
            material = self.material
            versions.use_nodes(material)
            self._bsdf = _principled(material)
            for name in self._shading:
                self._push(name)
        return self._bsdf

    def _push(self, name):
        """The value `name` onto the Principled BSDF. The emission colour and
        strength are written only while the strength is above zero: below,
        Blender's defaults already glow with nothing (a black colour before
        4.0, a strength of zero since)."""
        if name in ("Emission", "Emission Strength"):
            strength = self._shading["Emission Strength"]
            if strength > 0.0 or self._emitting:
                _set_input(self._input("Emission"), self._shading["Emission"])
                _set_input(self._input("Emission Strength"), strength)
                self._emitting = strength > 0.0
        elif self._shading[name] is not None:
            _set_input(self._input(name), self._shading[name])

    def _input(self, name):
        """The Principled BSDF's input by its 3.x name."""
        return self._bsdf.inputs[versions.principled_input(name)]

    def _shade(self, name, value):
        self._shading[name] = value
        if self._bsdf is not None:
            self._push(name)
        if name == "Base Color" and self._tinted is not None:
            _set_input(self._tinted, value)

    def _base_colour(self):
        """Where the material's colour goes: the Principled BSDF's base
        colour, or the input that vertex colours multiply."""
        return self._tinted if self._tinted is not None else self._principled().inputs["Base Color"]

    def _show_vertex_colours(self):
        """The mesh's corner colours ("Col") multiply the material's colour,
        texture included."""
        bsdf = self._principled()
        nodes, links = self.material.node_tree.nodes, self.material.node_tree.links
        colours = nodes.new("ShaderNodeVertexColor")
        colours.layer_name = "Col"
        colours.location = (-600, 600)
        mix = nodes.new("ShaderNodeMixRGB")
        mix.blend_type = "MULTIPLY"
        mix.location = (-250, 600)
        # The factor and the two colours, by place: Blender 5 renamed the factor.
        factor, first, second = mix.inputs[0], mix.inputs[1], mix.inputs[2]
        factor.default_value = 1.0
        base = bsdf.inputs["Base Color"]
        for link in list(base.links):
            links.new(link.from_socket, first)
            links.remove(link)
        first.default_value = self._shading["Base Color"]
        links.new(colours.outputs["Color"], second)
        links.new(mix.outputs[0], base)
        self._tinted = first

    def setRGBCol(self, *rgb):
        r, g, b = _rgb(rgb)
        self._keep("rgbCol", [r, g, b])
        self.material.diffuse_color[:3] = (r, g, b)
        self._shade("Base Color", (r, g, b, self._shading["Base Color"][3]))
        self._shade("Emission", (r, g, b, 1.0))

    def setAlpha(self, value):
        alpha = float(value)
        self._keep("alpha", alpha)
        self._shade("Alpha", alpha)
        # Every change of a material's setting queues work in Blender: an
        # opaque material keeps the settings it was made with.
        if alpha != self.material.diffuse_color[3]:
            self.material.diffuse_color[3] = alpha
        versions.set_transparency(self.material, alpha < 1.0)
        if alpha < 1.0:
            self._principled()  # a plain material has no transparency in render or export

    def setRef(self, value):
        self._keep("ref", float(value))

    def setAmb(self, value):
        self._keep("amb", float(value))

    def setEmit(self, value):
        self._keep("emit", float(value))
        self._shade("Emission Strength", float(value))
        if float(value) > 0.0:
            self._principled()  # a plain material cannot glow

    def setSpec(self, value):
        # 2.4x specularity runs from 0 to 2.
        self._keep("spec", float(value))
        specular = min(max(float(value) / 2.0, 0.0), 1.0)
        self.material.specular_intensity = specular
        self._shade("Specular", specular)

    def setHardness(self, value):
        # 2.4x hardness runs from 1 (dull) to 511 (a sharp highlight).
        self._keep("hard", int(value))
        sharpness = min(max((int(value) - 1) / 510.0, 0.0), 1.0)
        roughness = 1.0 - sharpness ** 0.5
        self.material.roughness = roughness
        self._shade("Roughness", roughness)

    def setSpecShader(self, value):
        self._keep("specShader", int(value))

    def setSpecCol(self, *rgb):
        r, g, b = _rgb(rgb)
        self._keep("specCol", [r, g, b])
        self.material.specular_color = (r, g, b)

    def setRayMirr(self, value):
        # Blender's materials have no mirror amount of their own: kept only.
        self._keep("rayMirr", min(max(float(value), 0.0), 1.0))

    def setIOR(self, value):
        ior = min(max(float(value), 1.0), 3.0)
        self._keep("IOR", ior)
        self._shade("IOR", ior)

    def getMode(self):
        return self._mode

    def setMode(self, modes):
        modes = int(modes)
        self._mode = modes
        self._keep("mode", modes)
        culled = not modes & Modes.TWOSIDE
        if self.material.use_backface_culling != culled:
            self.material.use_backface_culling = culled
        if modes & Modes.VCOL_PAINT and self._tinted is None:
            self._show_vertex_colours()

    def setTexture(self, index, texture, texco=None, mapto=None):
        from .Texture import MapTo, TexCo

        if not 0 <= index < SLOTS:
            raise ValueError("Material.setTexture: slot index must be 0 to %d" % (SLOTS - 1))
        self._textures[index] = MTex(self, index, texture, TexCo.UV if texco is None else texco,
                                     MapTo.COL if mapto is None else mapto)

    def getTextures(self):
        """One entry per texture slot, None for an empty one."""
        return list(self._textures)


def New(name="Mat"):
    return Material(name)
