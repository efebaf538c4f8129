"""Objects: the 2.4x object kept beside the Blender object, which a Mesh
object gets when its mesh is linked.

Blender keeps an object's placement as location, rotation and scale, so a
matrix with shear (a rotation followed by a scale along other axes) reaches
Blender changed. Each object therefore also keeps the world matrix Blender
will show for it, built the way Blender builds it, and answers its inverse
from that: meshes moved by it land where the document puts them.

A Mesh object whose mesh has nothing in it waits for a child: only then
is it made in Blender, with its mesh, linked into the scene it was linked
to and under its parent. One that never gets a child makes nothing in
Blender (each Blender object costs time that grows with those before it,
and an empty one shows nothing)."""

import math

from blender24 import objects
from blender24.names import decode_name

from . import Armature, Mathutils, NMesh


def _restriction(attribute):
    """A 2.4x restriction flag that the Blender object follows."""

    def get(self):
        return getattr(self, attribute)

    def set(self, value):
        setattr(self, attribute, bool(value))
        self._restrict()

    return property(get, set)


class Object(objects.Object):
    mesh_type = NMesh.NMesh
    armature_type = Armature.Armature

    def __init__(self, kind, name):
        import bpy

        objects.Object.__init__(self, kind, name)
        self.blender = None
        self._waiting = False  # a Mesh object of an empty mesh, not made in Blender yet
        self._collection = None  # where such an object is linked once made
        self._world = None  # Blender's world matrix of the object, once it has a Blender object
        if kind == "Empty":
            self._make(bpy.data.objects.new(decode_name(name), None))

    def link_into(self, collection):
        """Into the Blender `collection`, or, for an object waiting for a
        child, there once it is made."""
        if self._waiting:
            self._collection = collection
            return
        if self.blender is None:
            raise RuntimeError("Scene.link: the object has no data yet")
        collection.objects.link(self.blender)

    def _make(self, blender):
        # Blender cuts names (at 63 bytes before 5.0, 255 since): the document's
        # whole name stays beside it.
        blender["mivka_name"] = decode_name(self.name)
        self.blender = blender
        self._place()
        self._restrict()
        for modifier in getattr(self, "modifiers", ()):
            self._make_modifier(modifier)

    def _modifier_made(self, modifier):
        """A Blender modifier for the 2.4x one, made at once or when the
        object gets its Blender object."""
        if getattr(self, "blender", None) is not None:
            self._make_modifier(modifier)

    def _make_modifier(self, modifier):
        from blender24.modifiers import Settings, Types

        if modifier.type == Types.MIRROR:
            made = self.blender.modifiers.new("Mirror", "MIRROR")
        elif modifier.type == Types.SUBSURF:
            made = self.blender.modifiers.new("Subdivision", "SUBSURF")
        elif modifier.type == Types.ARMATURE:
            made = self.blender.modifiers.new("Armature", "ARMATURE")
        else:
            made = self.blender.modifiers.new("Screw", "SCREW")
            # The profile's points on the axis become one point, as on a lathe.
            made.use_merge_vertices = True

        def changed(setting, value):
            if setting in (Settings.AXIS_X, Settings.AXIS_Y, Settings.AXIS_Z):
                made.use_axis[setting - Settings.AXIS_X] = value
            elif setting == Settings.LIMIT:
                made.use_mirror_merge = value > 0.0
                made.merge_threshold = max(value, 0.0)
            elif setting == Settings.CLIPPING:
                made.use_clip = value
            elif setting == Settings.LEVELS:
                made.levels = value
            elif setting == Settings.RENDLEVELS:
                made.render_levels = value
            elif setting == Settings.AXIS:
                made.axis = "XYZ"[value]
            elif setting == Settings.STEPS:
                made.steps = value
            elif setting == Settings.RENDER_STEPS:
                made.render_steps = value
            elif setting == Settings.ANGLE:
                made.angle = math.radians(value)
            elif setting == Settings.OBJECT:
                made.object = None if value is None else value.blender
            elif setting == Settings.VGROUPS:
                made.use_vertex_groups = value
            elif setting == Settings.ENVELOPES:
                made.use_bone_envelopes = value

        for setting in modifier.keys():
            changed(setting, modifier[setting])
        modifier.changed = changed

    def _restrict(self):
        """Hidden in the viewport and in renders (and exports) as the 2.4x restrictions say."""
        blender = getattr(self, "blender", None)
        if blender is not None:
            # Written only where they change: Blender queues a notice for
            # each write, and looks through every notice queued before it.
            if blender.hide_viewport != self._display_off:
                blender.hide_viewport = self._display_off
            if blender.hide_render != self._render_off:
                blender.hide_render = self._render_off

    _display_off = False
    _render_off = False

    restrictDisplay = _restriction("_display_off")
    restrictRender = _restriction("_render_off")

    def _place(self):
        """Hands the 2.4x matrix to Blender and keeps the world matrix that Blender will show."""
        blender = self.blender
        matrix = Mathutils.to_blender(self._matrix)
        if self.parent is None:
            blender.matrix_basis = matrix
            self._world = blender.matrix_basis.copy()
        else:
            frame = self.parent._world @ blender.matrix_parent_inverse
            blender.matrix_basis = frame.inverted_safe() @ matrix
            self._world = frame @ blender.matrix_basis
        # Shown at once, before Blender next evaluates the scene.
        blender.matrix_world = self._world

    def setMatrix(self, matrix):
        objects.Object.setMatrix(self, matrix)
        if self.blender is not None:
            self._place()

    def getInverseMatrix(self):
        if self._world is None:
            return objects.Object.getInverseMatrix(self)
        return Mathutils.from_blender(self._world.inverted())

    def link(self, data):
        import bpy

        objects.Object.link(self, data)
        if self.type == "Armature":
            if self.blender is not None:
                raise RuntimeError("Object.link: the object has its armature already")
            self._make(bpy.data.objects.new(decode_name(self.name), data.blender))
        elif self.blender is not None:
            self.blender.data = data.mesh
        elif data.made():
            self._waiting = False
            self._make(bpy.data.objects.new(decode_name(self.name), data.mesh))
        else:
            self._waiting = True

    def _made_now(self):
        """A waiting object made in Blender, placed on its own and then
        parented (its parent made first where it waits too), as if it had
        been made when it was linked."""
        import bpy

        parent = self.parent
        self._waiting = False
        self._set_parent(None)
        self._make(bpy.data.objects.new(decode_name(self.name), self._data.mesh))
        if self._collection is not None:
            self._collection.objects.link(self.blender)
        if parent is not None:
            parent.makeParent([self])

    def makeParent(self, children, noninverse=0, fast=0):
        """Makes each object of the list a child of this one; nothing moves.
        A waiting object is made now; a waiting child keeps its parent until
        it is made."""
        children = self._children(children)
        if self._waiting:
            self._made_now()
        for child in children:
            if child._waiting:
                child._set_parent(self)
                continue
            if child.blender is None or self.blender is None:
                raise TypeError("Object.makeParent: expected objects with data")
            child.blender.parent = self.blender
            child.blender.matrix_parent_inverse = self._world.inverted()
            child._set_parent(self)
            # The child's basis is unchanged, and so is its world matrix.


def New(kind, name=None):
    if kind not in ("Mesh", "Empty", "Armature"):
        raise AttributeError("Object.New: unknown object type %r" % (kind,))
    return Object(kind, kind.encode() if name is None else name)
