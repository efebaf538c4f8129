"""Speed inside Blender: Mivka with the bpy host, which takes each mesh
whole (the bulk path), the same with meshes built call by call (the
per-call path of the 2.4x interface), and a plain bulk importer, each in a
Blender process of its own, in one run; also each process's peak memory.
Run from a shell: blender_bench.py [--sizes 100000,1000000]"""

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
if what in ("bulk path", "per-call path"):
    import Blender, Mivka
    if what == "per-call path":
        Blender.NMesh.NMesh.putBuffers = None  # the host offers no whole meshes
    Mivka.readmqo(document)
else:
    import bulk_importer
    bulk_importer.import_mqo(document)
seconds = time.perf_counter() - start
faces = sum(len(o.data.polygons) for o in bpy.context.scene.objects if o.type == "MESH")
json.dump({"seconds": seconds, "faces": faces}, open(out, "w"))
"""


def inside_blender(what, document, folder):
    """Seconds and faces of one conversion in a new Blender process."""
    script = os.path.join(folder, "inside.py")
    with open(script, "w") as f:
        f.write(INSIDE % {"build": os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build")),
                          "hosts": os.path.join(ROOT, "hosts", "bpy"),
                          "common": os.path.join(ROOT, "hosts", "common"), "bench": HERE})
    out = os.path.join(folder, "result.json")
    child = subprocess.Popen(["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python", script,
                              "--", what, document, out], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, err = child.communicate()
    if child.returncode != 0:
        sys.exit("%s failed:\n%s" % (what, err.decode(errors="replace")))
    with open(out) as f:
        return json.load(f)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sizes", default="100000,1000000")
    sizes = [int(s) for s in parser.parse_args().sizes.split(",")]
    print("| vertices | bulk path s | per-call path s | bulk importer s | bulk path / importer "
          "| per-call / importer | peak MB: bulk path | per-call | importer |")
    print("|---|---|---|---|---|---|---|---|---|")
    with tempfile.TemporaryDirectory() as folder:
        for size in sizes:
            document = os.path.join(folder, "doc.mqo")
            subprocess.run(["/usr/bin/python3", os.path.join(HERE, "generate.py"), document, str(size)], check=True)
            results = {what: measured(what, document, folder)
                       for what in ("bulk path", "per-call path", "bulk importer")}
            faces = {r["faces"] for r in results.values()}
            assert len(faces) == 1, results
            bulk, per_call, importer = (results[w] for w in ("bulk path", "per-call path", "bulk importer"))
            print("| %d | %.2f | %.2f | %.2f | %.2f | %.2f | %.0f | %.0f | %.0f |" % (
                size, bulk["seconds"], per_call["seconds"], importer["seconds"],
                bulk["seconds"] / importer["seconds"], per_call["seconds"] / importer["seconds"],
                bulk["peak_mb"], per_call["peak_mb"], importer["peak_mb"]))
            sys.stdout.flush()


def measured(what, document, folder):
    """One conversion in a Blender process of its own, run through a small
    Python parent so that its peak memory is its own."""
    script = ("import json, resource, sys\n"
              "sys.path.insert(0, %r)\n"
              "import blender_bench\n"
              "result = blender_bench.inside_blender(sys.argv[1], sys.argv[2], sys.argv[3])\n"
              "result['peak_mb'] = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024.0\n"
              "print(json.dumps(result))\n" % HERE)
    done = subprocess.run(["/usr/bin/python3", "-c", script, what, document, folder], check=True,
                          capture_output=True)
    return json.loads(done.stdout.decode().strip().splitlines()[-1])


if __name__ == "__main__":
    main()
