#!/usr/bin/python3
"""How conversion time grows with the number of objects (with a triangle
each, or empty), of parent links, of materials (plain, transparent,
emitting, textured, each of its own alpha), of faces each with its own
material, of the corners of one face and of a face with a hole, with the
length of a name under an odd code page, with the number of names an
archive's texture is given, and with a rigged character's bones, skin
weights and morph targets and a hostile companion's attribute length (the
peak memory of these too), from N to 16N, with the in-memory host and
inside Blender (bpy host), beside Blender's own growth for the same
datablocks made without Mivka ("blender floor"); and the command's time
(summary included) for a parent chain. Each figure comes from its own
process, all in this one run; a ratio near 16 is linear growth.

Usage: growth.py [--n 1000] [--no-blender]"""

import argparse
import math
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
BUILD = os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build"))
HEAD = "Metasequoia Document\nFormat Text Ver 1.0\n\nScene {\n}\n"
PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de"
                    "0000000c4944415408d763f8cfc000000301010018dd8db00000000049454e44ae426082")
TRIANGLE = "\tvertex 3 {\n\t\t1 0 0\n\t\t0 1 0\n\t\t0 0 1\n\t}\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n"


def objects(n):
    return HEAD + "".join('Object "o%d" {\n%s}\n' % (i, TRIANGLE) for i in range(n))


def empty_objects(n):
    return HEAD + "".join('Object "o%d" {\n\tvertex 0 {\n\t}\n\tface 0 {\n\t}\n}\n' % i for i in range(n))


def chain(n):
    return HEAD + "".join('Object "o%d" {\n\tdepth %d\n%s}\n' % (i, i, TRIANGLE) for i in range(n))


def materials(n):
    return HEAD + "Material %d {\n%s}\n" % (n, "".join('\t"m%d" col(1 %.5f 0 1)\n' % (i, i / n) for i in range(n)))


def transparent_materials(n):
    return HEAD + "Material %d {\n%s}\n" % (n, "".join('\t"m%d" col(1 %.5f 0.25 0.5)\n' % (i, i / n)
                                                        for i in range(n)))


def alpha_materials(n):
    """Transparent materials, each of its own alpha."""
    return HEAD + "Material %d {\n%s}\n" % (n, "".join('\t"m%d" col(1 0.5 0.25 %.6f)\n' % (i, 0.9 * (i + 1) / n)
                                                        for i in range(n)))


def emitting_materials(n):
    return HEAD + "Material %d {\n%s}\n" % (n, "".join('\t"m%d" col(1 %.5f 0.25 1) emi(0.5)\n' % (i, i / n)
                                                        for i in range(n)))


def textured_materials(n):
    return HEAD + "Material %d {\n%s}\n" % (n, "".join('\t"m%d" col(1 %.5f 0.25 1) tex("t.png")\n' % (i, i / n)
                                                        for i in range(n)))


def face_materials(n):
    """n triangles, each of its own material."""
    vertices = "".join("\t\t%d 0 0\n\t\t%d 1 0\n\t\t%d 0 1\n" % (i, i, i) for i in range(n))
    faces = "".join("\t\t3 V(%d %d %d) M(%d)\n" % (3 * i, 3 * i + 1, 3 * i + 2, i) for i in range(n))
    return (materials(n) + 'Object "o" {\n\tvertex %d {\n%s\t}\n\tface %d {\n%s\t}\n}\n'
            % (3 * n, vertices, n, faces))


def one_face(n):
    """One face of 20n corners around a circle (extended reading)."""
    n *= 20
    vertices = "".join("\t\t%.6f %.6f 0\n" % (math.cos(2 * math.pi * i / n), math.sin(2 * math.pi * i / n))
                       for i in range(n))
    return (HEAD.replace("1.0", "1.1") + 'Object "o" {\n\tvertex %d {\n%s\t}\n\tface 1 {\n\t\t%d V(%s)\n\t}\n}\n'
            % (n, vertices, n, " ".join(map(str, range(n)))))


def face_with_a_hole(n):
    """One face of 20n corners round a hole of as many (extended reading)."""
    n *= 20
    circles = [(10 * math.cos(2 * math.pi * k / n), 10 * math.sin(2 * math.pi * k / n)) for k in range(n)] + \
              [(2 * math.cos(-2 * math.pi * k / n), 2 * math.sin(-2 * math.pi * k / n)) for k in range(n)]
    ring = [0] + list(range(n, 2 * n)) + [n] + list(range(n))
    return (HEAD.replace("1.0", "1.1") + 'Object "o" {\n\tvertex %d {\n%s\t}\n\tface 1 {\n\t\t%d V(%s)\n\t}\n}\n'
            % (2 * n, "".join("\t\t%.6f %.6f 0\n" % p for p in circles), len(ring), " ".join(map(str, ring))))


def archive_names(n):
    """An archive whose n materials name its one texture each by a folder
    of their own."""
    import io
    import zipfile

    text = HEAD.replace("1.0", "1.1") + "Material %d {\n%s}\n" % (
        n, "".join('\t"m%d" tex("d%d\\\\a.png")\n' % (i, i) for i in range(n)))
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("doc.mqo", text)
        archive.writestr("a.png", PNG)
    return ".mqoz", buffer.getvalue()


