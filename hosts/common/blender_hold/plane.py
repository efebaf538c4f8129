"""Outlines flattened into their plane, and what is measured there."""


def plane(points):
    """The two coordinates that show the outline counter-clockwise: the
    axis along which its normal (Newell's) is longest is dropped."""
    nx = ny = nz = 0.0
    for k, (x1, y1, z1) in enumerate(points):
        x2, y2, z2 = points[k + 1 - len(points)]
        nx += (y1 - y2) * (z1 + z2)
        ny += (z1 - z2) * (x1 + x2)
        nz += (x1 - x2) * (y1 + y2)
    normal = (nx, ny, nz)
    drop = max(range(3), key=lambda i: abs(normal[i]))
    first, second = [(1, 2), (2, 0), (0, 1)][drop]
    if normal[drop] < 0:
        first, second = second, first
    return [(p[first], p[second]) for p in points]


def turn(a, b, c):
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])


def area(flat):
    """Twice the signed area of an outline in the plane: positive counter-clockwise."""
    return sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(flat, flat[1:] + flat[:1]))


def encloses(outline, point, outline_ids, point_id):
    """Whether `point` (a vertex not on the outline) lies inside it."""
    if point_id in outline_ids:
        return False
    x, y = point
    inside = False
    for (x1, y1), (x2, y2) in zip(outline, outline[1:] + outline[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside
