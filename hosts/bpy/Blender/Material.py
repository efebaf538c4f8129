"""Materials with the 2.4x values kept as custom properties. A material
that needs a node tree (Principled BSDF, texture slots as Image Texture
nodes) for a texture, transparency or emission gets one; the others stay
plain Blender materials (colour, roughness and specular on the material
itself; Blender 5 gives every material its tree).

Blender revisits every node tree of the file whenever one is made, one of
its nodes or links is added, or a number on it changes, so trees built
material by material would make a document's materials quadratic in time.
A material is therefore made in Blender only when it is first needed (a
mesh takes it, or the conversion ends), with everything it was given; its
tree is a copy of one built once for all materials of the same nodes and
links, with the material's own values written over the template's:
colours into the sockets' arrays without a revisit, and the numbers,
images and objects that differ.
`finish()` makes every material not made yet and removes those first
trees."""

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


def _apply(material, key, value):
    """A setting of the Blender material, written only where it differs:
    every write queues work in Blender."""
    held = getattr(material, key)
    if isinstance(value, tuple):
        if tuple(held) != value:
            setattr(material, key, value)
    elif held != value:
        setattr(material, key, value)


class MTex:
    """A texture slot: an Image Texture node wired to the input that its
    map-to channel names, through the UV map or through an object's
    coordinates. Until its material is made, it only keeps what it was
    given."""

    def __init__(self, owner, slot, texture, texco, mapto):
        self._owner, self._slot = owner, slot
        self.tex, self.mapto = texture, mapto
        self._texco, self._object, self.mapping = texco, None, 0
        self._node = None

    def _image(self):
        return self.tex.image.image if self.tex.image is not None else None

    def _shown(self):
        """The object whose coordinates map the slot, once it is in the scene."""
        from .Texture import TexCo

        if self._texco == TexCo.OBJECT and self._object is not None:
            return self._object.blender
        return None

    def _uses_alpha(self):
        image = self._image()
        return image is not None and image.channels == 4 and "UseAlpha" in self.tex.imageFlags

    def _shape(self):
        """The slot's nodes and links, without the image and object they show."""
        return (self._slot, self.mapto, self._texco, self._image() is not None, self._shown() is not None,
                self._uses_alpha())

    def _fill(self, nodes):
        """The image and the object of this slot into the nodes of a copy
        (each written only where the template's differ: every write makes
        Blender revisit the file's node trees)."""
        node = self._node = nodes["Mivka slot %d" % self._slot]
        image = self._image()
        if node.image != image:
            node.image = image
        shown = self._shown()
        if shown is not None:
            coordinates = node.inputs["Vector"].links[0].from_node
            if coordinates.object != shown:
                coordinates.object = shown

    def _build(self, material):
        """The slot's nodes on `material` (the owner's tree, being built)."""
        from .Texture import MapTo

        owner = self._owner
        bsdf = owner._bsdf
        nodes, links = material.node_tree.nodes, material.node_tree.links
        node = nodes.new("ShaderNodeTexImage")
        node.name = node.label = "Mivka slot %d" % self._slot
        node.location = (-600, 300 - 300 * self._slot)
        image = self._image()
        node.image = image
        self._node = node
        if self.mapto & MapTo.COL:
            links.new(node.outputs["Color"], owner._base_colour())
        if self.mapto & MapTo.NOR:
            bump = nodes.new("ShaderNodeBump")
            bump.location = (-250, 300 - 300 * self._slot)
            links.new(node.outputs["Color"], bump.inputs["Height"])
            links.new(bump.outputs["Normal"], bsdf.inputs["Normal"])
        if self.mapto & MapTo.ALPHA:
            links.new(node.outputs["Alpha" if self._uses_alpha() else "Color"], bsdf.inputs["Alpha"])
        self._wire(material)

    def _wire(self, material):
        nodes, links = material.node_tree.nodes, material.node_tree.links
        for link in list(self._node.inputs["Vector"].links):
            links.remove(link)
        if self._shown() is not None:
            coordinates = nodes.new("ShaderNodeTexCoord")
            coordinates.object = self._shown()
            coordinates.location = (-850, 300 - 300 * self._slot)
            links.new(coordinates.outputs["Object"], self._node.inputs["Vector"])
        else:
            uv = nodes.new("ShaderNodeUVMap")
            uv.uv_map = "UVMap"
            uv.location = (-850, 300 - 300 * self._slot)
            links.new(uv.outputs["UV"], self._node.inputs["Vector"])

    def _rewire(self):
        if self._node is not None:
            self._wire(self._owner.material)

    @property
    def texco(self):
        return self._texco

    @texco.setter
    def texco(self, value):
        self._texco = int(value)
        self._rewire()

    @property
    def object(self):
        return self._object

    @object.setter
    def object(self, value):
        self._object = value
        self._rewire()


