"""Puts the module (from MIVKA_BUILD_DIR, or build/) and the bpy host
packages on the path of a script that runs inside Blender for the tests."""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
sys.path[:0] = [os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build")), os.path.join(ROOT, "hosts", "bpy"),
                os.path.join(ROOT, "hosts", "common")]
