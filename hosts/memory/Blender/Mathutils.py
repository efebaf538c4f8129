"""Vectors, matrices and Euler rotations with the Blender 2.4x conventions."""

from blender24.mathutils import *  # noqa: F401,F403
from blender24.mathutils import __all__  # noqa: F401
