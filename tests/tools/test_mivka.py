"""The mivka command: exit status, registry options, summary and JSON."""

import json
import sys
import tempfile

import pytest

import mivka_command
from mivka_command import batch, scene
from conftest import ROOT, run_mivka as run
from hostile_documents import HEAD as TEXT_HEAD, outside_layout

HEAD = TEXT_HEAD.encode()


def test_a_console_longer_than_a_pipe_holds_does_not_block_the_command(tmp_path):
    """The module writes its console while it holds the interpreter's lock:
    the command must empty the pipe without needing that lock. Long names
    are cut short on the console."""
    path = tmp_path / "long.mqo"
    names = b"".join(b'\t"' + b"n" * 1000 + b'"\n' for _ in range(2999))
    path.write_bytes(HEAD + b'Material 3000 {\n\t"' + b"n" * 200000 + b'"\n' + names + b"}\n")
    done = run(path, timeout=120)
    assert done.returncode == 0, done.stderr
    assert b"Materials: 3000\n" in done.stdout
    console = [line for line in done.stdout.splitlines() if line.startswith(b"Creating Material -")]
    assert len(console) == 3000 and {len(line) for line in console} == {len(b"Creating Material -") + 203}


def test_a_converted_document_exits_zero_with_the_console_and_a_summary(tmp_path):
    path = tmp_path / "doc.mqo"
    path.write_bytes(HEAD + b"Material 1 {\n}\n")
    done = run(path)
    assert done.returncode == 0, done.stderr
    assert done.stdout.startswith(b"Beginning Conversion." + bytes(path) + b"\n")
    assert b"Objects: 0\nMaterials: 0\n" in done.stdout
    # A hierarchy deeper than Python's recursion limit.
    empty = b'Object "o%d" {\n\tdepth %d\n\tvertex 0 {\n\t}\n\tface 0 {\n\t}\n}\n'
    path.write_bytes(HEAD + b"".join(empty % (i, i) for i in range(1200)))
    done = run(path)
    assert done.returncode == 0, done.stderr
    assert b"\n" + b"  " * 32 + b"(level 1200) o1199 [Mesh]: 0 vertices" in done.stdout


@pytest.mark.parametrize("content, options, reason", [
    (None, [], b"mivka: cannot open"),
    (b"Metasequoia Document\nFormat Text Ver 2.0\nScene {}\n", [], b"of format 1.x\n"),
    (b"Metasequoia Document\nFormat Text Ver 1.1\nScene {}\n", ["--strict"], b"of format 1.0\n"),
    (b"PK\x03\x04 cut short", [], b"mivka: cannot read the archive "),
])
def test_failures_exit_non_zero_with_one_line(tmp_path, content, options, reason):
    path = tmp_path / "doc.mqo"
    if content is not None:
        path.write_bytes(content)
    failed = run(path, *options)
    assert failed.returncode == 1
    assert failed.stderr.count(b"\n") == 1 and reason in failed.stderr


def test_a_raising_host_ends_with_its_error(monkeypatch, tmp_path, host, capsys):
    path = tmp_path / "doc.mqo"
    path.write_bytes(HEAD)
    monkeypatch.setattr(host.Window, "DrawProgressBar", lambda f, t: 1 / 0)
    assert mivka_command.main([str(path)]) == 1
    assert "ZeroDivisionError" in capsys.readouterr().err


def test_options_reach_the_registry_record(tmp_path, host, progress):
    path = tmp_path / "doc.mqo"
    path.write_bytes(HEAD)
    out = tmp_path / "scene.json"
    assert mivka_command.main([str(path), "--scale", "0.01", "--texture-dir", "ColorMap=/tex",
                           "--texture-dir", "alpha=/masks", "--json", str(out)]) == 0
    assert host.Registry.GetKey("Mivka") == {"Scale": 0.01, "ColorMap": "/tex", "AlphaMap": "/masks", "Extended": True}
    assert json.loads(out.read_text()) == {"objects": [], "meshes": [], "armatures": [], "materials": [],
                                           "textures": [], "images": []}
    assert progress == [(0.0, "..."), (1.0, "Done")]


def test_usage_errors_and_help():
    assert run("--texture-dir", "Shiny=/x", "a.mqo").returncode == 2
    shown = run("--help")
    assert shown.returncode == 0
    for option in (b"--scale", b"--texture-dir", b"--json", b"ColorMap"):
        assert option in shown.stdout


