"""Small documents that once stopped a conversion, crashed Blender or put
vertices in the wrong place, written out by name. Each is legal MQO text."""

import math
import struct

from conftest import HEAD as CRLF_HEAD  # the header as Metasequoia writes it, with a Scene line

HEAD = "Metasequoia Document\nFormat Text Ver 1.0\n\nScene {\n}\n"
TRIANGLE = "\tvertex 3 {\n\t\t1 0 0\n\t\t0 1 0\n\t\t0 0 1\n\t}\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n"


def obj(name, attributes="", body=TRIANGLE):
    return 'Object "%s" {\n%s%s}\n' % (name, "".join("\t%s\n" % a for a in attributes), body)


def placed(name, depth, *attributes):
    return obj(name, ("depth %d" % depth,) + attributes)


# Documents whose every vertex must land where the document puts it, in
# both hosts: (name, text).
PLACEMENTS = [
    ("flat_parent", HEAD + placed("flat", 0, "scale 0 1 1") + placed("child", 1, "translation 1 2 3")),
    ("vanishing_parent", HEAD + placed("tiny", 0, "scale 1e-60 1 1", "translation 0 5 0")
     + placed("child", 1, "rotation 10 20 30")),
    ("huge_scale", HEAD + placed("huge", 0, "scale 1e300 1 -1e300") + placed("child", 1)),
    ("sheared", HEAD + placed("sheared", 0, "rotation 0 0 45", "scale 2 1 1")),
    ("sheared_parent_and_child", HEAD + placed("p", 0, "rotation 30 0 45", "scale 2 1 0.5", "translation 1 2 3")
     + placed("c", 1, "scale 1 3 1", "rotation 0 60 0", "translation -4 0 2")),
    ("small_and_rotated", HEAD + placed("p", 0, "scale 1e-5 2e-5 1e-5", "rotation 90 0 0")
     + placed("c", 1, "scale 3 1 1", "translation 0 0 7") + placed("g", 2, "rotation 0 0 -45")),
    ("two_depth_lines", HEAD + placed("a", 0) + obj("b", ("depth 0", "translation 1 0 0", "depth 1"))),
    ("doubled_corner", HEAD + obj("quad", (), "\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n"
                                  "\tface 3 {\n\t\t4 V(0 1 2 2) UV(0 0 1 0 1 1 1 1)\n"
                                  "\t\t2 V(1 1)\n\t\t4 V(0 1 0 2)\n\t}\n")),
]


def many_materials(count):
    """One object whose faces use `count` materials, one each."""
    names = "".join('\t"m%d" col(1 %.4f 0 1)\n' % (i, i / count) for i in range(count))
    faces = "".join("\t\t3 V(0 1 2) M(%d)\n" % i for i in range(count))
    return (HEAD + "Material %d {\n%s}\n" % (count, names)
            + obj("many", (), "\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n\tface %d {\n%s\t}\n"
                  % (count, faces)))


def plain_materials(count):
    """`count` materials with a colour each, and no object."""
    return HEAD + "Material %d {\n%s}\n" % (count, "".join('\t"m%d" col(1 1 1 1)\n' % i for i in range(count)))


def depth_chain(count):
    """`count` objects, each a child of the one before."""
    return HEAD + "".join(placed("o%d" % i, i) for i in range(count))


def flat_objects(count):
    """`count` objects without a hierarchy."""
    return HEAD + "".join(obj("o%d" % i) for i in range(count))


def projected(name):
    """A material mapped through a projection Empty, rotated."""
    return HEAD + 'Material 1 {\n\t"%s" proj_type(1) proj_angle(0 90 0)\n}\n' % name + obj("o")


def rotated_again():
    """A later document that only rotates the Empty it does not have."""
    return HEAD + 'Material 1 {\n\t"again" proj_angle(45 0 0)\n}\n' + obj("o")


def huge_coordinate():
    return HEAD + obj("far", (), "\tvertex 3 {\n\t\t1e38 0 0\n\t\t0 1 0\n\t\t0 0 1\n\t}\n"
                      "\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n")


def long_name():
    return HEAD + obj("N" * 100)


PNG_1x1 = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de"
                        "0000000c4944415408d763f8cfc000000301010018dd8db00000000049454e44ae426082")


def outside_layout(tmp_path):
    """model/-dash.mqo, named like an option, with a texture in ../textures."""
    (tmp_path / "textures").mkdir()
    (tmp_path / "textures" / "wood.png").write_bytes(PNG_1x1)
    (tmp_path / "model").mkdir()
    path = tmp_path / "model" / "-dash.mqo"
    path.write_bytes(HEAD.encode() + b'Material 1 {\n\t"w" tex("../textures/wood.png")\n}\n'
                     b'Object "far" {\n\tvertex 3 {\n\t\t1e38 0 0\n\t\t0 1 0\n\t\t0 0 1\n\t}\n'
                     b'\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n}\n')
    return path


