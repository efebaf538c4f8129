"""Whether two descriptions of a converted scene (scene_snapshot.py)
show the same scene: the in-memory host's and Blender's. Also used outside
the test runner, in the clean systems where the extension is installed as
users install it; needs only the standard library there."""

import os
import sys


def memory_scene(path, quiet=False):
    """The in-memory host's scene of a document; with `quiet`, its console
    (the standard output) is kept out of the caller's."""
    import Blender
    import Mivka
    from scene_snapshot import snapshot_memory

    Blender.reset(registry=True)
    Blender.Registry.SetKey("Mivka", {"Extended": True})  # as the command reads in Blender
    if quiet:
        sys.stdout.flush()
        kept = os.dup(1)
        with open(os.devnull, "wb") as nowhere:
            os.dup2(nowhere.fileno(), 1)
    try:
        Mivka.readmqo(str(path))
    except Exception as error:
        return {"error": "%s: %s" % (type(error).__name__, error)}
    finally:
        if quiet:
            os.dup2(kept, 1)
            os.close(kept)
    return snapshot_memory()


def size_of(scene):
    points = [c[0] for o in scene["objects"] for f in o["faces"] for c in f["corners"]]
    if not points:
        return 1.0
    return max(max(p[i] for p in points) - min(p[i] for p in points) for i in range(3)) or 1.0


def assert_same_scene(blender, memory, label):
    assert ("error" in blender) == ("error" in memory), (label, blender.get("error"), memory.get("error"))
    if "error" in memory:
        return
    tolerance = 1e-5 * size_of(memory)
    # Blender makes an empty object that has children when its first child
    # comes: it stands later in the scene's list.
    in_blender, in_memory = (sorted(scene["objects"], key=lambda o: (o["name"], o["parent"] or ""))
                             for scene in (blender, memory))
    assert [(o["name"], o["parent"]) for o in in_blender] == [(o["name"], o["parent"]) for o in in_memory], label
    for b, m in zip(in_blender, in_memory):
        assert len(b["faces"]) == len(m["faces"]), (label, m["name"])
        blender_edges = {tuple(e) for e in b["edges"]}
        assert all(tuple(e) in blender_edges for e in m["edges"]), (label, m["name"])
        for bf, mf in zip(b["faces"], m["faces"]):
            assert bf["material"] == mf["material"], (label, m["name"])
            assert len(bf["corners"]) == len(mf["corners"])
            for (bp, buv, bcol, bnormal), (mp, muv, mcol, mnormal) in zip(bf["corners"], mf["corners"]):
                assert _close(bp, mp, tolerance), (label, m["name"], bp, mp)
                # A face without coordinates or colours in a mesh that has them gets 0 and white.
                if muv is None:
                    assert buv in (None, [0.0, 0.0]), (label, buv)
                else:
                    assert max(abs(x - y) for x, y in zip(buv, muv)) < 1e-6, (label, buv, muv)
                assert bcol == mcol or (mcol is None and bcol == [255] * 4), (label, bcol, mcol)
                # A corner's own normal is the one Blender shows there.
                if mnormal is not None:
                    assert bnormal and max(abs(x - y) for x, y in zip(bnormal, mnormal)) < 1e-3, \
                        (label, bnormal, mnormal)
        _assert_same_rig(b, m, tolerance, label)
    assert [os.path.basename(t) for t in blender["textures"]] == [os.path.basename(t) for t in memory["textures"]]
    _assert_same_bones(blender.get("armatures", []), memory.get("armatures", []), tolerance, label)


def _close(a, b, tolerance):
    return max(abs(x - y) for x, y in zip(a, b)) <= tolerance


def _assert_same_rig(b, m, tolerance, label):
    """The vertex groups with their weights, and the shape keys' positions."""
    b_groups, m_groups = b.get("groups", []), m.get("groups", [])
    assert len(b_groups) == len(m_groups), (label, m["name"])
    for vertex, (bv, mv) in enumerate(zip(b_groups, m_groups)):
        assert [n for n, _ in bv] == [n for n, _ in mv], (label, m["name"], vertex, bv, mv)
        assert all(abs(x - y) < 1e-5 for (_, x), (_, y) in zip(bv, mv)), (label, m["name"], vertex, bv, mv)
    b_keys, m_keys = b.get("shape_keys", []), m.get("shape_keys", [])
    assert [k[0] for k in b_keys] == [k[0] for k in m_keys], (label, m["name"])
    for (_, b_points), (_, m_points) in zip(b_keys, m_keys):
        assert len(b_points) == len(m_points) and all(_close(p, q, tolerance) for p, q in zip(b_points, m_points)), \
            (label, m["name"])


def _assert_same_bones(blender, memory, tolerance, label):
    assert [a["name"] for a in blender] == [a["name"] for a in memory], label
    for b, m in zip(blender, memory):
        assert [(n, parent, hidden) for n, _, _, parent, hidden in b["bones"]] == \
            [(n, parent, hidden) for n, _, _, parent, hidden in m["bones"]], label
        for (_, bh, bt, _, _), (_, mh, mt, _, _) in zip(b["bones"], m["bones"]):
            assert _close(bh, mh, tolerance) and _close(bt, mt, tolerance), (label, bh, mh, bt, mt)