def punycode_name(n):
    """A code page no text encoding names, and a name of 200n non-ASCII characters."""
    n *= 200
    return (HEAD.replace("1.0", "1.1") + "CodePage punycode\n"
            + 'Material 1 {\n\t"%s" col(1 1 1 1)\n}\n' % ("\u00e9" * n))


RIG_HEAD = HEAD.replace("1.0", "1.1") + 'IncludeXml "doc.mqx"\n'
XML_HEAD = '<?xml version="1.0" encoding="UTF-8" ?>\n<MetasequoiaDocument>\n'


def skinned(vertices):
    """One object of `vertices` vertices numbered by uids of their own."""
    return ('Object "body" {\n\tuid 1\n\tvertex %d {\n%s\t}\n\tvertexattr {\n\t\tuid {\n%s\t\t}\n\t}\n'
            '\tface 0 {\n\t}\n}\n' % (vertices, "".join("\t\t%d 0 0\n" % i for i in range(vertices)),
                                          "".join("\t\t\t%d\n" % (i + 7) for i in range(vertices))))


def bones_xml(bones):
    """Bones as (parent, [(vertex uid, percent)...]), in a bone plug-in's set."""
    return (XML_HEAD + '<Plugin.56A31D20.71F282AB name="Bone">\n<BoneSet>\n'
            + "".join('<Bone id="%d" name="b%d" rtX="0" rtY="%d" rtZ="0" tpX="0" tpY="%d" tpZ="0">\n<P id="%d" />\n%s'
                      "</Bone>\n" % (i + 1, i, i, i + 1, parent, "".join(
                          '<W oi="1" vi="%d" w="%g" />\n' % w for w in weights))
                      for i, (parent, weights) in enumerate(bones))
            + "</BoneSet>\n</Plugin.56A31D20.71F282AB>\n</MetasequoiaDocument>\n")


def bone_chain(n):
    """A chain of n bones, each weighing four vertices of one object."""
    bones = [(i, [(4 * i + k + 7, 100) for k in range(4)]) for i in range(n)]
    return ".mqo", (RIG_HEAD + skinned(4 * n)).encode(), {"doc.mqx": bones_xml(bones).encode()}


def bone_weights(n):
    """One bone weighing 20n vertices, each by a weight of its own."""
    weights = [(i + 7, 100.0 * (i + 1) / (20 * n)) for i in range(20 * n)]
    return ".mqo", (RIG_HEAD + skinned(20 * n)).encode(), {"doc.mqx": bones_xml([(0, weights)]).encode()}


def morph_targets(n):
    """A base of four vertices and n targets of it."""
    quad = "\tvertex 4 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t1 1 0\n\t\t0 1 %d\n\t}\n\tface 1 {\n\t\t4 V(0 1 2 3)\n\t}\n"
    text = RIG_HEAD + 'Object "base" {\n%s}\n' % (quad % 0) + "".join(
        'Object "t%d" {\n\tdepth 1\n\tvisible 0\n%s}\n' % (i, quad % (i + 1)) for i in range(n))
    xml = (XML_HEAD + '<Plugin.56A31D20.C452C6DB name="Morph">\n<MorphSet>\n<TargetList base="base">\n'
           + "".join('<Target name="t%d" param="0" type="0" />\n' % i for i in range(n))
           + "</TargetList>\n</MorphSet>\n</Plugin.56A31D20.C452C6DB>\n</MetasequoiaDocument>\n")
    return ".mqo", text.encode(), {"doc.mqx": xml.encode()}


def companion_attribute(n):
    """A companion whose one bone's name is 2,000n bytes long."""
    xml = bones_xml([(0, [(7, 100)])]).replace('name="b0"', 'name="%s"' % ("x" * (2000 * n)))
    return ".mqo", (RIG_HEAD + skinned(1)).encode(), {"doc.mqx": xml.encode()}


TIMED = """
import json, os, sys, time
sys.path[:0] = [%(build)r, %(hosts)r, %(common)r]
%(prepare)s
import Blender, Mivka
Blender.Registry.SetKey("Mivka", {"Extended": True})
document, out = sys.argv[-2:]
os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
start = time.perf_counter()
Mivka.readmqo(document)
import resource
json.dump({"seconds": time.perf_counter() - start,
           "peak": resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024}, open(out, "w"))
"""


