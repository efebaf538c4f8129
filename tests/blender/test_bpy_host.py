"""Inside real Blender, the bpy host builds the scene that the in-memory host
builds: same objects, parents, faces with their corners in order, world
positions, texture coordinates, colours, per-face materials and textures;
and a saved .blend and a glTF export keep it."""

import json
import math
import os
import shutil
import struct
import subprocess
import sys
import zipfile

import pytest

from conftest import BUILD, HAS_CORPUS, ROOT, SANITIZED, corpus_table, CORPUS, run_mivka as run
from scene_compare import assert_same_scene, memory_scene
from hostile_documents import (HEAD, PLACEMENTS, TRIANGLE, display_settings, faces_with_holes, huge_coordinate,
                               long_name, many_materials, obj, projected, rotated_again)

pytestmark = [
    pytest.mark.slow,
    pytest.mark.skipif(shutil.which("blender") is None, reason="Blender is not installed"),
    pytest.mark.skipif(SANITIZED, reason="Blender does not run sanitized builds"),
]

sys.path.insert(0, str(ROOT / "bench"))
sys.path.insert(0, str(ROOT / "tools"))


def scenes_in_blender(*arguments):
    """Each document converted into a fresh scene and described (see scenes_in_blender.py)."""
    script = ROOT / "tests" / "blender" / "scenes_in_blender.py"
    done = subprocess.run(["blender", "-b", "--factory-startup", "--python", str(script), "--"]
                          + [str(a) for a in arguments], capture_output=True, timeout=1200,
                          env=dict(os.environ, MIVKA_BUILD_DIR=str(BUILD)))
    assert done.returncode == 0 and b"Traceback" not in done.stderr, done.stderr[-3000:]
    return done


@pytest.fixture(scope="module")
def documents(tmp_path_factory):
    import generate

    folder = tmp_path_factory.mktemp("blender")
    generated = folder / "generated.mqo"
    with open(generated, "wb") as out:
        generate.write_document(out, 3000, objects=3)
    corpus = [CORPUS / row["file"] for row in corpus_table()] if HAS_CORPUS else []
    placements = []
    # Two that end with the host's lookup error: a vertex number and a
    # material number beyond their lists.
    broken = [("vertex_beyond", HEAD + obj("a", (), TRIANGLE.replace("3 V(0 1 2)", "3 V(0 1 3)"))),
              ("material_beyond", HEAD + 'Material 1 {\n\t"m"\n}\n' + obj("a", (), TRIANGLE.replace(
                  "3 V(0 1 2)", "3 V(0 1 2) M(0)\n\t\t3 V(2 1 0) M(1)")))]
    # One face of 8,000 corners (Metasequoia 4 n-gons), a circle.
    ring = "".join("\t\t%.6f 0 %.6f\n" % (math.cos(k * 2 * math.pi / 8000), math.sin(k * 2 * math.pi / 8000))
                   for k in range(8000))
    big = [("one_big_face", HEAD + obj("ring", (), "\tvertex 8000 {\n%s\t}\n\tface 1 {\n\t\t8000 V(%s)\n\t}\n"
                                       % (ring, " ".join(map(str, range(8000))))))]
    # Flat faces whose corners carry normals of their own, tilted away from
    # the faces' (one corner keeps its shading's); the second object is
    # turned and placed under the first.
    quad = ("\tvertex 5 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t1 0 1\n\t\t0 0 1\n\t\t2 0 0\n\t}\n\tface 2 {\n"
            "\t\t4 V(0 1 2 3) N(2 2 0 2 0.6 0.8 0 0 0.8 0.6 -0.6 0.8 0)\n\t\t3 V(1 4 2) N(1 1 1 0 1 0 0 1 0 0 1 0)\n"
            "\t}\n")
    tilted = [("own_normals", HEAD.replace("1.0", "1.1") + obj("flat", ("depth 0", "shading 0"), quad)
               + obj("turned", ("depth 1", "rotation 30 0 0"), quad))]
    for name, text in PLACEMENTS + broken + big + tilted:
        placements.append(folder / (name + ".mqo"))
        placements[-1].write_text(text)
    return [generated, ROOT / "samples" / "lantern.mqo"] + placements + corpus