def test_scene_data_and_summary_describe_the_whole_scene(host):
    M = host.Mathutils
    parent = host.Object.New("Mesh", b"\x83\x7d\x83\x65")  # Shift_JIS
    child = host.Object.New("Mesh", "child".encode())
    mesh = host.NMesh.New(b"m")
    for co in ((0, 0, 0), (1, 0, 0), (0, 1, 0)):
        mesh.verts.append(host.NMesh.Vert(*co))
    face = host.NMesh.Face(list(mesh.verts))
    face.uv = [(0.0, 1.0)] * 3
    face.col = [host.NMesh.Col(1, 2, 3, 4)] * 3
    mesh.faces.append(face)
    material = host.Material.New(b"paper")
    texture = host.Texture.New("ColorMap")
    material.setTexture(0, texture, host.Texture.TexCo.UV, host.Texture.MapTo.COL)
    mesh.addMaterial(material)
    parent.link(mesh)
    parent.setMatrix(M.TranslationMatrix(M.Vector((1, 2, 3))))
    host.Scene.getCurrent().link(parent)
    parent.makeParent([child])

    data = scene.scene_data()
    assert data["objects"][0]["name"] == "\u30de\u30c6"
    assert data["objects"][0]["matrix"][3] == [1.0, 2.0, 3.0, 1.0]
    assert data["objects"][1]["parent"] == 0 and data["objects"][1]["mesh"] is None
    assert data["meshes"][0]["faces"] == [{"vertices": [0, 1, 2], "material_index": 0,
                                           "uv": [[0.0, 1.0]] * 3, "colours": [[1, 2, 3, 4]] * 3}]
    assert data["materials"][0]["textures"][0]["texture"] == 0
    text = scene.summary(data)
    assert "  \u30de\u30c6 [Mesh]: 3 vertices, 1 faces, 0 edges; materials paper" in text
    assert "    child [Mesh] (not in the scene)" in text
    assert "paper: colour (0.8 0.8 0.8), alpha 1; ColorMap no image" in text
    # A chain 40,000 deep: its lines stop growing.
    chain = {"objects": [{"name": "o%d" % i, "type": "Empty", "mesh": None, "in_scene": True,
                          "parent": i - 1 if i else None} for i in range(40000)], "materials": []}
    text = scene.summary(chain)
    assert len(text) < 100 * 40000 and "\n" + "  " * 32 + "(level 40000) o39999 [Empty]\n" in text


def test_names_decode_as_utf8_then_shift_jis_then_bytewise():
    assert scene.decode_name("\u00e9".encode()) == "\u00e9"
    assert scene.decode_name(b"\x83\x7d") == "\u30de"
    assert scene.decode_name(b"\x81 ") == "\u0081 "


def test_a_code_page_is_kept_only_where_any_bytes_become_a_name():
    """Codecs that turn bytes into bytes, raise whatever the handler, take
    quadratic time or make lone surrogates fall back to the guess; every
    other codec Python knows decodes any name."""
    import encodings.aliases

    from blender24 import names

    name = "\u00b1 \\ud800 +2AA- xn--".encode("utf-8") + bytes(range(256))
    try:
        for page in ("base64", "rot13", "hex", "zlib", "bz2", "uu", "quopri", "undefined", "idna", "punycode",
                     "unicode_escape", "raw_unicode_escape", "utf7"):
            names.use_code_page(page.encode())
            assert names.code_page() is None, page
            assert names.decode_name("\u00b1".encode()) == "\u00b1"
        for page in sorted(set(encodings.aliases.aliases.values())) + ["932", "utf8", "65001"]:
            names.use_code_page(page)
            text = names.decode_name(name)
            assert isinstance(text, str) and not any("\ud800" <= c <= "\udfff" for c in text), page
    finally:
        names.use_code_page(None)


def test_a_dash_name_far_coordinates_and_textures_from_elsewhere(tmp_path):
    path = outside_layout(tmp_path)
    out = tmp_path / "scene.json"
    done = run("--scale", "1e300", "--json", out, "--", path)
    assert done.returncode == 0, done.stderr
    listed = "Textures from outside the document's folder: 1\n  %s\n" % (tmp_path / "textures" / "wood.png")
    assert listed.encode() in done.stdout
    # Infinity is no JSON number: it is written as null.
    assert json.loads(out.read_text())["meshes"][0]["vertices"][0] == [None, 0.0, 0.0]