WEIGHTED = TRIANGLE.replace("\tface", "\tvertexattr {\n\t\tweit {\n\t\t\t0 1.0\n\t\t\t2 0.25\n\t\t\t9 1\n"
                            "\t\t\t2 0.5\n\t\t}\n\t}\n\tface")


def connected_half(mode=2, x=0.5, distance="1.0"):
    """Half of a model, one quad whose inner edge lies `x` from the mirror
    plane of the document's X axis (mirror distance `distance`, or none)."""
    body = ("\tvertex 4 {\n\t\t%s 0 0\n\t\t2 0 0\n\t\t2 1 0\n\t\t%s 1 0\n\t}\n"
            "\tface 1 {\n\t\t4 V(0 1 2 3)\n\t}\n" % (x, x))
    mirror = ("mirror %d" % mode, "mirror_axis 1") + (("mirror_dis " + distance,) if distance else ())
    return HEAD + obj("half", mirror, body)


def display_settings(version="1.1"):
    """A smooth object with a crease angle, a hidden one, one mirrored across
    the document's X and Z axes, a curved surface with vertex weights (one
    number beyond the vertices, one vertex given twice), and a profile
    turned on a lathe around the document's Y axis with too many segments."""
    return (HEAD.replace("1.0", version) + obj("smooth", ("shading 1", "facet 40"))
            + obj("hidden", ("visible 0", "shading 0")) + obj("mirrored", ("mirror 1", "mirror_axis 5"))
            + obj("curved", ("patch 3", "segment 2"), WEIGHTED)
            + obj("turned", ("patch 1", "segment 5", "lathe 3", "lathe_axis 1", "lathe_seg 5000")))


# Extended documents whose skipped text is broken: (name, text, where
# reading must stop or None, objects built).
_HEAD_11 = HEAD.replace("1.0", "1.1")
_MATERIAL = 'Material 1 {\n\t"m" col(1 1 1 1)\n}\n'
BROKEN_SKIPS = [
    ("thumbnail_never_closed", _HEAD_11 + "Thumbnail 2 1 24 rgb raw {\n\tFFFFFF\n" + _MATERIAL + obj("a") + obj("b"),
     None, 2),
    ("stray_quote_in_a_chunk", _HEAD_11 + 'Blob {\n\tcomment 5" tall\n}\n' + _MATERIAL + obj("a") + obj("b"),
     None, 2),
    ("stray_quote_in_an_object_line", _HEAD_11 + obj("a", ('comment 5" tall',)) + obj("b"), None, 2),
    ("object_line_never_closed", _HEAD_11 + obj("a", ("extra {",)) + obj("b"), b"Object \"b\"", 0),
    ("chunk_open_to_the_end", _HEAD_11 + obj("a") + "Thumbnail 2 1 24 rgb raw {\n\tFFFFFF\n", b"Thumbnail", 1),
    ("call_never_closed", _HEAD_11 + 'Material 2 {\n\t"m" col(1 1 1 1) ex(1 2\n\t"n" col(1 1 1 1) )\n}\n' + obj("a"),
     b"\"n\" col(1 1 1 1) )", 0),
]


