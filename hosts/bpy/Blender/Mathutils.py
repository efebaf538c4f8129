"""Vectors, matrices and Euler rotations with the Blender 2.4x conventions,
and their conversion to Blender's own matrices (which act on column
vectors: the 2.4x matrix transposed)."""

from blender24.mathutils import *  # noqa: F401,F403
from blender24.mathutils import __all__, Matrix  # noqa: F401


def to_blender(matrix):
    import mathutils

    return mathutils.Matrix([list(column) for column in zip(*matrix.rows())])


def from_blender(matrix):
    return Matrix(*[list(column) for column in zip(*[list(row) for row in matrix])])