def test_a_document_read_only_in_part_exits_three(tmp_path):
    path = tmp_path / "doc.mqo"
    path.write_bytes(HEAD + b"Material 1 {\n\t\"m\"\n}\n%%%\n")
    done = run(path)
    assert done.returncode == 3 and b"Stopped reading at line 9: %%%" in done.stdout
    assert done.stdout.endswith(b"Materials: 1\n  m: colour (0.8 0.8 0.8), alpha 1\n")
    assert done.stderr.count(b"\n") == 1 and b"reading stopped before the end of" in done.stderr
    # A document that ends inside an object, after its vertices.
    path.write_bytes(HEAD + b'Object "a" {\n\tvertex 1 {\n\t\t0 0 0\n\t}\n')
    done = run(path)
    assert done.returncode == 3 and b'Stopped reading at line 6: Object "a" {' in done.stdout


# Stands in for Blender in a batch: converts by writing the document's path
# into its output, ends at once at a document named crash*, and sleeps at one
# named slow*.
STAND_IN = r'''
import json, os, sys, tempfile, time
sys.path[:0] = [%r, %r]
from mivka_command.batch import shown
job_file, result_file = sys.argv[-2:]
job = json.load(open(job_file))
results = {}
for item in job["items"]:
    name = os.path.basename(item["document"])
    # As Blender and the module leave temporary files when killed.
    open(os.path.join(tempfile.mkdtemp(prefix="blender_"), "quit.blend"), "w").close()
    if name.startswith("crash"):
        os._exit(9)
    if name.startswith("slow"):
        time.sleep(60)
    with open(item["outputs"][0], "a") as out:
        out.write(item["document"] + "\0")
    results[item["document"]] = {"status": "converted whole", "reason": "", "output": item["outputs"][0]}
    json.dump(results, open(result_file, "w"))
    print("mivka: [%%d/%%d] %%s: converted whole" %% (item["number"], job["count"], shown(item["document"])),
          flush=True)
''' % (str(ROOT / "tools"), str(ROOT / "hosts" / "common"))


@pytest.mark.parametrize("jobs", ["1", "2"])
def test_a_batch_goes_on_past_a_dying_or_hanging_blender_and_never_shares_an_output(jobs, tmp_path, monkeypatch,
                                                                                    capfd):
    stand_in = tmp_path / "stand_in.py"
    stand_in.write_text(STAND_IN)
    monkeypatch.setattr(batch, "blender_command", lambda needing: [sys.executable, str(stand_in)])
    temporary = tmp_path / "tmp"
    temporary.mkdir()
    monkeypatch.setenv("TMPDIR", str(temporary))
    monkeypatch.setattr(tempfile, "tempdir", None)
    inputs = []
    for folder in ("a", "b", "c"):
        (tmp_path / folder).mkdir()
        inputs.append(tmp_path / folder / "m.mqo")
    library = tmp_path / "lib"
    library.mkdir()
    for name in ("crash.mqo", "slow.mqo", "new\nline.mqo", "z.mqo"):
        inputs.append(library / name)
    for path in inputs:
        path.write_bytes(HEAD)
    out = tmp_path / "out"
    # Named twice, and again through their folder: each converted once.
    named = [str(p) for p in inputs] + [str(inputs[0]), str(library)]
    status = mivka_command.main(named + ["-o", str(out), "--jobs", jobs, "--timeout", "2"])
    printed = capfd.readouterr().out
    assert status == 1
    assert "failed:          2\n" in printed and "converted whole: 5\n" in printed and "/7]" in printed
    assert "/8]" not in printed
    assert "crash.mqo: failed (Blender ended while converting it)" in printed
    assert "slow.mqo: failed (took longer than 2 s)" in printed
    assert "new\\nline.mqo: converted whole" in printed
    # Every converted document wrote a file of its own.
    written = {p.name: p.read_text() for p in out.iterdir()}
    assert sorted(written) == ["m-2.glb", "m.glb", "m.mqo.glb", "new\nline.glb", "z.glb"]
    assert sorted(written.values()) == sorted("%s\0" % p for p in inputs if p.stem not in ("crash", "slow"))
    assert "is another document's output; writing" in printed
    # What the Blenders left in their temporary folders went with them.
    assert list(temporary.iterdir()) == []
