"""Converts a document into the in-memory host in a process of its own:
convert_in_memory.py PATH [ROUNDS]. The document is converted ROUNDS times
(once unless given), the host emptied between rounds; a vertex or material
number beyond its list ends a conversion as it would in the host, and the
next round goes on. Writes the objects made and their vertices to the
standard error (the standard output holds the module's console)."""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path[:0] = [os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build")), os.path.join(ROOT, "hosts", "memory"),
                os.path.join(ROOT, "hosts", "common")]

import Blender  # noqa: E402
import Mivka  # noqa: E402

rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 1
for done in range(rounds):
    if done:
        Blender.reset()
    try:
        Mivka.readmqo(sys.argv[1])
    except IndexError:
        pass
objects = Blender.Object.Get()
print(len(objects), sum(len(o.getData(0, 1).verts) for o in objects if o.getData(0, 1)), file=sys.stderr)
