"""Runs inside a Blender where a user installed and enabled Mivka (blender -b
--python THIS -- OUT.json DOCUMENT...): imports each document into an empty
scene through the add-on's own operator, as File > Import does, and writes a
description of every scene, with where the module came from and which
libraries the Blender process then had loaded."""

import json
import os
import sys

import bpy

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def loaded_libraries():
    """The shared libraries mapped into this process."""
    with open("/proc/self/maps") as maps:
        return sorted({line.split()[-1] for line in maps if ".so" in line.split()[-1]})


def describe_scene():
    """The scene's description, with the host packages that the add-on put
    on the path when it first imported."""
    if os.path.join(ROOT, "tests") not in sys.path:
        sys.path.append(os.path.join(ROOT, "tests"))
    from scene_snapshot import snapshot_bpy

    return snapshot_bpy()


def main(out, documents):
    found = {"blender": list(bpy.app.version), "scenes": {}}
    if "mivka_mqo" not in dir(bpy.ops.import_scene):
        raise SystemExit("the Metasequoia import is not there: the add-on was not enabled")
    for document in documents:
        bpy.ops.wm.read_homefile(use_empty=True)
        try:
            result = bpy.ops.import_scene.mivka_mqo(filepath=document)
        except RuntimeError as error:  # the operator's own report, in the background
            found["scenes"][document] = {"error": "RuntimeError: %s" % error}
            continue
        found["scenes"][document] = dict(describe_scene(), result=sorted(result))
    module = sys.modules.get("Mivka")
    found["module"] = module.__file__ if module else None
    found["libraries"] = loaded_libraries()
    with open(out, "w", encoding="utf-8") as file:
        json.dump(found, file)


main(sys.argv[sys.argv.index("--") + 1], sys.argv[sys.argv.index("--") + 2:])
