"""Inside Blender: converts the document given last, turns the bone "arm" a
quarter turn about the Z axis through its head, and prints the world
positions of the vertices of "arm" and "body" in the rest pose and then in
that pose (one JSON line after "POSED")."""

import json
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import on_path  # noqa: E402,F401

import bpy  # noqa: E402
import Blender  # noqa: E402
import Mivka  # noqa: E402
from mathutils import Matrix  # noqa: E402

bpy.ops.wm.read_factory_settings(use_empty=True)
Blender.Registry.SetKey("Mivka", {"Extended": True})
Mivka.readmqo(sys.argv[-1])


def positions():
    depsgraph = bpy.context.evaluated_depsgraph_get()
    found = {}
    for name in ("arm", "body"):
        obj = bpy.data.objects[name].evaluated_get(depsgraph)
        found[name] = [list(obj.matrix_world @ v.co) for v in obj.to_mesh().vertices]
        obj.to_mesh_clear()
    return found


rest = positions()
armature = bpy.data.objects["rig"]
bone = armature.pose.bones["arm"]
head = bone.bone.head_local
turn = Matrix.Translation(head) @ Matrix.Rotation(math.pi / 2, 4, "Z") @ Matrix.Translation(-head)
bone.matrix = turn @ bone.bone.matrix_local
bpy.context.view_layer.update()
print("POSED " + json.dumps({"rest": rest, "posed": positions()}))