# Blender's own work for the same documents, without Mivka: the datablocks
# made and linked one at a time, as any importer makes them.
FLOOR = """
import json, sys, time
import bpy
bpy.ops.wm.read_factory_settings(use_empty=True)
kind, count, out = sys.argv[-3], int(sys.argv[-2]), sys.argv[-1]
start = time.perf_counter()
collection, before = bpy.context.scene.collection.objects, None
for i in range(count):
    name = ("m%d" if kind == "materials" else "o%d") % i
    if kind == "materials":
        bpy.data.materials.new(name).diffuse_color = (1, i / count, 0, 1)
        continue
    if kind == "alpha materials":
        material = bpy.data.materials.new(name)
        material.use_nodes = True
        material.node_tree.nodes["Principled BSDF"].inputs["Alpha"].default_value = 0.9 * (i + 1) / count
        continue
    mesh = bpy.data.meshes.new(name)
    mesh.from_pydata([(1, 0, 0), (0, 0, 1), (0, -1, 0)], [], [(2, 1, 0)])
    obj = bpy.data.objects.new(name, mesh)
    collection.link(obj)
    if kind == "parent chain" and before is not None:
        obj.parent = before
        obj.matrix_parent_inverse = before.matrix_world.inverted()
    before = obj
json.dump({"seconds": time.perf_counter() - start}, open(out, "w"))
"""


def measured(where, document, folder, kind=None, count=None):
    """Seconds, and the peak resident MiB where the host tells it (else None)."""
    out = os.path.join(folder, "result.json")
    if where == "command":
        started = time.perf_counter()
        subprocess.run([sys.executable, os.path.join(ROOT, "tools", "mivka"), document], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=1800,
                       env=dict(os.environ, MIVKA_BUILD_DIR=BUILD))
        return time.perf_counter() - started, None
    if where == "blender floor":
        command = ["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python-expr", FLOOR,
                   "--", kind, str(count), out]
    elif where == "memory":
        script = TIMED % {"build": BUILD, "hosts": os.path.join(ROOT, "hosts", "memory"),
                          "common": os.path.join(ROOT, "hosts", "common"), "prepare": ""}
        command = ["/usr/bin/python3", "-c", script, document, out]
    else:
        script = TIMED % {"build": BUILD, "hosts": os.path.join(ROOT, "hosts", "bpy"),
                          "common": os.path.join(ROOT, "hosts", "common"),
                          "prepare": "import bpy\nbpy.ops.wm.read_factory_settings(use_empty=True)"}
        command = ["blender", "-b", "--factory-startup", "--python-exit-code", "1", "--python-expr", script,
                   "--", document, out]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=1800)
    with open(out) as f:
        result = json.load(f)
    return result["seconds"], result.get("peak")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--n", type=int, default=1000)
    parser.add_argument("--no-blender", action="store_true")
    parser.add_argument("--only", metavar="TEXT", help="only the documents whose name has TEXT")
    arguments = parser.parse_args()
    n = arguments.n
    cases = [("memory", "objects", objects), ("memory", "parent chain", chain), ("memory", "materials", materials),
             ("memory", "face-material lookups", face_materials), ("memory", "corners of one face", one_face),
             ("memory", "punycode name length", punycode_name),
             ("memory", "archive names of one member", archive_names),
             ("memory", "bones in a chain, 4 weights each", bone_chain),
             ("memory", "weights of one bone, 20 per N", bone_weights),
             ("memory", "morph targets", morph_targets),
             ("memory", "companion attribute length", companion_attribute),
             ("command", "parent chain", chain)]
    if not arguments.no_blender and shutil.which("blender"):
        cases += [("blender", "empty objects", empty_objects)]
        for label, make in (("objects", objects), ("parent chain", chain), ("materials", materials),
                            ("alpha materials", alpha_materials)):
            cases += [("blender", label, make), ("blender floor", label, make)]
        cases += [("blender", "transparent materials", transparent_materials),
                  ("blender", "emitting materials", emitting_materials),
                  ("blender", "textured materials", textured_materials),
                  ("blender", "face-material lookups", face_materials),
                  ("blender", "corners of one face", one_face),
                  ("blender", "corners of a face with a hole", face_with_a_hole),
                  ("blender", "punycode name length", punycode_name),
                  ("blender", "bones in a chain, 4 weights each", bone_chain),
                  ("blender", "weights of one bone, 20 per N", bone_weights),
                  ("blender", "morph targets", morph_targets)]
    if arguments.only:
        cases = [case for case in cases if arguments.only in case[1]]
    print("| host | document | N | s at N | s at 16N | growth (16 is linear) | peak MiB at N | at 16N |")
    print("|---|---|---|---|---|---|---|---|")
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "t.png"), "wb") as f:
            f.write(PNG)
        for where, label, make in cases:
            times, peaks = [], []
            for count in (n, 16 * n):
                made = make(count)
                made = made if isinstance(made, tuple) else (".mqo", made.encode())
                suffix, content, beside = made if len(made) == 3 else made + ({},)
                document = os.path.join(folder, "doc" + suffix)
                for name, data in [(document, content)] + [(os.path.join(folder, k), v) for k, v in beside.items()]:
                    with open(name, "wb") as f:
                        f.write(data)
                spent, peak = measured(where, document, folder, label, count)
                times.append(spent)
                peaks.append("%.0f" % peak if peak is not None else "-")
                for name in beside:
                    os.remove(os.path.join(folder, name))
            print("| %s | %s | %d | %.3f | %.3f | %.1f | %s | %s |" % (where, label, n, times[0], times[1],
                                                                      times[1] / times[0], peaks[0], peaks[1]))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