def _grid(faces):
    vertices = "".join("\t\t%d 0 %d\n" % (i % 100, i // 100) for i in range(20000))
    lines = "".join("\t\t3 V(%d %d %d)\n" % (i, i + 1, i + 100) for i in range(faces))
    return "\tvertex 20000 {\n%s\t}\n\tface %d {\n%s\t}\n" % (vertices, faces, lines)


def _profile(edges):
    vertices = "".join("\t\t%d %d 0\n" % (i + 1, i) for i in range(edges + 1))
    lines = "".join("\t\t2 V(%d %d)\n" % (i, i + 1) for i in range(edges))
    return "\tvertex %d {\n%s\t}\n\tface %d {\n%s\t}\n" % (edges + 1, vertices, edges, lines)


def _ngon(corners):
    vertices = "".join("\t\t%d %d 0\n" % (i, i * i % 7) for i in range(corners))
    return "\tvertex %d {\n%s\t}\n\tface 1 {\n\t\t%d V(%s)\n\t}\n" % (
        corners, vertices, corners, " ".join(map(str, range(corners))))


def faces_with_holes(count, corners):
    """Format 1.1: a 10 x 10 wall with a vertex every 2 units round it and a
    2 x 2 window (written the way round that once covered the window), and
    `count` faces of `corners` corners round a hole of as many, over the
    same vertices."""
    rim = [(0, 2 * k) for k in range(5)] + [(2 * k, 10) for k in range(5)] + \
          [(10, 10 - 2 * k) for k in range(5)] + [(10 - 2 * k, 0) for k in range(5)]
    wall = rim[::-1] + [(4, 4), (4, 6), (6, 6), (6, 4)]
    window = list(range(19, -1, -1))
    outline = ([window[0], 23, 22, 21, 20, 23] + window)[::-1]
    circles = [(10 * math.cos(2 * math.pi * k / corners), 10 * math.sin(2 * math.pi * k / corners))
               for k in range(corners)] + [(2 * math.cos(-2 * math.pi * k / corners),
                                            2 * math.sin(-2 * math.pi * k / corners)) for k in range(corners)]
    ring = [0] + list(range(corners, 2 * corners)) + [corners] + list(range(corners))

    def mesh(points, faces):
        vertices = "".join("\t\t%.6f 0 %.6f\n" % tuple(point) for point in points)
        lines = "".join("\t\t%d V(%s)\n" % (len(face), " ".join(map(str, face))) for face in faces)
        return "\tvertex %d {\n%s\t}\n\tface %d {\n%s\t}\n" % (len(points), vertices, len(faces), lines)

    return HEAD.replace("1.0", "1.1") + obj("wall", body=mesh(wall, [outline])) + \
        obj("rings", body=mesh(circles, [ring] * count))


def _points(count):
    vertices = "".join("\t\t%d %d 0\n" % (i + 1, i) for i in range(count))
    return "\tvertex %d {\n%s\t}\n\tface 0 {\n\t}\n" % (count, vertices)


_TURNED = ("patch 3", "segment 6", "mirror 2", "lathe 3", "lathe_axis 1", "lathe_seg 1024")
# What the host finally builds stays near 28 million vertices, edges and
# corners over the whole document (lathe steps, mirror copies and
# subdivision levels together; n-gons by their corners): (name, objects,
# [(lathe steps, render levels) per object]).
MODIFIER_BUDGETS = [
    ("within_reach", [obj("a", ("patch 3", "segment 6"), _grid(1000))], [(0, 6)]),  # 3,000 corners: 3.1 million faces
    ("grid_of_15000_corners", [obj("a", ("patch 3", "segment 6"), _grid(5000))], [(0, 5)]),  # not 15.4 million
    ("mirrored_grid", [obj("a", ("patch 3", "segment 6", "mirror 1", "mirror_axis 1"), _grid(5000))], [(0, 4)]),
    ("turned_points", [obj("a", ("lathe 3", "lathe_seg 1000"), _grid(0))], [(700, 0)]),
    # Circles of edges around each point, then each edge cut 64 times.
    ("points_turned_and_subdivided", [obj("a", _TURNED[:2] + _TURNED[3:], _points(1000))], [(1024, 3)]),
    ("profile_turned_mirrored", [obj("a", _TURNED + ("mirror_axis 1",), _profile(2))], [(1024, 4)]),
    ("profile_on_every_axis", [obj("a", _TURNED + ("mirror_axis 7",), _profile(4))], [(1024, 3)]),
    ("long_profile", [obj("a", _TURNED + ("mirror_axis 7",), _profile(4000))], [(31, 1)]),
    ("second_object_gets_the_rest", [obj("a", ("patch 3", "segment 6"), _grid(5000)),
                                     obj("b", ("patch 3", "segment 6"), _grid(5000))], [(0, 5), (0, 2)]),
    ("ngon_of_1000_corners", [obj("a", ("patch 3", "segment 6"), _ngon(1000))], [(0, 0)]),
]


# A broken document may legitimately make the host refuse a lookup (a
# vertex or material number beyond its list) or meet an object whose mesh
# was never linked.
HOST_ERRORS = (IndexError, AttributeError, TypeError, ValueError, OSError, RuntimeError)

PNG = b"\x89PNG\r\n\x1a\n" + bytes(16)


def document_text(vertices=1200):
    """A document that makes every host call at least once, most of them many times."""
    rows = "".join("\t\t%d %d %d\n" % (i % 7, i % 11, i % 13) for i in range(vertices))
    faces = "".join("\t\t3 V(%d %d %d) M(%d) UV(0 0 1 0 1 1) COL(1 2 3)\n" % (i, i + 1, i + 2, i % 2)
                    for i in range(0, vertices - 2, 3))
    text = (CRLF_HEAD + 'Material 2 {\n\t"a" shader(3) col(1 1 1 0.5) dif(0.8) amb(0.6) emi(0.1) spc(0.2) power(9)'
            ' tex("t.png") bump("t.png") aplane("t.png") proj_type(1) proj_angle(10 20 30)\n\t"b" col(1 0 0 1)\n}\n'
            'Object "root" {\n\tdepth 0\n\tscale 1 2 3\n\trotation 10 20 30\n\ttranslation 1 2 3\n'
            "\tvertex %d {\n%s\t}\n\tface %d {\n%s\t\t2 V(0 5)\n\t}\n}\n" % (vertices, rows, vertices // 3 + 1, faces))
    binary = struct.pack("<9f", 1, 2, 3, 4, 5, 6, 7, 8, 9)
    return text.encode() + (b'Object "child" {\n\tdepth 1\n\tBVertex 3 {\n\t\tVector 3 [36]\n' + binary +
                            b'\n\t}\n\tface 1 {\n\t\t3 V(0 1 2) M(1)\n\t}\n}\nEof\n')


