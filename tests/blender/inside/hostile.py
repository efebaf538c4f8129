"""Inside Blender: converts the hostile documents of FOLDER (-- FOLDER
OUT.json) and writes what each left in the scene."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import on_path  # noqa: E402,F401
import json  # noqa: E402

import bpy  # noqa: E402
import Blender  # noqa: E402
import Mivka  # noqa: E402
from Blender import versions  # noqa: E402

folder, out = sys.argv[sys.argv.index("--") + 1:]
found = {"blender": list(bpy.app.version)}

def fresh():
    bpy.ops.wm.read_factory_settings(use_empty=True)

# Too many materials for one mesh: no crash, the slots stop at Blender's limit.
fresh()
Mivka.readmqo(os.path.join(folder, "many.mqo"))
mesh = bpy.data.objects["many"].data
found["slots"] = len(mesh.materials)
found["last_slot"] = max(p.material_index for p in mesh.polygons)

# The projection Empty of a file that is gone is forgotten.
fresh()
Mivka.readmqo(os.path.join(folder, "projected.mqo"))
fresh()
Mivka.readmqo(os.path.join(folder, "again.mqo"))
found["after_new_file"] = sorted(o.name for o in bpy.context.scene.objects)

# A coordinate beyond single precision, scaled.
fresh()
Blender.Registry.SetKey("Mivka", {"Scale": 10.0})
Mivka.readmqo(os.path.join(folder, "huge.mqo"))
Blender.Registry.SetKey("Mivka", {})
found["far"] = list(bpy.data.objects["far"].data.vertices[0].co)

# Empty objects: those with children are made when their first child comes.
fresh()
Mivka.readmqo(os.path.join(folder, "empty.mqo"))
found["empty"] = sorted([o.name, o.parent.name if o.parent else None, [round(c, 3) for c in o.matrix_world.translation]]
                        for o in bpy.context.scene.objects)

# Faces with holes: each cut into polygons that leave its hole open.
fresh()
Blender.Registry.SetKey("Mivka", {"Extended": True})
Mivka.readmqo(os.path.join(folder, "holes.mqo"))
found["holes"] = [[round(sum(p.area for p in bpy.data.objects[name].data.polygons), 3),
                   len(bpy.data.objects[name].data.polygons)] for name in ("wall", "rings")]

# A name longer than Blender keeps.
fresh()
Mivka.readmqo(os.path.join(folder, "long.mqo"))
found["long"] = [(o.name, o["mivka_name"]) for o in bpy.context.scene.objects]

# A relative document path whose texture is reached through "..", and an
# image of the same file that the user already had.
fresh()
mine = bpy.data.images.load(os.path.join(folder, "textures", "wood.png"))
mine.name = "my wood"
os.chdir(folder)
Mivka.readmqo(os.path.join("model", "m.mqo"))
found["images"] = sorted(i.name for i in bpy.data.images)
found["textured"] = sorted(n.image.name for m in bpy.data.materials if m.node_tree
                           for n in m.node_tree.nodes if n.type == "TEX_IMAGE" and n.image)
# Smooth faces with their crease angle, a hidden object.
fresh()
Blender.Registry.SetKey("Mivka", {"Extended": True})
Mivka.readmqo(os.path.join(folder, "display.mqo"))
smooth, hidden = bpy.data.objects["smooth"], bpy.data.objects["hidden"]
# Blender 4.1 and later keep no angle on the mesh: the glTF test below shows the crease.
found["smooth"] = [[p.use_smooth for p in smooth.data.polygons]] + (
    [smooth.data.use_auto_smooth, round(smooth.data.auto_smooth_angle * 180 / 3.141592653589793, 3)]
    if versions.smooth_angle_is_kept_by_mesh() else [])
found["hidden"] = [hidden.hide_viewport, hidden.hide_render, smooth.hide_viewport, smooth.hide_render]
mirrored = bpy.data.objects["mirrored"]
evaluated = mirrored.evaluated_get(bpy.context.evaluated_depsgraph_get())
found["mirrored"] = [len(mirrored.data.polygons), len(evaluated.data.polygons)]
curved, turned = bpy.data.objects["curved"], bpy.data.objects["turned"]
found["curved"] = [[(m.type, m.levels, m.render_levels) for m in curved.modifiers],
                   [g.name for g in curved.vertex_groups],
                   [(v.index, v.groups[0].weight) for v in curved.data.vertices if len(v.groups)]]
found["turned"] = [[m.type for m in turned.modifiers], turned.modifiers[0].axis, turned.modifiers[0].steps]
# Newer material attributes: vertex colours over the texture, one side shown.
fresh()
Blender.Registry.SetKey("Mivka", {"Extended": True})
Mivka.readmqo(os.path.join(folder, "newer.mqo"))
material = bpy.data.materials["v"]
mix = [n for n in material.node_tree.nodes if n.type == "MIX_RGB"][0]
bsdf = [n for n in material.node_tree.nodes if n.type == "BSDF_PRINCIPLED"][0]
found["newer"] = [material.use_backface_culling, round(bsdf.inputs["IOR"].default_value, 3),
                  [round(c, 3) for c in material.specular_color], mix.blend_type,
                  [l.from_node.type for l in mix.inputs[1].links],
                  [l.from_node.type for l in mix.inputs[2].links],
                  # A mesh without corner colours multiplies by white, not by a missing (black) layer.
                  [round(c, 3) for c in bpy.data.objects["o"].data.color_attributes["Col"].data[0].color_srgb]]
# Materials of one tree but for their colours and numbers: each keeps its
# own, and nothing else is left among the file's materials.
fresh()
Blender.Registry.SetKey("Mivka", {"Extended": True})
Mivka.readmqo(os.path.join(folder, "alike.mqo"))
found["alike"] = []
for material in bpy.data.materials:
    nodes = material.node_tree.nodes
    bsdf = [n for n in nodes if n.type == "BSDF_PRINCIPLED"][0]
    tint = [n for n in nodes if n.type == "MIX_RGB"]
    base = tint[0].inputs[1] if tint else bsdf.inputs["Base Color"]
    glow = bsdf.inputs[versions.principled_input("Emission")]
    found["alike"].append([material.name, [round(c, 3) for c in base.default_value][:3],
                           round(bsdf.inputs["Alpha"].default_value, 3),
                           [round(c * bsdf.inputs["Emission Strength"].default_value, 3) for c in glow.default_value][:3]])
# Names read in the document's code page: the same bytes are "\u00b1" as
# UTF-8 and two half-width katakana in code page 932.
found["code_page"] = []
for name in ("guessed.mqo", "cp932.mqo"):
    fresh()
    Mivka.readmqo(os.path.join(folder, name))
    found["code_page"].append([o.name for o in bpy.context.scene.objects] + [Blender.Get("codepage")])
# An archive whose Photoshop member declares 30,000 x 30,000 pixels: Blender
# would decode it on import.
fresh()
Blender.Registry.SetKey("Mivka", {"Extended": True})
Mivka.readmqo(os.path.join(folder, "bomb.mqoz"))
found["bomb"] = [[m.name for m in bpy.data.materials], [i.name for i in bpy.data.images]]
json.dump(found, open(out, "w"))