@pytest.fixture(scope="module", params=["whole meshes", "per call"])
def blender_scenes(request, documents, tmp_path_factory):
    """Blender's scenes, meshes handed over whole (as the bpy host offers)
    or call by call (as a host without that offer gets them)."""
    out = tmp_path_factory.mktemp("snapshots") / "scenes.json"
    scenes_in_blender(*documents, "--snapshot", out, *(["--per-call"] if request.param == "per call" else []))
    return json.loads(out.read_text())


def test_every_document_builds_the_same_scene_in_blender(documents, blender_scenes, capfd):
    for path in documents:
        assert_same_scene(blender_scenes[str(path)], memory_scene(path), path.name)
        capfd.readouterr()


def test_a_saved_blend_file_reopens_with_the_scene(documents, tmp_path, capfd):
    out = tmp_path / "scene.json"
    scenes_in_blender(documents[0], "-o", tmp_path / "scene.blend", "--reopen", "--snapshot", out)
    assert_same_scene(json.loads(out.read_text())[str(documents[0])], memory_scene(documents[0]), "reopened")


def glb_counts(path):
    """Mesh nodes, triangles and vertices of a binary glTF file, read from its JSON chunk.
    (Blender 3.4's own glTF importer does not run with Debian's numpy.)"""
    data = path.read_bytes()
    assert data[:4] == b"glTF"
    length, kind = struct.unpack_from("<I4s", data, 12)
    assert kind == b"JSON"
    gltf = json.loads(data[20:20 + length])
    triangles = vertices = 0
    for node in gltf.get("nodes", []):
        for primitive in gltf["meshes"][node["mesh"]]["primitives"] if "mesh" in node else []:
            assert primitive.get("mode", 4) == 4
            triangles += gltf["accessors"][primitive["indices"]]["count"] // 3
            vertices += gltf["accessors"][primitive["attributes"]["POSITION"]]["count"]
    return {"objects": sum(1 for node in gltf.get("nodes", []) if "mesh" in node), "triangles": triangles,
            "vertices": vertices}


def test_a_gltf_export_keeps_objects_and_triangles(documents, tmp_path, capfd):
    glb = tmp_path / "scene.glb"
    done = run(documents[1], "-o", glb)
    assert done.returncode == 0, done.stderr[-3000:]
    memory = memory_scene(documents[1])
    triangles = sum(len(f["corners"]) - 2 for o in memory["objects"] for f in o["faces"])
    counts = glb_counts(glb)
    assert (counts["objects"], counts["triangles"]) == (len(memory["objects"]), triangles)


@pytest.mark.parametrize("mode, x, vertices", [(2, 0.5, 10), (2, 0.0, 6), (1, 0.0, 8)],
                         ids=["connected-apart", "connected-on-plane", "separated"])
def test_a_mirrored_half_exports_as_the_whole_model(mode, x, vertices, tmp_path, capfd):
    """Both halves in the .glb; connected ones welded where they meet."""
    from hostile_documents import connected_half
    (tmp_path / "half.mqo").write_text(connected_half(mode, x))
    done = run(tmp_path / "half.mqo", "-o", tmp_path / "half.glb")
    assert done.returncode == 0, done.stderr[-3000:]
    faces = 2 if x else 1
    assert glb_counts(tmp_path / "half.glb") == {"objects": 1, "triangles": 4 * faces, "vertices": vertices}


FOLDED = ("\tvertex 6 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t1 1 0\n\t\t0 1 0\n\t\t1 2 0.364\n\t\t0 2 0.364\n\t}\n"
          "\tface 2 {\n\t\t4 V(0 1 2 3)\n\t\t4 V(3 2 4 5)\n\t}\n")  # two quads folded by 20 degrees


@pytest.mark.parametrize("shading, vertices", [(("shading 1", "facet 40"), 6), (("shading 0",), 8),
                                               (("shading 1", "facet 10"), 8)],
                         ids=["smooth", "flat", "sharper-than-facet"])
def test_smooth_faces_share_their_normals_in_gltf(shading, vertices, tmp_path, capfd):
    """A smooth fold within the crease angle keeps one normal per vertex of
    the shared edge, so the exporter shares those vertices."""
    (tmp_path / "fold.mqo").write_text(HEAD + obj("fold", shading, FOLDED))
    done = run(tmp_path / "fold.mqo", "-o", tmp_path / "fold.glb")
    assert done.returncode == 0, done.stderr[-3000:]
    assert glb_counts(tmp_path / "fold.glb") == {"objects": 1, "triangles": 4, "vertices": vertices}


