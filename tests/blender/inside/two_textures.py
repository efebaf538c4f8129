"""Inside Blender: converts the archive given last and prints the packed
sizes of the images of materials a, b and c."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import on_path  # noqa: E402,F401

import bpy  # noqa: E402
import Blender  # noqa: E402
import Mivka  # noqa: E402

bpy.ops.wm.read_factory_settings(use_empty=True)
Blender.Registry.SetKey("Mivka", {"Extended": True})
Mivka.readmqo(sys.argv[-1])
print("SIZES", [[n.image.packed_file.size for n in bpy.data.materials[name].node_tree.nodes if n.type == "TEX_IMAGE"]
                for name in "abc"])
