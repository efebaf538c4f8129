"""A plain pure-Python MQO importer for Blender, for comparison: a
line-splitting parse loop, then every mesh written in bulk (from_pydata,
UV and colour layers, materials) and the parents set. Runs inside Blender."""

import re

import bpy

ATTRIBUTE = re.compile(r"(\w+)\(([^)]*)\)")
FACE_PART = re.compile(r"(V|M|UV|COL)\(([^)]*)\)")


def import_mqo(path, scale=1.0):
    with open(path, encoding="latin-1") as f:
        lines = iter(f.read().splitlines())
    materials = []
    objects = []
    for line in lines:
        line = line.strip()
        if line.startswith("Material ") and line.endswith("{"):
            for line in lines:
                line = line.strip()
                if line.startswith("}"):
                    break
                name = line.split('"')[1]
                material = bpy.data.materials.new(name)
                material.use_nodes = True
                for key, value in ATTRIBUTE.findall(line):
                    if key == "col":
                        r, g, b, a = (float(v) for v in value.split())
                        material.node_tree.nodes["Principled BSDF"].inputs["Base Color"].default_value = (r, g, b, 1)
                materials.append(material)
        elif line.startswith("Object "):
            name = line.split('"')[1]
            depth = 0
            vertices, faces, material_of, uvs, colours = [], [], [], [], []
            for line in lines:
                words = line.split()
                if not words:
                    continue
                if words[0] == "depth":
                    depth = int(words[1])
                elif words[0] == "vertex":
                    for line in lines:
                        words = line.split()
                        if words[0] == "}":
                            break
                        x, y, z = float(words[0]), float(words[1]), float(words[2])
                        vertices.append((x * scale, -z * scale, y * scale))
                elif words[0] == "face":
                    for line in lines:
                        parts = dict(FACE_PART.findall(line))
                        if not parts:
                            break
                        corners = [int(v) for v in parts["V"].split()][::-1]
                        if len(corners) < 3:
                            continue
                        faces.append(corners)
                        material_of.append(int(parts.get("M", 0)))
                        if "UV" in parts:
                            uv = [float(v) for v in parts["UV"].split()]
                            uvs.extend(c for i in range(len(corners) - 1, -1, -1) for c in (uv[2 * i], 1 - uv[2 * i + 1]))
                        else:
                            uvs.extend((0.0, 0.0) * len(corners))
                        if "COL" in parts:
                            for k in [int(v) for v in parts["COL"].split()][::-1]:
                                colours.extend(((k & 255) / 255, (k >> 8 & 255) / 255, (k >> 16 & 255) / 255,
                                                (k >> 24 & 255) / 255))
                        else:
                            colours.extend((1.0,) * 4 * len(corners))
                elif words[0] == "}":
                    break
            mesh = bpy.data.meshes.new(name)
            mesh.from_pydata(vertices, [], faces)
            used = sorted(set(material_of))
            for number in used:
                mesh.materials.append(materials[number])
            slot = {number: i for i, number in enumerate(used)}
            mesh.polygons.foreach_set("material_index", [slot[m] for m in material_of])
            mesh.uv_layers.new(name="UVMap").data.foreach_set("uv", uvs)
            mesh.color_attributes.new("Col", "BYTE_COLOR", "CORNER").data.foreach_set("color_srgb", colours)
            mesh.update()
            obj = bpy.data.objects.new(name, mesh)
            bpy.context.scene.collection.objects.link(obj)
            objects.append((depth, obj))
    parents = []
    for depth, obj in objects:
        while parents and parents[-1][0] >= depth:
            parents.pop()
        if parents:
            obj.parent = parents[-1][1]
        parents.append((depth, obj))