def test_an_archive_converts_as_its_document(tmp_path, capfd):
    # Its texture travels inside it.
    with zipfile.ZipFile(tmp_path / "lantern.mqoz", "w", zipfile.ZIP_DEFLATED) as archive:
        archive.write(ROOT / "samples" / "lantern.mqo", "lantern.mqo")
        archive.write(ROOT / "samples" / "lantern.png", "lantern.png")
    for name in ("lantern.mqoz", "lantern.mqo"):
        done = run(tmp_path / name if name.endswith("z") else ROOT / "samples" / name, "-o", tmp_path / (name + ".glb"))
        assert done.returncode == 0, done.stderr[-3000:]
    assert (tmp_path / "lantern.mqoz.glb").read_bytes() == (tmp_path / "lantern.mqo.glb").read_bytes()


TWO_TEXTURES = """
import bpy, sys
sys.path[:0] = [%r, %r, %r]
import Blender, Mivka
bpy.ops.wm.read_factory_settings(use_empty=True)
Blender.Registry.SetKey("Mivka", {"Extended": True})
Mivka.readmqo(sys.argv[-1])
print("SIZES", [[n.image.packed_file.size for n in bpy.data.materials[name].node_tree.nodes if n.type == "TEX_IMAGE"]
                for name in "abc"])
""" % (str(BUILD), str(ROOT / "hosts" / "bpy"), str(ROOT / "hosts" / "common"))


def test_textures_of_one_file_name_in_different_folders_of_an_archive_stay_apart(tmp_path):
    png = (ROOT / "samples" / "lantern.png").read_bytes()
    document = HEAD.replace("1.0", "1.1") + ('Material 3 {\n\t"a" tex("a/t.png")\n\t"b" tex("b/t.png")\n'
                                             '\t"c" tex("a/t.png")\n}\n')
    with zipfile.ZipFile(tmp_path / "two.mqoz", "w") as archive:
        archive.writestr("two.mqo", document)
        archive.writestr("a/t.png", png)
        archive.writestr("b/t.png", png + b"other")
    done = subprocess.run(["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python-expr",
                           TWO_TEXTURES, "--", str(tmp_path / "two.mqoz")], capture_output=True, timeout=300)
    assert done.returncode == 0, done.stderr[-3000:]
    assert b"SIZES [[%d], [%d], [%d]]" % (len(png), len(png) + 5, len(png)) in done.stdout


ADD_ON = """
import bpy, json, os, sys
package, lantern, refused, part, out = sys.argv[sys.argv.index("--") + 1:]
bpy.ops.wm.read_factory_settings(use_empty=True)
if bpy.app.version >= (4, 2):  # an extension, in the user's own repository
    bpy.ops.extensions.package_install_files(filepath=package, repo="user_default", enable_on_install=True)
else:
    bpy.ops.preferences.addon_install(filepath=package, target="DEFAULT", overwrite=True)
    bpy.ops.preferences.addon_enable(module="io_import_mqo_mivka")
assert bpy.ops.import_scene.mivka_mqo(filepath=lantern, scale=0.5) == {"FINISHED"}
found = {"objects": [[o.name, o.parent.name if o.parent else None, len(o.data.polygons)]
                     for o in bpy.context.scene.objects]}
# Two documents at once, as the file browser or a drop hands them over.
for obj in list(bpy.data.objects):
    bpy.data.objects.remove(obj)
assert bpy.ops.import_scene.mivka_mqo(directory=os.path.dirname(lantern), files=[{"name": "lantern.mqo"}] * 2,
                                      scale=0.5) == {"FINISHED"}
found["twice"] = len(bpy.context.scene.objects)
handlers = bpy.types.FileHandler.__subclasses__() if hasattr(bpy.types, "FileHandler") else []
found["drop"] = [[h.bl_import_operator, h.bl_file_extensions] for h in handlers
                 if h.bl_import_operator == "import_scene.mivka_mqo"]
found["blender"] = list(bpy.app.version)
# What did not come across whole is told in Blender's own words.
try:
    found["refused"] = sorted(bpy.ops.import_scene.mivka_mqo(filepath=refused))
except RuntimeError as error:  # an operator's error report, in the background
    found["refused"] = str(error)
found["part"] = sorted(bpy.ops.import_scene.mivka_mqo(filepath=part))
# A document that raises is told, and the others chosen with it go on.
import Mivka
readmqo = Mivka.readmqo
def failing(path):
    if os.fsencode(path).endswith(b"part.mqo"):
        raise OSError("the document was cut short while it was read")
    return readmqo(path)
Mivka.readmqo = failing
for obj in list(bpy.data.objects):
    bpy.data.objects.remove(obj)
try:
    bpy.ops.import_scene.mivka_mqo(directory=os.path.dirname(part),
                                   files=[{"name": "part.mqo"}, {"name": "copy.mqo"}])
except RuntimeError as error:
    found["raised"] = str(error)
found["after"] = len(bpy.context.scene.objects)
json.dump(found, open(out, "w"))
"""


