"""Inside Blender: converts the document given last and prints how much
the process's peak memory grew, and the polygons of object o."""

import os
import resource
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import on_path  # noqa: E402,F401

import Blender  # noqa: E402
import Mivka  # noqa: E402

before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
Blender.Registry.SetKey("Mivka", {"Extended": True})
Mivka.readmqo(sys.argv[-1])
import bpy  # noqa: E402

print("GROWTH", (resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before) * 1024,
      len(bpy.data.objects["o"].data.polygons))
