"""The Blender material made for a 2.4x one. A material that needs a node
tree (Principled BSDF, texture slots as Image Texture nodes) for a texture,
transparency or emission gets one; the others stay plain Blender materials
(colour, roughness and specular on the material itself; Blender 5 gives
every material its tree).

Blender revisits every node tree of the file whenever one is made, one of
its nodes or links is added, or a number on it changes, so trees built
material by material would make a document's materials quadratic in time.
A material is therefore made in Blender only when it is first needed (a
mesh takes it, or the conversion ends), with everything it was given; its
tree is a copy of one built once for all materials of the same nodes and
links, with the material's own values written over the template's:
colours into the sockets' arrays without a revisit, and the numbers,
images and objects that differ. `finish()` makes every material not made
yet and removes those first trees."""

from blender24.names import decode_name

from . import node_trees, slot_nodes, versions
from .node_trees import principled as _principled, set_input as _set_input

# Materials not made in Blender yet, in the order they were created, and the
# trees that copies are made from, by their nodes and links.
_pending = []
_templates = {}


def _make_pending():
    global _pending
    waiting, _pending = _pending, []
    for material in waiting:
        material.make()


def finish():
    """Makes every material not made yet, then removes the trees that they
    were copied from."""
    import bpy

    _make_pending()
    if _templates:
        bpy.data.batch_remove(list(_templates.values()))
        _templates.clear()


def _apply(material, key, value):
    """A setting of the Blender material, written only where it differs:
    every write queues work in Blender."""
    held = getattr(material, key)
    if isinstance(value, tuple):
        if tuple(held) != value:
            setattr(material, key, value)
    elif held != value:
        setattr(material, key, value)


class BlenderMaterial:
    """What a 2.4x material was given, in the terms of today's Blender, and
    the Blender material made from it on first need. Until then, every
    value is only kept."""

    def __init__(self, name, slots):
        self.name = name
        self._made = None  # the Blender material, once made
        # Until it is made: its custom properties and its own settings.
        self._properties = {"mivka_name": decode_name(name)}
        self._settings = {"diffuse_color": (0.8, 0.8, 0.8, 1.0)}
        self._transparent = False
        self.slots = slots  # the 2.4x texture slots, None where empty
        # What the Principled BSDF shows, once there is one; None leaves
        # Blender's own default. Every socket write costs a visit of every
        # node tree of the file, so only what differs is written.
        self.shading = {"Base Color": (0.8, 0.8, 0.8, 1.0), "Alpha": 1.0, "Emission": (0.0, 0.0, 0.0, 1.0),
                        "Emission Strength": 0.0, "Specular": 0.5, "Roughness": 0.5, "IOR": None}
        self._emitting = False  # whether the node's emission inputs were written
        self._bsdf = None
        self._needs_tree = versions.materials_always_have_nodes()
        self.tints = False  # whether vertex colours multiply the colour
        self._tinted = None  # the colour input that vertex colours multiply, once they do
        _pending.append(self)

    @property
    def material(self):
        """The Blender material, made (with every material before it) on first need."""
        if self._made is None:
            _make_pending()
            if self._made is None:
                self.make()
        return self._made

    def make(self):
        import bpy

        if self._made is not None:
            return
        if self._needs_tree:
            made = self._template().copy()
            made.name = decode_name(self.name)
            self._made = made
            self._bsdf = _principled(made)
            nodes = made.node_tree.nodes
            self._tinted = nodes["Mivka tint"].inputs[1] if self.tints else None
            for slot in self.slots:
                if slot is not None:
                    slot_nodes.fill(slot, nodes)
            # Every value, over the template's: colours are written into
            # the copy's sockets as they stand, numbers where they differ.
            self._emitting = self.shading["Emission Strength"] > 0.0
            for name in self.shading:
                self._push(name)
            if self._tinted is not None:
                _set_input(self._tinted, self.shading["Base Color"])
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
        written = tuple(name for name, value in sorted(self.shading.items()) if value is not None)
        slots = tuple(slot_nodes.shape(slot) for slot in self.slots if slot is not None)
        return written, self.shading["Emission Strength"] > 0.0, slots, self.tints

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
            for name in self.shading:
                self._push(name)
            for slot in self.slots:
                if slot is not None:
                    self.build_slot(slot)
            if self.tints:
                self._show_vertex_colours()
            self._made, self._bsdf, self._tinted = None, None, None
            _templates[shape] = template
        return template

    def keep(self, key, value):
        """A 2.4x value kept as the custom property "mivka_KEY"."""
        if self._made is None:
            self._properties["mivka_" + key] = value
        else:
            self._made["mivka_" + key] = value

    def set(self, key, value):
        """One of the Blender material's own settings."""
        if self._made is None:
            self._settings[key] = value
        else:
            _apply(self._made, key, value)

    def setting(self, key):
        return getattr(self._made, key) if self._made is not None else self._settings[key]

    def needs_nodes(self):
        """The material is to have a node tree: once made, it gets one now."""
        self._needs_tree = True
        if self._made is not None and self._bsdf is None:
            versions.use_nodes(self._made)
            self._bsdf = _principled(self._made)
            for name in self.shading:
                self._push(name)

    def set_transparency(self, transparent):
        self._transparent = transparent
        if self._made is not None:
            versions.set_transparency(self._made, transparent)

    def _push(self, name):
        """The value `name` onto the Principled BSDF. The emission colour and
        strength are written only while the strength is above zero: below,
        Blender's defaults already glow with nothing (a black colour before
        4.0, a strength of zero since)."""
        if name in ("Emission", "Emission Strength"):
            strength = self.shading["Emission Strength"]
            if strength > 0.0 or self._emitting:
                _set_input(self._input("Emission"), self.shading["Emission"])
                _set_input(self._input("Emission Strength"), strength)
                self._emitting = strength > 0.0
        elif self.shading[name] is not None:
            _set_input(self._input(name), self.shading[name])

    def _input(self, name):
        """The Principled BSDF's input by its 3.x name."""
        return self._bsdf.inputs[versions.principled_input(name)]

    def shade(self, name, value):
        """What the Principled BSDF's input `name` (by its 3.x name) shows."""
        self.shading[name] = value
        if self._bsdf is not None:
            self._push(name)
        if name == "Base Color" and self._tinted is not None:
            _set_input(self._tinted, value)

    def tint(self):
        """From now on the mesh's corner colours ("Col") multiply the
        material's colour, texture included."""
        if self.tints:
            return
        self.tints = True
        self.needs_nodes()
        if self._made is not None:
            self._show_vertex_colours()

    def _show_vertex_colours(self):
        self._tinted = node_trees.add_tint(self._made.node_tree, self._bsdf, self.shading["Base Color"])

    def build_slot(self, slot):
        """A texture slot's nodes, once the material has its tree: its colour
        goes where the material's colour goes (the Principled BSDF, or the
        input that vertex colours multiply)."""
        if self._made is None:
            return
        base = self._tinted if self._tinted is not None else self._bsdf.inputs["Base Color"]
        slot_nodes.build(slot, self._made.node_tree, self._bsdf, base)

    def rewire(self, slot):
        """The slot's coordinates anew, after its mapping changed."""
        if self._made is not None and self._bsdf is not None:
            slot_nodes.wire(slot, self._made.node_tree)
