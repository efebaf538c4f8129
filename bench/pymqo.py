"""A plain Python reading of MQO documents, for the benchmarks: `parse`
reads a document line by line with splits and regular expressions into
Python values; `replay` makes the host calls that readmqo makes for those
values, in the same order and with the same arguments.

Together they are the importer a script author would write; `replay` alone,
timed on values parsed beforehand, is the floor that the host's own calls
set."""

import re
import struct

NUMBER = re.compile(rb"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?")
ATTRIBUTE = re.compile(rb"(\w+)\(([^)]*)\)")
QUOTED = re.compile(rb'"([^"]*)"')
FACE_PART = re.compile(rb"(V|M|UV|COL)\(([^)]*)\)")
SINGLE = struct.Struct("f")


def single(text):
    """The number as the module holds it: rounded to single precision."""
    return SINGLE.unpack(SINGLE.pack(float(text)))[0]


def parse(path):
    """Materials and objects of a well-formed document as plain values."""
    with open(path, "rb") as f:
        lines = iter(f.read().splitlines())
    materials, objects = [], []
    for line in lines:
        line = line.strip()
        if line.startswith(b"Material ") and line.endswith(b"{"):
            for line in lines:
                line = line.strip()
                if line.startswith(b"}"):
                    break
                name = QUOTED.match(line).group(1).strip()
                materials.append((name, [(k.decode(), [float(v) for v in value.split()])
                                         for k, value in ATTRIBUTE.findall(line[len(name) + 2:])]))
        elif line.startswith(b"Object "):
            obj = {"name": QUOTED.search(line).group(1).strip(), "depth": [], "steps": [], "vertices": [],
                   "faces": []}
            objects.append(obj)
            for line in lines:
                line = line.strip()
                words = line.split()
                if not words:
                    continue
                key = words[0]
                if key == b"depth":
                    obj["depth"].append(int(words[1]))
                elif key in (b"scale", b"rotation", b"translation"):
                    obj["steps"].append((key.decode(), [float(w) for w in words[1:4]]))
                elif key == b"vertex":
                    for line in lines:
                        numbers = line.split()
                        if numbers[0] == b"}":
                            break
                        x, y, z = (single(n) for n in numbers)
                        obj["vertices"].append((x, -z, y))
                elif key == b"face":
                    for line in lines:
                        parts = dict(FACE_PART.findall(line))
                        if not parts:
                            break
                        count = int(line.split(None, 1)[0])
                        corners = [int(n) for n in parts[b"V"].split()]
                        material = int(parts[b"M"]) if b"M" in parts else -1
                        uv = [single(n) for n in parts[b"UV"].split()] if b"UV" in parts else None
                        col = [int(n) for n in parts[b"COL"].split()] if b"COL" in parts else None
                        obj["faces"].append((count, corners, material, uv, col))
                elif key == b"}":
                    break
    return materials, objects


MATERIAL_SETTERS = {"dif": "setRef", "amb": "setAmb", "emi": "setEmit"}


def replay(model):
    """The host calls of a conversion of the parsed document (scale 1)."""
    import Blender

    host = Blender.__dict__
    materials_in, objects_in = model
    host["Window"].DrawProgressBar(0.0, "...")
    materials = []
    for name, attributes in materials_in:
        material = host["Material"].New(name)
        for key, values in attributes:
            if key == "shader" and values[0] >= 3:
                material.setSpecShader(int(values[0]) - 2)
            elif key == "col":
                material.setRGBCol((values[0], values[1], values[2]))
                material.setAlpha(values[3])
            elif key in MATERIAL_SETTERS:
                getattr(material, MATERIAL_SETTERS[key])(values[0])
            elif key == "spc":
                material.setSpec(2.0 * values[0])
            elif key == "power":
                material.setHardness(int(values[0] * 5.11))
        materials.append(material)
    dict(host["Registry"].GetKey("Mivka", 1) or {})

    depths = []
    for obj in objects_in:
        name = obj["name"]
        mathutils = host["Mathutils"]
        made = host["Object"].New("Mesh", name)
        mesh = host["NMesh"].New(name)
        depths.extend((d, made) for d in obj["depth"])
        for kind, (c1, c2, c3) in obj["steps"]:
            if kind == "scale":
                step = mathutils.Matrix((c1, 0.0, 0.0), (0.0, c3, 0.0), (0.0, 0.0, c2)).resize4x4()
            elif kind == "rotation":
                step = mathutils.Euler((c1, c3, c2)).toMatrix().resize4x4()
            else:
                step = mathutils.TranslationMatrix(mathutils.Vector((c1, -c3, c2)))
            made.setMatrix(made.matrix * step)
        vert = host["NMesh"].Vert
        host["Window"].DrawProgressBar(0.5, "...")
        for a, b, c in obj["vertices"]:
            mesh.verts.append(vert(a, b, c))
        mesh.verts.__len__()
        face_class = host["NMesh"].Face
        vertex_list = list(mesh.verts)
        some_uv = some_col = False
        for count, corners, material_number, uv, col in obj["faces"]:
            if count == 2:
                mesh.addEdge(vertex_list[corners[1]], vertex_list[corners[0]])
                continue
            if count < 2 or count > 4:
                continue
            face = face_class()
            append = face.append
            for i in range(count - 1, -1, -1):
                append(vertex_list[corners[i]])
            if material_number >= 0:
                material = materials[material_number]
                if mesh.getMaterials().count(material) == 0:
                    mesh.addMaterial(material)
                face.materialIndex = mesh.materials.index(material)
            if uv is not None:
                some_uv = True
                face.uv = [(uv[2 * i], 1.0 - uv[2 * i + 1]) for i in range(count - 1, -1, -1)]
            if col is not None:
                some_col = True
                colour = host["NMesh"].Col
                face.col = [colour(k & 255, k >> 8 & 255, k >> 16 & 255, k >> 24 & 255)
                            for k in (col[i] for i in range(count - 1, -1, -1))]
            mesh.faces.append(face)
        if some_uv:
            mesh.hasFaceUV(1)
        if some_col:
            mesh.hasVertexColours(1)
        mesh.faces.__len__()
        mesh.update()
        made.link(mesh)
        host["Scene"].getCurrent().link(made)

    parents = []
    for depth, made in depths:
        made.getData(0, 1).transform(made.getInverseMatrix())
        while parents and parents[-1][0] >= depth:
            parents.pop()
        if depth != 0 and parents:
            parents[-1][1].makeParent([made])
        parents.append((depth, made))
    host["Window"].DrawProgressBar(1.0, "Done")
