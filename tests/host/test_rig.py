"""A rigged character: the companion (.mqx) that the document names gives
an armature, a vertex group per bone with its weights and an armature
modifier on each object the bones move, and shape keys from the morphs;
a companion that is missing, broken or hostile leaves the scene as it is
without one, with one console line."""

import io
import zipfile

import pytest

from rigged_documents import companion_text, document_text, write_rig
from scene_snapshot import snapshot_memory


def rig_scene(host, convert, path):
    host.Registry.SetKey("Mivka", {"Extended": True})
    console = convert(str(path))
    scene = host.Scene.getCurrent()
    return console, {obj.name: obj for obj in scene.objects}, scene


def bones_of(armature_object):
    return {b.name: (list(b.head), list(b.tail), b.parent.name if b.parent else None,
                     host_hidden(b)) for b in armature_object.getData(0, 1).bones.values()}


def host_hidden(bone):
    from blender24.armatures import Options

    return Options.HIDDEN_EDIT in bone.options


def weights_of(obj):
    mesh = obj.getData(0, 1)
    per_vertex = [{} for _ in mesh.verts]
    for group in mesh.getVertGroupNames():
        for number, weight in mesh.getVertsFromGroup(group, 1):
            per_vertex[number][group] = round(weight, 6)
    return per_vertex


# Newer versions write joints without tips: a bone points at its first
# child, one without children along its parent.
@pytest.mark.parametrize("newer, arm_tail", [(False, [60, 0, 95]), (True, [10, 0, 105])], ids=["BoneSet", "BoneSet2"])
def test_a_rigged_character_comes_with_its_skeleton_skin_and_morphs(newer, arm_tail, tmp_path, host, convert):
    console, objects, scene = rig_scene(host, convert, write_rig(tmp_path, companion=companion_text(newer=newer)))
    assert b"Companion file read. " + str(tmp_path / "rig.mqx").encode() + b": 4 bones, 1 morphs\n" in console
    assert b"Armature [rig]: 4 bones, 3 objects skinned\n" in console
    assert b"Morph target [wrong] has 3 vertices, its base [face] 4: kept as an object of its own\n" in console

    # Heads and tails in the host's axes (x, -z, y); the head bone has no
    # tip: a quarter of its parent's length further along its parent.
    armature = objects[b"rig"]
    assert armature.type == "Armature"
    assert bones_of(armature) == {
        "hips": ([5, 0, 0], [5, 0, 50], None, False),
        "spine": ([5, 0, 50], [5, 0, 90], "hips", False),
        "head": ([5, 0, 90], [5, 0, 100], "spine", False),
        "arm": ([10, 0, 95], arm_tail, "spine", True),
    }
    # Vertices found by their own numbers (body) or by their place (arm, face).
    assert weights_of(objects[b"body"]) == [{"hips": 1.0}, {"hips": 1.0}, {"spine": 0.6, "head": 0.4},
                                            {"spine": 0.6, "head": 0.4}]
    assert weights_of(objects[b"arm"]) == [{"arm": 0.5}, {"arm": 1.0}, {"arm": 1.0}]
    assert weights_of(objects[b"face"]) == [{"head": 1.0}] * 4
    from Blender import Modifier

    for name in (b"body", b"arm", b"face"):
        [deform] = objects[name].modifiers
        assert deform.type == Modifier.Types.ARMATURE and deform[Modifier.Settings.OBJECT] is armature
        assert objects[name].parent is armature

    # The targets are shapes of their base, in its frame; the one of
    # another size stays an object.
    keys = objects[b"face"].getData(0, 1).shape_keys
    assert [name for name, _ in keys] == ["Basis", "smile", "\u7b11\u3044"]
    assert list(keys[1][1][:6]) == [0, -1, 101, 10, -1, 101]
    assert list(keys[2][1][:3]) == [0, -5, 100]
    assert b"smile" not in objects and "\u7b11\u3044".encode("cp932") not in objects and b"wrong" in objects


def without_companion(folder):
    """The scene of the same document with no IncludeXml line."""
    plain = folder / "plain.mqo"
    plain.write_bytes(document_text().replace(b'IncludeXml "rig.mqx"\r\n', b""))
    return plain


DOCTYPE_BOMB = (b'<?xml version="1.0"?><!DOCTYPE MetasequoiaDocument [<!ENTITY a "aaaaaaaaaa">'
                + b"".join(b'<!ENTITY %s "%s">' % (bytes([98 + i]), (b"&" + bytes([97 + i]) + b";") * 10)
                           for i in range(9))
                + b']><MetasequoiaDocument><Plugin.56A31D20.71F282AB><BoneSet><Bone id="1" name="&j;"/>'
                  b'</BoneSet></Plugin.56A31D20.71F282AB></MetasequoiaDocument>')


