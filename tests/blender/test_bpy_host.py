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
from rigged_documents import write_rig
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


def inside(script, *arguments, timeout, **environment):
    """One of the scripts of inside/ run in Blender with `arguments`."""
    return subprocess.run(["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python",
                           str(ROOT / "tests" / "blender" / "inside" / script), "--"] + [str(a) for a in arguments],
                          capture_output=True, timeout=timeout,
                          env=dict(os.environ, MIVKA_BUILD_DIR=str(BUILD), **environment))


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
    rigged = (folder / "rigged").mkdir() or write_rig(folder / "rigged")
    return [generated, ROOT / "samples" / "lantern.mqo"] + placements + [rigged] + corpus


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


def test_a_rigged_character_poses_and_exports_its_skin_and_morphs(tmp_path, capfd):
    document = write_rig(tmp_path)
    done = inside("posed.py", document, timeout=300)
    assert done.returncode == 0, done.stderr[-3000:]
    seen = json.loads(done.stdout.split(b"POSED ")[1].splitlines()[0])
    # A quarter turn about Z through the bone's head (10, 0, 95): the
    # vertices it weighs whole turn with it; those it does not weigh stay.
    def flat(points):
        return [c for p in points for c in p]

    assert flat(seen["rest"]["arm"][1:]) == pytest.approx([60, 0, 90, 60, 0, 100], abs=1e-4)
    assert flat(seen["posed"]["arm"][1:]) == pytest.approx([10, 50, 90, 10, 50, 100], abs=1e-4)
    assert flat(seen["posed"]["body"]) == pytest.approx(flat(seen["rest"]["body"]), abs=1e-4)

    glb = tmp_path / "rig.glb"
    done = run(document, "-o", glb)
    assert done.returncode == 0, done.stderr[-3000:]
    data = glb.read_bytes()
    length = struct.unpack_from("<I", data, 12)[0]
    gltf = json.loads(data[20:20 + length])
    assert [len(skin["joints"]) for skin in gltf["skins"]] == [4]
    targets = {mesh["name"]: [len(p.get("targets", [])) for p in mesh["primitives"]] for mesh in gltf["meshes"]}
    assert targets["face"] == [2] and "smile" not in targets


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


def test_textures_of_one_file_name_in_different_folders_of_an_archive_stay_apart(tmp_path):
    png = (ROOT / "samples" / "lantern.png").read_bytes()
    document = HEAD.replace("1.0", "1.1") + ('Material 3 {\n\t"a" tex("a/t.png")\n\t"b" tex("b/t.png")\n'
                                             '\t"c" tex("a/t.png")\n}\n')
    with zipfile.ZipFile(tmp_path / "two.mqoz", "w") as archive:
        archive.writestr("two.mqo", document)
        archive.writestr("a/t.png", png)
        archive.writestr("b/t.png", png + b"other")
    done = inside("two_textures.py", tmp_path / "two.mqoz", timeout=300)
    assert done.returncode == 0, done.stderr[-3000:]
    assert b"SIZES [[%d], [%d], [%d]]" % (len(png), len(png) + 5, len(png)) in done.stdout


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
    done = inside("add_on.py", package, ROOT / "samples" / "lantern.mqo", tmp_path / "refused.mqo",
                  tmp_path / "part.mqo", out, timeout=600, HOME=str(tmp_path))
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


def write_documents_that_broke_blender(folder):
    """The documents that hostile.py converts, into `folder`."""
    (folder / "many.mqo").write_text(many_materials(32769))
    (folder / "projected.mqo").write_text(projected("p"))
    (folder / "again.mqo").write_text(rotated_again())
    (folder / "huge.mqo").write_text(huge_coordinate())
    (folder / "long.mqo").write_text(long_name())
    (folder / "holes.mqo").write_text(faces_with_holes(100, 256))
    empty = "\tvertex 0 {\n\t}\n\tface 0 {\n\t}\n"
    (folder / "empty.mqo").write_text(HEAD + obj("a", ("depth 0", "translation 5 0 0"), empty) +
                                        obj("b", ("depth 1", "translation 5 1 0")) + obj("c", ("depth 1",), empty) +
                                        obj("e", ("depth 2",)) + obj("d", ("depth 0",), empty))
    named = HEAD.encode() + obj("\u00b1").encode("utf-8")
    (folder / "guessed.mqo").write_bytes(named)
    (folder / "cp932.mqo").write_bytes(named.replace(b"1.0\n", b"1.1\nCodePage 932\n"))
    (folder / "newer.mqo").write_text(HEAD + 'Material 1 {\n\t"v" vcol(1) dbls(0) refract(1.5) spc_col(0.5 0.25 1) '
                                        'tex("textures/wood.png")\n}\n'
                                        + obj("o", (), TRIANGLE.replace("V(0 1 2)", "V(0 1 2) M(0)")))
    (folder / "display.mqo").write_text(display_settings())
    (folder / "alike.mqo").write_text(HEAD + 'Material 6 {\n\t"a" col(1 0 0 0.5)\n\t"b" col(0 1 0 0.5)\n'
                                        '\t"c" col(0 0 1 0.25)\n\t"d" col(1 1 0 1) emi(0.5)\n'
                                        '\t"e" col(0 1 1 1) emi(0.25)\n\t"f" col(1 0 1 1) vcol(1)\n}\n')
    (folder / "textures").mkdir()
    (folder / "textures" / "wood.png").write_bytes(
        bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de"
                      "0000000c4944415408d763f8cfc000000301010018dd8db00000000049454e44ae426082"))
    (folder / "model").mkdir()
    (folder / "model" / "m.mqo").write_text(HEAD + 'Material 1 {\n\t"w" tex("../textures/wood.png")\n}\n'
                                              + obj("o"))
    with zipfile.ZipFile(folder / "bomb.mqoz", "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("bomb.mqo", HEAD + 'Material 1 {\n\t"b" tex("layers.psd")\n}\n')
        archive.writestr("layers.psd", b"8BPS\0\1" + bytes(6) + struct.pack(">HIIHH", 3, 30000, 30000, 8, 3))


def test_documents_that_broke_blender_convert(tmp_path):
    write_documents_that_broke_blender(tmp_path)
    out = tmp_path / "found.json"
    done = inside("hostile.py", tmp_path, out, timeout=900)
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
    done = inside("memory_growth.py", path, timeout=600)
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
