#!/usr/bin/python3
"""Writes a large valid MQO document, formatted as Metasequoia writes them:
CRLF line ends, tab indents, several materials, several objects of grid
meshes with quads carrying M, UV and COL. Usage:

    generate.py OUT.mqo VERTICES [--objects N] [--bvertex]
"""

import argparse
import math
import struct


def grid_size(vertices, objects):
    side = max(2, int(math.sqrt(vertices / objects)))
    return side


def write_document(out, vertices, objects=4, bvertex=False):
    side = grid_size(vertices, objects)
    w = out.write
    w(b"Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n")
    w(b"Scene {\r\n\tpos 0.0000 0.0000 1500.0000\r\n\tlookat 0.0000 0.0000 0.0000\r\n\thead -0.5236\r\n"
      b"\tpich 0.5236\r\n\tortho 0\r\n\tzoom2 5.0000\r\n\tamb 0.250 0.250 0.250\r\n}\r\n")
    w(b"Material 3 {\r\n")
    for i, (r, g, b) in enumerate(((1.0, 0.8, 0.6), (0.2, 0.4, 0.8), (0.5, 0.5, 0.5))):
        w(b'\t"mat%d" shader(3) col(%.3f %.3f %.3f 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) '
          b"power(5.00)\r\n" % (i, r, g, b))
    w(b"}\r\n")
    for o in range(objects):
        w(b'Object "obj%d" {\r\n\tdepth %d\r\n\tfolding 0\r\n\tscale 1.000000 1.000000 1.000000\r\n'
          b"\trotation 0.000000 0.000000 0.000000\r\n\ttranslation %.6f 0.000000 0.000000\r\n\tvisible 15\r\n"
          b"\tlocking 0\r\n\tshading 1\r\n\tfacet 59.5\r\n\tcolor 0.898 0.498 0.698\r\n\tcolor_type 0\r\n"
          % (o, 0 if o == 0 else 1, o * 10.0))
        count = side * side
        if bvertex:
            w(b"\tBVertex %d {\r\n\t\tVector %d [%d]\r\n" % (count, count, count * 12))
            w(b"".join(struct.pack("<3f", x * 1.25, math.sin(x + y) * 3.5, y * -1.25)
                       for y in range(side) for x in range(side)))
            w(b"\r\n\t}\r\n")
        else:
            w(b"\tvertex %d {\r\n" % count)
            for y in range(side):
                w(b"".join(b"\t\t%.4f %.4f %.4f\r\n" % (x * 1.25, math.sin(x + y) * 3.5, y * -1.25)
                           for x in range(side)))
            w(b"\t}\r\n")
        faces = (side - 1) * (side - 1)
        w(b"\tface %d {\r\n" % faces)
        step = 1.0 / (side - 1)
        for y in range(side - 1):
            rows = []
            for x in range(side - 1):
                a = y * side + x
                u0, v0, u1, v1 = x * step, y * step, (x + 1) * step, (y + 1) * step
                rows.append(b"\t\t4 V(%d %d %d %d) M(%d) UV(%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f) "
                            b"COL(4294967295 4278255615 4294901760 4278190335)\r\n"
                            % (a, a + 1, a + side + 1, a + side, (x + y) % 3, u0, v0, u1, v0, u1, v1, u0, v1))
            w(b"".join(rows))
        w(b"\t}\r\n}\r\n")
    w(b"Eof\r\n")


def main():
    parser = argparse.ArgumentParser(description="Write a large valid MQO document.")
    parser.add_argument("out")
    parser.add_argument("vertices", type=int)
    parser.add_argument("--objects", type=int, default=4)
    parser.add_argument("--bvertex", action="store_true", help="binary vertex chunks instead of text ones")
    arguments = parser.parse_args()
    with open(arguments.out, "wb") as out:
        write_document(out, arguments.vertices, arguments.objects, arguments.bvertex)


if __name__ == "__main__":
    main()
