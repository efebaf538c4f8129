"""Runs inside Blender for the tests (blender -b --factory-startup --python
THIS -- DOCUMENT ... [--snapshot OUT.json] [-o OUT ...] [--reopen]
[--per-call]): converts each document into a fresh scene as the command
does, saves it where asked, and writes a description of every scene
(a conversion that raised is noted, and the next goes on)."""

import argparse
import json
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "mivka_command"))
sys.path.insert(0, os.path.join(ROOT, "tests"))

import in_blender  # noqa: E402  (puts the module, the bpy host and the tools on the path)
import bpy  # noqa: E402

from scene_snapshot import snapshot_bpy  # noqa: E402


def main(argv):
    parser = argparse.ArgumentParser(prog="scenes_in_blender")
    parser.add_argument("documents", nargs="+")
    parser.add_argument("--snapshot", required=True)
    parser.add_argument("-o", "--output", action="append", default=[])
    parser.add_argument("--reopen", action="store_true", help="describe the saved .blend as reopened")
    parser.add_argument("--per-call", action="store_true",
                        help="build meshes call by call, as a host without whole-mesh buffers would")
    arguments = parser.parse_args(argv)
    if arguments.per_call:
        import Blender

        Blender.NMesh.NMesh.putBuffers = None
    snapshots = {}
    for document in arguments.documents:
        in_blender.empty_scene()
        try:
            in_blender.convert(document)
        except Exception as failure:
            snapshots[document] = {"error": "%s: %s" % (type(failure).__name__, failure)}
            continue
        for output in arguments.output:
            in_blender.save(output)
        if arguments.reopen:
            blend = [o for o in arguments.output if o.endswith(".blend")][0]
            bpy.ops.wm.open_mainfile(filepath=os.path.abspath(blend))
        snapshots[document] = snapshot_bpy()
    with open(arguments.snapshot, "w", encoding="utf-8") as out:
        json.dump(snapshots, out)


main(sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else [])