# Materials not made in Blender yet, in the order they were created, and the
# trees that copies are made from, by their nodes and links.
_pending = []
_templates = {}


def _make_pending():
    global _pending
    waiting, _pending = _pending, []
    for material in waiting:
        material._make()


def finish():
    """Makes every material not made yet, then removes the trees that they
    were copied from."""
    import bpy

    _make_pending()
    if _templates:
        bpy.data.batch_remove(list(_templates.values()))
        _templates.clear()


class Material:
    def __init__(self, name):
        self.name = name
        self._made = None  # the Blender material, once made
        # Until it is made: its custom properties and its own settings.
        self._properties = {"mivka_name": decode_name(name)}
        self._settings = {"diffuse_color": (0.8, 0.8, 0.8, 1.0)}
        self._transparent = False
        self._textures = [None] * SLOTS
        # What the Principled BSDF shows, once there is one; None leaves
        # Blender's own default. Every socket write costs a visit of every
        # node tree of the file, so only what differs is written.
        self._shading = {"Base Color": (0.8, 0.8, 0.8, 1.0), "Alpha": 1.0, "Emission": (0.0, 0.0, 0.0, 1.0),
                         "Emission Strength": 0.0, "Specular": 0.5, "Roughness": 0.5, "IOR": None}
        self._emitting = False  # whether the node's emission inputs were written
        self._bsdf = None
        self._needs_tree = versions.materials_always_have_nodes()
        self._mode = DEFAULT_MATERIAL_MODES
        self._tints = False  # whether vertex colours multiply the colour
        self._tinted = None  # the colour input that vertex colours multiply, once they do
        _pending.append(self)

    @property
    def material(self):
        """The Blender material, made (with every material before it) on first need."""
        if self._made is None:
            _make_pending()
            if self._made is None:
                self._make()
        return self._made

    def _make(self):
        import bpy

        if self._made is not None:
            return
        if self._needs_tree:
            made = self._template().copy()
            made.name = decode_name(self.name)
            self._made = made
            self._bsdf = _principled(made)
            nodes = made.node_tree.nodes
            self._tinted = nodes["Mivka tint"].inputs[1] if self._tints else None
            for slot in self._textures:
                if slot is not None:
                    slot._fill(nodes)
            # Every value, over the template's: colours are written into
            # the copy's sockets as they stand, numbers where they differ.
            self._emitting = self._shading["Emission Strength"] > 0.0
            for name in self._shading:
                self._push(name)
            if self._tinted is not None:
                _set_input(self._tinted, self._shading["Base Color"])
        else:
            self._made = bpy.data.materials.new(decode_name(self.name))
        made = self._made
        for key, value in self._properties.items():
            made[key] = value
        for key, value in self._settings.items():
            _apply(made, key, value)
        versions.set_transparency(made, self._transparent)

    def _shape(self):
        """What the material's tree is made of: its nodes and links, the
        inputs of the Principled BSDF that are written at all, and whether
        it glows."""
        written = tuple(name for name, value in sorted(self._shading.items()) if value is not None)
        slots = tuple(slot._shape() for slot in self._textures if slot is not None)
        return written, self._shading["Emission Strength"] > 0.0, slots, self._tints

    def _template(self):
        """The tree for materials of this shape, built once, with the numbers
        of the first such material."""
        import bpy

        shape = self._shape()
        template = _templates.get(shape)
        if template is None:
            template = bpy.data.materials.new("Mivka template")
            self._made = template  # built as this material's own
            versions.use_nodes(template)
            self._bsdf = _principled(template)
            for name in self._shading:
                self._push(name)
            for slot in self._textures:
                if slot is not None:
                    slot._build(template)
            if self._tints:
                self._show_vertex_colours()
            self._made, self._bsdf, self._tinted = None, None, None
            _templates[shape] = template
        return template

    def _keep(self, key, value):
        if self._made is None:
            self._properties["mivka_" + key] = value
        else:
            self._made["mivka_" + key] = value

    def _set(self, key, value):
        """One of the material's own settings."""
        if self._made is None:
            self._settings[key] = value
        else:
            _apply(self._made, key, value)

    def _needs_nodes(self):
        """The material is to have a node tree: once made, it gets one now."""
        self._needs_tree = True
        if self._made is not None:
            self._principled()

    def _set_transparency(self, transparent):
        self._transparent = transparent
        if self._made is not None:
            versions.set_transparency(self._made, transparent)

    def _principled(self):
        """The made material's Principled BSDF, given its node tree on first need."""
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
        return self._tinted if self._tinted is not None else self._bsdf.inputs["Base Color"]

    def _show_vertex_colours(self):
        """The mesh's corner colours ("Col") multiply the material's colour,
        texture included."""
        bsdf = self._bsdf
        material = self._made
        nodes, links = material.node_tree.nodes, material.node_tree.links
        colours = nodes.new("ShaderNodeVertexColor")
        colours.layer_name = "Col"
        colours.location = (-600, 600)
        mix = nodes.new("ShaderNodeMixRGB")
        mix.name = "Mivka tint"
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

    def _diffuse(self):
        return tuple(self._made.diffuse_color) if self._made is not None else self._settings["diffuse_color"]

    def setRGBCol(self, *rgb):
        r, g, b = _rgb(rgb)
        self._keep("rgbCol", [r, g, b])
        self._set("diffuse_color", (r, g, b, self._diffuse()[3]))
        self._shade("Base Color", (r, g, b, self._shading["Base Color"][3]))
        self._shade("Emission", (r, g, b, 1.0))

    def setAlpha(self, value):
        alpha = float(value)
        self._keep("alpha", alpha)
        self._shade("Alpha", alpha)
        # Every change of a material's setting queues work in Blender: an
        # opaque material keeps the settings it was made with.
        self._set("diffuse_color", self._diffuse()[:3] + (alpha,))
        self._set_transparency(alpha < 1.0)
        if alpha < 1.0:
            self._needs_nodes()  # a plain material has no transparency in render or export

    def setRef(self, value):
        self._keep("ref", float(value))

    def setAmb(self, value):
        self._keep("amb", float(value))

    def setEmit(self, value):
        self._keep("emit", float(value))
        self._shade("Emission Strength", float(value))
        if float(value) > 0.0:
            self._needs_nodes()  # a plain material cannot glow

    def setSpec(self, value):
        # 2.4x specularity runs from 0 to 2.
        self._keep("spec", float(value))
        specular = min(max(float(value) / 2.0, 0.0), 1.0)
        self._set("specular_intensity", specular)
        self._shade("Specular", specular)

    def setHardness(self, value):
        # 2.4x hardness runs from 1 (dull) to 511 (a sharp highlight).
        self._keep("hard", int(value))
        sharpness = min(max((int(value) - 1) / 510.0, 0.0), 1.0)
        roughness = 1.0 - sharpness ** 0.5
        self._set("roughness", roughness)
        self._shade("Roughness", roughness)

    def setSpecShader(self, value):
        self._keep("specShader", int(value))

    def setSpecCol(self, *rgb):
        r, g, b = _rgb(rgb)
        self._keep("specCol", [r, g, b])
        self._set("specular_color", (r, g, b))

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
        self._set("use_backface_culling", not modes & Modes.TWOSIDE)
        if modes & Modes.VCOL_PAINT and not self._tints:
            self._tints = True
            self._needs_nodes()
            if self._made is not None:
                self._show_vertex_colours()

    def setTexture(self, index, texture, texco=None, mapto=None):
        from .Texture import MapTo, TexCo

        if not 0 <= index < SLOTS:
            raise ValueError("Material.setTexture: slot index must be 0 to %d" % (SLOTS - 1))
        slot = MTex(self, index, texture, TexCo.UV if texco is None else texco, MapTo.COL if mapto is None else mapto)
        self._textures[index] = slot
        self._needs_nodes()
        if slot.mapto & MapTo.ALPHA:
            self._set_transparency(True)
        if self._made is not None:
            slot._build(self._made)

    def getTextures(self):
        """One entry per texture slot, None for an empty one."""
        return list(self._textures)


def New(name="Mat"):
    return Material(name)