def test_the_add_on_installs_as_users_install_it_and_imports(tmp_path, capfd):
    """From its zip before Blender 4.2, as an extension since; documents
    dropped on the viewport from 4.1 on."""
    built = subprocess.run([str(ROOT / "scripts" / "addon.sh")], check=True, capture_output=True,
                           env=dict(os.environ, MIVKA_BUILD_DIR=str(BUILD)))
    package = built.stdout.decode().strip().splitlines()[-1]
    out = tmp_path / "found.json"
    (tmp_path / "refused.mqo").write_text("Metasequoia Document\nFormat Text Ver 2.0\n")
    (tmp_path / "part.mqo").write_text(HEAD + obj("a") + "%%%\n")
    shutil.copy(ROOT / "samples" / "lantern.mqo", tmp_path / "copy.mqo")
    done = subprocess.run(["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python-expr", ADD_ON,
                           "--", package, str(ROOT / "samples" / "lantern.mqo"), str(tmp_path / "refused.mqo"),
                           str(tmp_path / "part.mqo"), str(out)],
                          capture_output=True, timeout=600, env=dict(os.environ, HOME=str(tmp_path)))
    assert done.returncode == 0, done.stderr[-3000:]
    found = json.loads(out.read_text())
    assert found["objects"] == [["body", None, 6], ["handle", "body", 1]]
    assert found["twice"] == 4
    assert found["drop"] == ([["import_scene.mivka_mqo", ".mqo;.mqoz"]] if found["blender"] >= [4, 1] else [])
    assert "refused.mqo is not a Metasequoia text document of format 1.x" in found["refused"]
    assert found["part"] == ["FINISHED"]
    assert "import of part.mqo stopped: OSError: the document was cut short" in found["raised"]
    assert found["after"] == 2
    assert b"part.mqo was read only in part: it stopped at line 16: %%%" in done.stdout + done.stderr


HOSTILE = """
import json, os, sys
sys.path[:0] = [%r, %r, %r]
import bpy
import Blender, Mivka
from Blender import versions
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
""" % (str(BUILD), str(ROOT / "hosts" / "bpy"), str(ROOT / "hosts" / "common"))


