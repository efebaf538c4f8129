"""Armatures: the 2.4x armature beside a Blender armature, whose bones are
made as Blender edit bones when the 2.4x armature is updated. Blender makes
edit bones only in its edit mode, of an object in the view layer: the
armature's object is made active and put in edit mode for the time it
takes, and what was active before is active again afterwards."""

import math

from blender24.armatures import Armature as Armature24, Editbone, Options  # noqa: F401
from blender24.names import decode_name


globals().update({name: Options[name] for name in Options.keys()})
__all__ = ["Armature", "Editbone", "New"] + Options.keys()


class Armature(Armature24):
    def __init__(self, name):
        import bpy

        Armature24.__init__(self, name)
        self.blender = bpy.data.armatures.new(decode_name(name))

    def _write(self, bones):
        import bpy

        owner = self.owner.blender if self.owner is not None else None
        if owner is None:
            raise RuntimeError("Armature.update: the armature must be linked to an object in a scene first")
        view_layer = bpy.context.view_layer
        active = view_layer.objects.active
        # An object the user is editing is left in object mode first: only
        # one object type is edited at a time.
        if active is not None and active.mode != "OBJECT":
            bpy.ops.object.mode_set(mode="OBJECT")
        view_layer.objects.active = owner
        bpy.ops.object.mode_set(mode="EDIT")
        try:
            edit_bones = self.blender.edit_bones
            made = {bone.name: edit_bones.new(decode_name(bone.name)) for bone in bones}
            # Positions written all at once: Blender answers each single
            # write by looking through every bone for connected children.
            edit_bones.foreach_set("head", [c for bone in bones for c in bone.head])
            edit_bones.foreach_set("tail", [c for bone in bones for c in bone.tail])
            edit_bones.foreach_set("roll", [math.radians(bone.roll) for bone in bones])
            for bone in bones:
                if bone.parent is not None:
                    edit = made[bone.name]
                    edit.parent = made[bone.parent.name]
                    if Options.CONNECTED in bone.options:
                        edit.use_connect = True
            names = {bone.name: made[bone.name].name for bone in bones}
        finally:
            bpy.ops.object.mode_set(mode="OBJECT")
            view_layer.objects.active = active
        # Looked up once: Blender finds a bone by name through all the
        # bones, and drops one too short to hold on leaving edit mode.
        hidden = {names[bone.name] for bone in bones if Options.HIDDEN_EDIT in bone.options}
        for made_bone in self.blender.bones if hidden else ():
            if made_bone.name in hidden:
                made_bone.hide = True


def New(name="Armature"):
    return Armature(name)
