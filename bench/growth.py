#!/usr/bin/python3
"""How conversion time grows with the number of objects, of parent links
and of materials, from N to 16N, with the in-memory host and inside
Blender (bpy host), beside Blender's own growth for the same datablocks
made without Mivka ("blender floor"). Each figure comes from its own
process, all in this one run; a ratio near 16 is linear growth.

Usage: growth.py [--n 1000] [--no-blender]"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
BUILD = os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build"))
HEAD = "Metasequoia Document\nFormat Text Ver 1.0\n\nScene {\n}\n"
TRIANGLE = "\tvertex 3 {\n\t\t1 0 0\n\t\t0 1 0\n\t\t0 0 1\n\t}\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n"


def objects(n):
    return HEAD + "".join('Object "o%d" {\n%s}\n' % (i, TRIANGLE) for i in range(n))


def chain(n):
    return HEAD + "".join('Object "o%d" {\n\tdepth %d\n%s}\n' % (i, i, TRIANGLE) for i in range(n))


def materials(n):
    return HEAD + "Material %d {\n%s}\n" % (n, "".join('\t"m%d" col(1 %.5f 0 1)\n' % (i, i / n) for i in range(n)))


TIMED = """
import json, os, sys, time
sys.path[:0] = [%(build)r, %(hosts)r, %(common)r]
%(prepare)s
import Blender, Mivka
document, out = sys.argv[-2:]
os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
start = time.perf_counter()
Mivka.readmqo(document)
json.dump({"seconds": time.perf_counter() - start}, open(out, "w"))
"""


# Blender's own work for the same documents, without Mivka: the datablocks
# made and linked one at a time, as any importer makes them.
FLOOR = """
import json, sys, time
import bpy
bpy.ops.wm.read_factory_settings(use_empty=True)
kind, count, out = sys.argv[-3], int(sys.argv[-2]), sys.argv[-1]
start = time.perf_counter()
collection, before = bpy.context.scene.collection.objects, None
for i in range(count):
    name = ("m%d" if kind == "materials" else "o%d") % i
    if kind == "materials":
        bpy.data.materials.new(name).diffuse_color = (1, i / count, 0, 1)
        continue
    mesh = bpy.data.meshes.new(name)
    mesh.from_pydata([(1, 0, 0), (0, 0, 1), (0, -1, 0)], [], [(2, 1, 0)])
    obj = bpy.data.objects.new(name, mesh)
    collection.link(obj)
    if kind == "parent chain" and before is not None:
        obj.parent = before
        obj.matrix_parent_inverse = before.matrix_world.inverted()
    before = obj
json.dump({"seconds": time.perf_counter() - start}, open(out, "w"))
"""


def seconds(where, document, folder, kind=None, count=None):
    out = os.path.join(folder, "result.json")
    if where == "blender floor":
        command = ["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python-expr", FLOOR,
                   "--", kind, str(count), out]
    elif where == "memory":
        script = TIMED % {"build": BUILD, "hosts": os.path.join(ROOT, "hosts", "memory"),
                          "common": os.path.join(ROOT, "hosts", "common"), "prepare": ""}
        command = ["/usr/bin/python3", "-c", script, document, out]
    else:
        script = TIMED % {"build": BUILD, "hosts": os.path.join(ROOT, "hosts", "bpy"),
                          "common": os.path.join(ROOT, "hosts", "common"),
                          "prepare": "import bpy\nbpy.ops.wm.read_factory_settings(use_empty=True)"}
        command = ["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python-expr", script,
                   "--", document, out]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=1800)
    with open(out) as f:
        return json.load(f)["seconds"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--n", type=int, default=1000)
    parser.add_argument("--no-blender", action="store_true")
    arguments = parser.parse_args()
    n = arguments.n
    cases = [("memory", "objects", objects), ("memory", "parent chain", chain), ("memory", "materials", materials)]
    if not arguments.no_blender and shutil.which("blender"):
        for label, make in (("objects", objects), ("parent chain", chain), ("materials", materials)):
            cases += [("blender", label, make), ("blender floor", label, make)]
    print("| host | document | N | s at N | s at 16N | growth (16 is linear) |")
    print("|---|---|---|---|---|---|")
    with tempfile.TemporaryDirectory() as folder:
        for where, label, make in cases:
            times = []
            for count in (n, 16 * n):
                document = os.path.join(folder, "doc.mqo")
                with open(document, "w") as f:
                    f.write(make(count))
                times.append(seconds(where, document, folder, label, count))
            print("| %s | %s | %d | %.3f | %.3f | %.1f |" % (where, label, n, times[0], times[1], times[1] / times[0]))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
