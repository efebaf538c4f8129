"""Faces whose outline passes through a vertex twice, as polygons that
Blender holds.

Metasequoia keeps a face with a hole as one polygon whose outline runs in
to the hole and out again along a bridge, so the bridge's two vertices
appear twice. Blender refuses such a polygon. The outline is cut at its
repeated vertices into loops: the face itself and its holes, which turn
the other way. In the face's plane, lines from corner to corner then cut
the face between its holes into polygons without holes (a sweep across the
plane, in time that grows with the corners times their logarithm,
whatever the shape), which Blender holds and shows as Metasequoia does.
Where those polygons do not cover the loops exactly (an outline that
crosses itself, loops that only touch), a short outline is cut into
triangles ear by ear instead, and a long one is left as its loops (a hole
then shows filled, but nothing of the face is lost)."""

from .ears import ears
from .plane import area, encloses, plane
from .sweep import Degenerate, faces, monotone_cuts

# Up to this many corners, ear cutting (whose time grows with the square of
# the corners, or worse for strange outlines) is tried where the sweep's
# polygons do not cover the loops.
EAR_CUTTING_LIMIT = 256
# Beyond this many corners an outline is not cut in its plane at all: the
# positions and links of its corners would take more memory than the
# document's own bytes warrant.
PLANE_CUTTING_LIMIT = 200000


def pieces(ids, points):
    """The polygons that stand for one face: tuples of corner numbers (into
    `ids`, the face's vertex numbers, with no corner repeating the one
    before it). `points`: a function answering the corners' positions,
    asked only where the outline is cut in its plane. Answers the face
    itself when no vertex repeats."""
    if len(set(ids)) == len(ids):
        return [tuple(range(len(ids)))]
    loops = _loops(ids)
    if len(ids) > PLANE_CUTTING_LIMIT or not loops:
        return loops
    flat = plane(points())
    turns = [area([flat[k] for k in loop]) for loop in loops]
    if all(turn > 0.0 for turn in turns):
        return loops  # loops that only touch: polygons each
    swept = _swept(flat, ids, loops, sum(turns))
    if swept is not None:
        return swept
    if len(ids) > EAR_CUTTING_LIMIT:
        return loops
    # A loop that turns the other way inside another is a hole, reached by
    # a bridge: the outline is cut into triangles around it. Loops that
    # only touch are polygons each.
    holes = [loop for loop, turn in zip(loops, turns) if turn < 0.0 and any(
        t > 0.0 and encloses([flat[k] for k in other], flat[loop[0]], [ids[k] for k in other], ids[loop[0]])
        for other, t in zip(loops, turns))]
    if not holes:
        return loops
    return ears(flat, ids)


def _swept(flat, ids, loops, total):
    """The loops (each with the region on its left) cut into polygons
    without holes, or None where those would not cover the loops exactly
    (twice their area must be `total`) or would pass through a vertex
    twice."""
    after = {}  # each corner's next along its loop
    for loop in loops:
        for k, corner in enumerate(loop):
            after[corner] = loop[k + 1 - len(loop)]
    try:
        cuts = monotone_cuts(flat, after)
    except (Degenerate, KeyError, ValueError):  # an outline that crosses itself, or positions that are no numbers
        return None
    if not cuts:
        return None
    found = faces(flat, after, cuts)
    if found is None or any(len({ids[k] for k in face}) != len(face) for face in found):
        return None
    areas = [area([flat[k] for k in face]) for face in found]
    # Written so that positions that are no numbers fail too.
    if not (all(area > 0.0 for area in areas) and abs(sum(areas) - total) <= 1e-9 * sum(areas)):
        return None
    return found


def _loops(ids):
    """The outline cut at every vertex it reaches again: each closed loop,
    then what is left, those with three corners or more."""
    found, stack, at = [], [], {}
    for corner, vertex in enumerate(ids):
        if vertex in at:
            start = at[vertex]
            loop = stack[start:]
            for left in loop:
                del at[ids[left]]
            del stack[start:]
            if len(loop) >= 3:
                found.append(tuple(loop))
        at[vertex] = len(stack)
        stack.append(corner)
    if len(stack) >= 3:
        found.append(tuple(stack))
    return found
