"""Speed inside Blender: Mivka with the bpy host against the plain bulk
importer, in the same Blender, and against Mivka with the in-memory host
outside Blender. Run from a shell: blender_bench.py [--sizes 100000,1000000]"""

import argparse
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
INSIDE = """
import sys, time, os, json
sys.path[:0] = [%(build)r, %(hosts)r, %(common)r, %(bench)r]
import bpy
bpy.ops.wm.read_factory_settings(use_empty=True)
what, document, out = sys.argv[sys.argv.index("--") + 1:]
os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
start = time.perf_counter()
if what == "mivka":
    import Blender, Mivka
    Mivka.readmqo(document)
else:
    import bulk_importer
    bulk_importer.import_mqo(document)
seconds = time.perf_counter() - start
faces = sum(len(o.data.polygons) for o in bpy.context.scene.objects if o.type == "MESH")
json.dump({"seconds": seconds, "faces": faces}, open(out, "w"))
"""


def inside_blender(what, document, folder):
    script = os.path.join(folder, "inside.py")
    with open(script, "w") as f:
        f.write(INSIDE % {"build": os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build")),
                          "hosts": os.path.join(ROOT, "hosts", "bpy"),
                          "common": os.path.join(ROOT, "hosts", "common"), "bench": HERE})
    out = os.path.join(folder, "result.json")
    subprocess.run(["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python", script, "--",
                    what, document, out], check=True, capture_output=True)
    with open(out) as f:
        return json.load(f)


def memory_host(document):
    done = subprocess.run(["/usr/bin/python3", os.path.join(HERE, "measure.py"), "memory", "mivka", document],
                          check=True, capture_output=True)
    return json.loads(done.stderr.decode().strip().splitlines()[-1])["seconds"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sizes", default="100000,1000000")
    sizes = [int(s) for s in parser.parse_args().sizes.split(",")]
    print("| vertices | Mivka + bpy host s | bulk importer s | Mivka/bulk | in-memory host s | bpy/in-memory |")
    print("|---|---|---|---|---|---|")
    with tempfile.TemporaryDirectory() as folder:
        for size in sizes:
            document = os.path.join(folder, "doc.mqo")
            subprocess.run(["/usr/bin/python3", os.path.join(HERE, "generate.py"), document, str(size)], check=True)
            mivka = inside_blender("mivka", document, folder)
            bulk = inside_blender("bulk", document, folder)
            assert mivka["faces"] == bulk["faces"], (mivka, bulk)
            memory = memory_host(document)
            print("| %d | %.2f | %.2f | %.2f | %.2f | %.2f |" % (
                size, mivka["seconds"], bulk["seconds"], mivka["seconds"] / bulk["seconds"], memory,
                mivka["seconds"] / memory))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