@pytest.mark.parametrize("companion, said", [
    (None, b"Companion file not found. rig.mqx"),
    (b"<MetasequoiaDocument><Plugin.56A31D20.71F282AB><BoneSet><Bone", b"unclosed token"),
    (b'<?xml version="1.0"?><Model/>', b"its root is no MetasequoiaDocument"),
    (DOCTYPE_BOMB, b"it declares a document type"),
    (b'<?xml version="1.0"?><!DOCTYPE d SYSTEM "file:///etc/passwd"><MetasequoiaDocument/>',
     b"it declares a document type"),
    (b"<MetasequoiaDocument>" + b"<a>" * 5000 + b"</a>" * 5000 + b"</MetasequoiaDocument>",
     b"it nests deeper than 32 elements"),
    (b"<MetasequoiaDocument><Plugin.56A31D20.71F282AB><BoneSet>" + b'<Bone id="1"/>' * 65537
     + b"</BoneSet></Plugin.56A31D20.71F282AB></MetasequoiaDocument>", b"it has more than 65536 bones"),
], ids=["missing", "cut-short", "other-root", "entity-bomb", "external-entity", "deep", "too-many-bones"])
def test_without_a_readable_companion_the_scene_is_as_without_one(companion, said, tmp_path, host, convert):
    rig_scene(host, convert, without_companion(tmp_path))
    expected = snapshot_memory()
    host.reset(registry=True)
    document = write_rig(tmp_path, companion=companion or b"")
    if companion is None:
        (tmp_path / "rig.mqx").unlink()
    console, _, _ = rig_scene(host, convert, document)
    assert snapshot_memory() == expected
    lines = [line for line in console.splitlines() if b"ompanion" in line]
    assert len(lines) == 1 and said in lines[0], console


def test_what_the_companion_names_that_is_not_in_the_document_is_passed_over(tmp_path, host, convert):
    bones = [
        (1, "root", (0, 0, 0), (0, 10, 0), 77, False, [(99, 1, 100), (1, 999, 100), (1, 11, 100)]),
        # Two bones each the other's parent, and a name far beyond any Blender's.
        (2, "a", (0, 10, 0), (0, 20, 0), 3, False, []),
        (3, "\u9aa8" * 300000, (0, 20, 0), (0, 30, 0), 2, False, []),
        (4, "", (0, 30, 0), (0, 0, 0), 0, False, []),
        (5, "a", (0, 40, 0), (0, 40, 0), 4, False, []),
    ]
    companion = companion_text(bones=bones, morphs=[("nobody", ["smile"]), ("face", ["nobody", "face"])])
    console, objects, _ = rig_scene(host, convert, write_rig(tmp_path, companion=companion))
    assert b"2 weights name no object or vertex of the document\n" in console
    found = bones_of(objects[b"rig"])
    long_name = "\u9aa8" * 21
    assert len(long_name.encode()) == 63
    assert {name: parent for name, (_, _, parent, _) in found.items()} == {
        "root": None, "a": long_name, long_name: None, "Bone4": None, "a.001": "Bone4"}
    # A root without a tip points up by a twentieth of the skeleton's
    # height; a tip at the head continues along the parent.
    assert found["Bone4"][1] == pytest.approx([0, 0, 32])
    assert found["a.001"][1] == pytest.approx([0, 0, 40.5])
    assert b"smile" in objects and not objects[b"face"].getData(0, 1).shape_keys


def archive(members):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as out:
        for name, data in members:
            out.writestr(name, data)
    return buffer.getvalue()


ONE_BONE = companion_text(bones=[(1, "archived", (0, 0, 0), (0, 1, 0), 0, False, [])], morphs=[])


def written(folder, name, data):
    folder.mkdir(exist_ok=True)
    (folder / name).write_bytes(data)
    return folder / name


@pytest.mark.parametrize("write, found", [
    # In the archive first, before the file of that name beside it.
    (lambda folder: written(folder, "rig.mqoz", archive([("rig.mqo", document_text()), ("rig.mqx", ONE_BONE)])),
     "archived"),
    # Named otherwise: the file named like the document.
    (lambda folder: written(folder, "rig.mqo", document_text("elsewhere.mqx")), "hips"),
    # Folders in the name are passed over: only the file beside the document counts.
    (lambda folder: [written(folder, "other.mqx", ONE_BONE), written(folder / "sub", "other.mqx", companion_text()),
                     written(folder / "sub", "rig.mqo", document_text("..\\other.mqx"))][-1], "hips"),
], ids=["archive-first", "named-like-the-document", "beside-only"])
def test_the_companion_is_found_beside_the_document(write, found, tmp_path, host, convert):
    (tmp_path / "rig.mqx").write_bytes(companion_text())
    _, objects, _ = rig_scene(host, convert, write(tmp_path))
    assert found in bones_of(objects[b"rig"])


@pytest.mark.parametrize("cut_in, skinned", [
    (b'Object "body"', []), (b'Object "face"', [b"body", b"arm"]), (b'Object "smile"', [b"body", b"arm", b"face"]),
], ids=["in-body", "in-face", "in-target"])
def test_a_rigged_document_cut_short_rigs_what_was_read_whole(cut_in, skinned, tmp_path, host, convert):
    from scene_invariants import assert_scene_holds_together

    text = document_text()
    document = tmp_path / "rig.mqo"
    document.write_bytes(text[:text.index(cut_in) + 60])
    (tmp_path / "rig.mqx").write_bytes(companion_text())
    console, objects, _ = rig_scene(host, convert, document)
    assert b"Stopped reading at line" in console
    assert_scene_holds_together(host)
    assert [name for name, obj in objects.items() if obj.modifiers] == skinned
    assert not any(obj.getData(0, 1).shape_keys for obj in objects.values() if obj.type == "Mesh")