def test_documents_that_broke_blender_convert(tmp_path):
    (tmp_path / "many.mqo").write_text(many_materials(32769))
    (tmp_path / "projected.mqo").write_text(projected("p"))
    (tmp_path / "again.mqo").write_text(rotated_again())
    (tmp_path / "huge.mqo").write_text(huge_coordinate())
    (tmp_path / "long.mqo").write_text(long_name())
    (tmp_path / "holes.mqo").write_text(faces_with_holes(100, 256))
    empty = "\tvertex 0 {\n\t}\n\tface 0 {\n\t}\n"
    (tmp_path / "empty.mqo").write_text(HEAD + obj("a", ("depth 0", "translation 5 0 0"), empty) +
                                        obj("b", ("depth 1", "translation 5 1 0")) + obj("c", ("depth 1",), empty) +
                                        obj("e", ("depth 2",)) + obj("d", ("depth 0",), empty))
    named = HEAD.encode() + obj("\u00b1").encode("utf-8")
    (tmp_path / "guessed.mqo").write_bytes(named)
    (tmp_path / "cp932.mqo").write_bytes(named.replace(b"1.0\n", b"1.1\nCodePage 932\n"))
    (tmp_path / "newer.mqo").write_text(HEAD + 'Material 1 {\n\t"v" vcol(1) dbls(0) refract(1.5) spc_col(0.5 0.25 1) '
                                        'tex("textures/wood.png")\n}\n'
                                        + obj("o", (), TRIANGLE.replace("V(0 1 2)", "V(0 1 2) M(0)")))
    (tmp_path / "display.mqo").write_text(display_settings())
    (tmp_path / "alike.mqo").write_text(HEAD + 'Material 6 {\n\t"a" col(1 0 0 0.5)\n\t"b" col(0 1 0 0.5)\n'
                                        '\t"c" col(0 0 1 0.25)\n\t"d" col(1 1 0 1) emi(0.5)\n'
                                        '\t"e" col(0 1 1 1) emi(0.25)\n\t"f" col(1 0 1 1) vcol(1)\n}\n')
    (tmp_path / "textures").mkdir()
    (tmp_path / "textures" / "wood.png").write_bytes(
        bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de"
                      "0000000c4944415408d763f8cfc000000301010018dd8db00000000049454e44ae426082"))
    (tmp_path / "model").mkdir()
    (tmp_path / "model" / "m.mqo").write_text(HEAD + 'Material 1 {\n\t"w" tex("../textures/wood.png")\n}\n'
                                              + obj("o"))
    with zipfile.ZipFile(tmp_path / "bomb.mqoz", "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("bomb.mqo", HEAD + 'Material 1 {\n\t"b" tex("layers.psd")\n}\n')
        archive.writestr("layers.psd", b"8BPS\0\1" + bytes(6) + struct.pack(">HIIHH", 3, 30000, 30000, 8, 3))
    out = tmp_path / "found.json"
    done = subprocess.run(["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python-expr", HOSTILE,
                           "--", str(tmp_path), str(out)], capture_output=True, timeout=900)
    assert done.returncode == 0, done.stderr[-3000:]
    assert b"Mesh many uses 32769 materials; Blender holds 32767" in done.stdout
    found = json.loads(out.read_text())
    assert (found["slots"], found["last_slot"]) == (32767, 32766)
    assert found["after_new_file"] == ["o"]
    assert found["far"][0] == float("inf") and found["far"][1:] == [0.0, 0.0]
    assert found["empty"] == [["a", None, [5, 0, 0]], ["b", "a", [5, 0, 1]], ["c", "a", [0, 0, 0]],
                              ["e", "c", [0, 0, 0]]]
    ring = 256 / 2 * 100 * math.sin(2 * math.pi / 256) - 256 / 2 * 4 * math.sin(2 * math.pi / 256)
    assert found["holes"][0] == [96.0, found["holes"][0][1]] and found["holes"][1][0] == pytest.approx(100 * ring)
    # Blender names hold 63 bytes before 5.0, 255 since.
    assert found["long"] == [["N" * (63 if found["blender"] < [5, 0] else 100), "N" * 100]]
    assert found["images"] == ["my wood"] and found["textured"] == ["my wood"]
    assert found["smooth"] == [[True], True, 40.0] or found["smooth"] == [[True]] and found["blender"] >= [4, 1]
    assert found["hidden"] == [True, True, False, False]
    assert found["mirrored"] == [1, 4]
    assert found["curved"] == [[["SUBSURF", 1, 2]], ["weit"], [[0, 1.0], [2, 0.5]]]
    assert found["turned"] == [["SCREW", "SUBSURF"], "Z", 1024]
    assert found["code_page"] == [["\u00b1", None], ["\uff82\uff71", None]]
    assert found["bomb"] == [["b"], []]
    assert b"layers.psd]: 30000 x 30000 pixels, more than 16384 pixels on a side" in done.stdout
    assert found["newer"] == [True, 1.5, [0.5, 0.25, 1.0], "MULTIPLY", ["TEX_IMAGE"], ["VERTEX_COLOR"], [1, 1, 1, 1]]
    black = [0.0, 0.0, 0.0]  # the light given off: colour times strength
    assert found["alike"] == [["a", [1, 0, 0], 0.5, black], ["b", [0, 1, 0], 0.5, black],
                              ["c", [0, 0, 1], 0.25, black], ["d", [1, 1, 0], 1, [0.5, 0.5, 0]],
                              ["e", [0, 1, 1], 1, [0, 0.25, 0.25]], ["f", [1, 0, 1], 1, black]]


def test_documents_written_as_gltf_beside_each_other_keep_their_own_textures(tmp_path):
    """Two documents whose textures have one file name: each .gltf has its
    own folder of textures, and one already there is left alone."""
    red = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de"
                        "0000000c4944415408d763f8cfc000000301010018dd8db00000000049454e44ae426082")
    out = tmp_path / "out"
    out.mkdir()
    (out / "wood.png").write_bytes(b"the user's own")
    written = []
    for name, picture in (("red", red), ("blue", (ROOT / "samples" / "lantern.png").read_bytes())):
        (tmp_path / name).mkdir()
        (tmp_path / name / "wood.png").write_bytes(picture)
        (tmp_path / name / "m.mqo").write_text(HEAD + 'Material 1 {\n\t"w" tex("wood.png")\n}\n' + obj(
            "o", (), TRIANGLE.replace("V(0 1 2)", "V(0 1 2) M(0) UV(0 0 1 0 1 1)")))
        done = run(tmp_path / name / "m.mqo", "-o", out / (name + ".gltf"), timeout=600)
        assert done.returncode == 0, done.stderr[-2000:]
        gltf = json.loads((out / (name + ".gltf")).read_text())
        written.append((out / gltf["images"][0]["uri"]).read_bytes())
    assert [len(w) for w in written] == [len(red), len((ROOT / "samples" / "lantern.png").read_bytes())]
    assert (out / "wood.png").read_bytes() == b"the user's own"


