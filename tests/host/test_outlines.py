"""Faces whose outline passes through a vertex twice, cut into polygons."""

import math
import sys

import pytest

from conftest import ROOT

sys.path.insert(0, str(ROOT / "hosts" / "common"))
from blender_hold.outlines import EAR_CUTTING_LIMIT, pieces  # noqa: E402


def ring(first, count, radius, turn=1):
    """`count` vertices on a circle in the plane y = 0, numbered from `first`."""
    return {first + k: (radius * math.cos(turn * 2 * math.pi * k / count), 0.0,
                        radius * math.sin(turn * 2 * math.pi * k / count)) for k in range(count)}


def bridged(outer, hole):
    """A square (or circle) with a hole, as Metasequoia keeps it: in from the
    outline's first vertex to the hole's, round the hole the other way,
    back along the same bridge, round the outline."""
    return [outer[0]] + hole + [hole[0]] + outer


SQUARE = {0: (0, 0, 0), 1: (4, 0, 0), 2: (4, 0, 4), 3: (0, 0, 4), 4: (1, 0, 1), 5: (1, 0, 3), 6: (3, 0, 3),
          7: (3, 0, 1), 8: (2, 0, 6)}
BIG = EAR_CUTTING_LIMIT
CIRCLES = {**ring(0, BIG, 10.0), **ring(BIG, 8, 2.0, turn=-1)}

# A 10 x 10 wall with a vertex every 2 units round it, and a 2 x 2 window.
_RIM = [(0, 2 * k) for k in range(5)] + [(2 * k, 10) for k in range(5)] + [(10, 10 - 2 * k) for k in range(5)] + \
       [(10 - 2 * k, 0) for k in range(5)]
WALL = {**{k: (x, 0, z) for k, (x, z) in enumerate(_RIM[::-1])},
        20: (4, 0, 4), 21: (4, 0, 6), 22: (6, 0, 6), 23: (6, 0, 4)}

# (name, positions, outline, area covered, a point inside the hole or None)
OUTLINES = [
    ("wall_with_a_window", WALL, bridged(list(range(20)), [20, 21, 22, 23]), 96.0, (5, 5)),
    ("wall_with_a_window_bridged_from_elsewhere", WALL, bridged(list(range(7, 20)) + list(range(7)),
                                                                [22, 23, 20, 21]), 96.0, (5, 5)),
    ("wall_with_a_window_written_the_other_way", WALL,
     bridged(list(range(19, -1, -1)), [23, 22, 21, 20])[::-1], 96.0, (5, 5)),
    ("square_with_a_hole", SQUARE, bridged([0, 1, 2, 3], [4, 5, 6, 7]), 12.0, (2, 2)),
    ("two_triangles_meeting_at_a_vertex", SQUARE, [2, 8, 3, 2, 1, 0], 4.0 + 8.0, None),
    ("long_outline_with_a_hole", CIRCLES, bridged(list(range(BIG)), list(range(BIG, BIG + 8))),
     BIG / 2 * 100 * math.sin(2 * math.pi / BIG) - 4 * 4 * math.sin(2 * math.pi / 8), (0, 0)),
]


def area(points):
    return abs(sum(a[0] * b[2] - b[0] * a[2] for a, b in zip(points, points[1:] + points[:1]))) / 2


def covers(points, at):
    x, z = at
    inside = False
    for (x1, _, z1), (x2, _, z2) in zip(points, points[1:] + points[:1]):
        if (z1 > z) != (z2 > z) and x < x1 + (z - z1) * (x2 - x1) / (z2 - z1):
            inside = not inside
    return inside


@pytest.mark.parametrize("name, positions, outline, covered, hole", OUTLINES, ids=[row[0] for row in OUTLINES])
def test_a_face_through_a_vertex_twice_becomes_polygons_that_cover_it(name, positions, outline, covered, hole):
    points = [positions[v] for v in outline]
    found = pieces(outline, lambda: points)
    shapes = [[points[k] for k in piece] for piece in found]
    assert all(len({outline[k] for k in piece}) == len(piece) >= 3 for piece in found)
    assert sum(map(area, shapes)) == pytest.approx(covered)
    if hole is not None:
        assert not any(covers(shape, hole) for shape in shapes)


def test_a_face_with_no_repeated_vertex_stays_whole():
    assert pieces([0, 1, 2, 3], lambda: [SQUARE[v] for v in range(4)]) == [(0, 1, 2, 3)]