def test_textures_named_as_on_windows_are_found_and_loaded(tmp_path):
    """A document written on Windows names its textures in Shift_JIS. One
    file unpacked beside it keeps that name, which Blender cannot open (it
    opens files by UTF-8 names only): the image comes from a copy and keeps
    its bytes. The other was unpacked with its name in UTF-8 and other
    letter case, and the document names it by a path of its author's
    machine."""
    name = "\u8868\u9762.png".encode("cp932")  # the second byte of the first is a backslash
    picture = (ROOT / "samples" / "lantern.png").read_bytes()
    with open(os.fsencode(tmp_path) + b"/" + name, "wb") as image:
        image.write(picture)
    (tmp_path / "\u30bd.PNG").write_bytes(picture)
    document = (ROOT / "samples" / "lantern.mqo").read_bytes().replace(b'tex("lantern.png")', b'tex("' + name + b'")')
    document = document.replace(b"power(40.00)", b'power(40.00) tex("C:\\Users\\me\\' +
                                "\u30bd.png".encode("cp932") + b'")')
    (tmp_path / "doc.mqo").write_bytes(document)
    done = run(tmp_path / "doc.mqo", "-o", tmp_path / "out.blend", timeout=600)
    assert done.returncode == 0 and b"Unable" not in done.stdout, done.stdout[-2000:]
    shown = subprocess.run(["blender", "-b", str(tmp_path / "out.blend"), "--python-expr",
                            "import bpy, os; print('IMAGES', sorted((i.name, i.packed_file.size if i.packed_file "
                            "else os.path.basename(i.filepath)) for i in bpy.data.images))"],
                           capture_output=True, timeout=300)
    assert ("IMAGES [('\u30bd.PNG', '\u30bd.PNG'), ('\u8868\u9762.png', %d)]" % len(picture)).encode() in shown.stdout, \
        shown.stdout[-2000:]


def test_the_command_through_blender_reports_in_one_line(tmp_path):
    from hostile_documents import depth_chain, outside_layout
    path = outside_layout(tmp_path)
    done = run("-o", tmp_path / "x.glb", "--", path)
    assert done.returncode == 0 and (tmp_path / "x.glb").stat().st_size > 0, done.stderr[-3000:]
    assert b"Textures from outside the document's folder: 1\n" in done.stdout
    deep = tmp_path / "deep.mqo"
    deep.write_text(depth_chain(400))
    failed = run(deep, "-o", tmp_path / "deep.glb")
    assert failed.returncode == 1 and b"Traceback" not in failed.stdout + failed.stderr
    assert failed.stderr.strip().splitlines() == [failed.stderr.strip()] and b"399 levels deep" in failed.stderr
    assert b".blend and .fbx can hold this scene" in failed.stderr


def test_a_library_converts_in_one_command_and_survives_a_bad_document(tmp_path):
    library = tmp_path / "library"
    (library / "sub").mkdir(parents=True)
    (library / "good.mqo").write_text(HEAD + obj("a"))
    (library / "sub" / "nested.MQO").write_text(HEAD + obj("b"))
    (library / "stopped.mqo").write_text(HEAD + obj("c") + "%%%\n")
    (library / "failing.mqo").write_text(HEAD + obj("d", (), TRIANGLE.replace("3 V(0 1 2)", "3 V(0 1 9)")))
    (library / "notes.txt").write_text("not a document")
    with zipfile.ZipFile(library / "good.mqoz", "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("good.mqo", HEAD + obj("e"))
    done = run(library, "-o", tmp_path / "out", "--format", "glb", "--jobs", "2")
    assert done.returncode == 1, done.stderr
    lines = done.stdout.decode().splitlines()
    assert sorted(line.split(": ", 2)[2] for line in lines if line.startswith("mivka: [")) == \
        ["converted whole", "converted whole", "converted whole", "failed", "stopped early"]
    assert lines[-5:-2] == ["converted whole: 3", "stopped early:   1", "failed:          1"]
    assert "failing.mqo: failed (the conversion stopped: IndexError: list index out of range)" in lines[-2]
    # The archive beside a document of the same name keeps its whole name.
    assert sorted(str(p.relative_to(tmp_path / "out")) for p in (tmp_path / "out").rglob("*.glb")) == \
        ["good.glb", "good.mqoz.glb", "stopped.glb", "sub/nested.glb"]
    whole = run(library / "good.mqo", library / "sub", "-o", tmp_path / "again", "--format", "blend")
    assert whole.returncode == 0 and (tmp_path / "again" / "nested.blend").exists()


def test_a_face_of_millions_of_corners_over_two_vertices_stays_within_memory(tmp_path):
    """4,000,000 corners going to and fro between two vertices (8 MB): no
    polygon, and at most fifty bytes a document byte on top of Blender."""
    path = tmp_path / "zigzag.mqo"
    count = 4000000
    path.write_text(HEAD.replace("1.0", "1.1") + obj("o", (), "\tvertex 2 {\n\t\t0 0 0\n\t\t1 0 0\n\t}\n\tface 1 {\n"
                                                       "\t\t%d V(%s)\n\t}\n" % (count, " 0 1" * (count // 2))))
    script = ("import sys, resource\nsys.path[:0] = [%r, %r, %r]\nimport Blender, Mivka\n"
              "before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss\n"
              "Blender.Registry.SetKey('Mivka', {'Extended': True})\nMivka.readmqo(sys.argv[-1])\n"
              "import bpy\nprint('GROWTH', (resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before) * 1024, "
              "len(bpy.data.objects['o'].data.polygons))\n"
              % (str(BUILD), str(ROOT / "hosts" / "bpy"), str(ROOT / "hosts" / "common")))
    done = subprocess.run(["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python-expr", script,
                           "--", str(path)], capture_output=True, timeout=600)
    assert done.returncode == 0, done.stderr[-2000:]
    growth, polygons = map(int, done.stdout.split(b"GROWTH ")[1].split()[:2])
    assert polygons == 0 and growth < 50 * path.stat().st_size


def test_a_preview_shows_a_model_that_spans_the_float_range(tmp_path):
    (tmp_path / "far.mqo").write_text(HEAD + obj("near") + obj("far", (), "\tvertex 3 {\n\t\t-3e38 0 0\n\t\t3e38 0 0\n"
                                                             "\t\t0 3e38 3e38\n\t}\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n"))
    picture = tmp_path / "far.png"
    done = run(tmp_path / "far.mqo", "--render", picture)
    assert done.returncode == 0, done.stderr
    shades = subprocess.run(["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python-expr",
                             "import bpy, sys; i = bpy.data.images.load(sys.argv[-1]); "
                             "print('SHADES', len(set(round(p, 2) for p in list(i.pixels)[0::4])))",
                             "--", str(picture)], capture_output=True, timeout=300)
    assert int(shades.stdout.split(b"SHADES ")[1].split()[0]) > 2, shades.stdout[-2000:]


def test_every_real_document_exports_every_face_it_draws(tmp_path):
    """Objects that a modifier reshapes (mirrored, turned, subdivided) aside."""
    import Blender

    rows = corpus_table()
    done = run(CORPUS, "-o", tmp_path, "--format", "glb", "--jobs", "2")
    assert b"failed:          0" in done.stdout, done.stdout[-3000:]
    compared = 0
    for row in rows:
        memory = memory_scene(CORPUS / row["file"])
        if "error" in memory or any(o.modifiers for o in Blender.Scene.getCurrent().objects):
            continue
        triangles = sum(len(f["corners"]) - 2 for o in memory["objects"] for f in o["faces"])
        glb = tmp_path / (os.path.splitext(row["file"])[0] + ".glb")
        assert glb_counts(glb)["triangles"] == triangles, row["file"]
        compared += 1
    assert compared > len(rows) / 2
