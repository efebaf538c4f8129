"""The scene a conversion built, described: as plain JSON-ready data, as
readable lines, and the textures it took from outside the document's
folder."""

import math
import os

from blender24.armatures import Options
from blender24.names import decode_name


def _round(value):
    return round(value, 6) + 0.0


def finite(data):
    """`data` with every infinite or not-a-number float made None (null):
    JSON has no such numbers."""
    if isinstance(data, float):
        return data if math.isfinite(data) else None
    if isinstance(data, dict):
        return {k: finite(v) for k, v in data.items()}
    if isinstance(data, list):
        return [finite(v) for v in data]
    return data


def outside_textures(document, files):
    """The image files among `files` that lie outside the document's folder
    (a file that shares the scene, such as a .glb, carries them along).
    Those that are gone (unpacked from an archive for the conversion only,
    their bytes kept with the images) are none of them."""
    folder = os.path.realpath(os.path.dirname(os.path.abspath(document)))
    found = set()
    for name in files:
        path = os.path.realpath(os.fsdecode(name))
        if os.path.exists(path) and os.path.commonpath([folder, path]) != folder:
            found.add(path)
    return sorted(found)


def outside_lines(document, files):
    paths = outside_textures(document, files)
    if not paths:
        return []
    return ["Textures from outside the document's folder: %d" % len(paths)] + ["  " + p for p in paths]


def _index_of(items):
    return {id(item): i for i, item in enumerate(items)}


def _name(item):
    return decode_name(item.name)


class _Description:
    """The in-memory host's datablocks, each referring to others by their
    place in their own list."""

    def __init__(self, made, geometry):
        self.geometry = geometry
        self.materials, self.textures = _index_of(made["materials"]), _index_of(made["textures"])
        self.images, self.meshes, self.objects = (_index_of(made["images"]), _index_of(made["meshes"]),
                                                  _index_of(made["objects"]))
        self.armatures = _index_of(made["armatures"])

    def object(self, obj, scene):
        mesh = obj.getData(0, 1)
        return {"name": _name(obj), "type": obj.type,
                "matrix": [[_round(c) for c in row] for row in obj.matrix.rows()],
                "parent": self.objects.get(id(obj.parent)) if obj.parent is not None else None,
                "mesh": self.meshes.get(id(mesh)) if mesh is not None else None,
                "armature": self.armatures.get(id(mesh)) if mesh is not None else None,
                "in_scene": obj in scene.objects}

    def armature(self, armature):
        bones = list(armature.bones.values())
        order = {id(b): i for i, b in enumerate(bones)}
        return {"name": _name(armature),
                "bones": [{"name": decode_name(b.name), "head": [_round(c) for c in b.head],
                           "tail": [_round(c) for c in b.tail],
                           "parent": order.get(id(b.parent)) if b.parent is not None else None,
                           "hidden": Options.HIDDEN_EDIT in b.options} for b in bones]}

    def mesh(self, mesh):
        data = {"name": _name(mesh), "materials": [self.materials.get(id(m)) for m in mesh.materials],
                "has_face_uv": bool(mesh.hasFaceUV()), "has_vertex_colours": bool(mesh.hasVertexColours()),
                "updates": mesh.updates,
                "shape_keys": [decode_name(name) for name, _ in mesh.shape_keys]}
        if mesh.owner is not None:
            data["vertex_groups"] = [decode_name(g) for g in mesh.getVertGroupNames()]
        if not self.geometry:
            data["counts"] = [len(mesh.verts), len(mesh.faces), len(mesh.edges)]
            return data
        verts = _index_of(mesh.verts)
        data["vertices"] = [[_round(c) for c in v.co] for v in mesh.verts]
        data["faces"] = [{"vertices": [verts.get(id(v)) for v in face.v], "material_index": face.materialIndex,
                          "uv": [[_round(u), _round(v)] for u, v in face.uv],
                          "colours": [list(c) for c in face.col]} for face in mesh.faces]
        data["edges"] = [[verts.get(id(e.v1)), verts.get(id(e.v2))] for e in mesh.edges]
        return data

    def material(self, m):
        return {"name": _name(m), "rgb": [_round(c) for c in m.rgbCol], "alpha": _round(m.alpha),
                "ref": _round(m.ref), "amb": _round(m.amb), "emit": _round(m.emit), "spec": _round(m.spec),
                "hardness": m.hard, "spec_shader": m.specShader,
                "textures": [self.texture_slot(i, t) for i, t in enumerate(m.getTextures()) if t is not None]}

    def texture_slot(self, slot, mtex):
        return {"slot": slot, "texture": self.textures.get(id(mtex.tex)), "texco": mtex.texco,
                "mapto": mtex.mapto, "mapping": mtex.mapping,
                "object": self.objects.get(id(mtex.object)) if mtex.object is not None else None}

    def texture(self, t):
        return {"name": decode_name(t.name), "type": t.type,
                "image": self.images.get(id(t.image)) if t.image is not None else None,
                "image_flags": list(t.imageFlags)}


def scene_data(geometry=True):
    """Everything the in-memory host holds, as plain JSON-ready data; without
    `geometry`, each mesh's counts of vertices, faces and edges stand for
    them (a summary needs no more, and a document may hold millions)."""
    import Blender

    made = Blender.datablocks()
    scene = Blender.Scene.getCurrent()
    describe = _Description(made, geometry)
    return {
        "objects": [describe.object(obj, scene) for obj in made["objects"]],
        "meshes": [describe.mesh(m) for m in made["meshes"]],
        "armatures": [describe.armature(a) for a in made["armatures"]],
        "materials": [describe.material(m) for m in made["materials"]],
        "textures": [describe.texture(t) for t in made["textures"]],
        "images": [{"name": decode_name(i.name), "filename": decode_name(i.filename)} for i in made["images"]],
    }


# Levels of the object tree shown by indentation.
INDENTED_LEVELS = 32


def summary(data):
    """The scene as readable lines: the object tree, then the materials."""
    lines = []
    objects = data["objects"]
    children = {}
    for i, obj in enumerate(objects):
        children.setdefault(obj["parent"], []).append(i)

    def describe(i, depth):
        obj = objects[i]
        # Deep in a hierarchy the indentation stops growing and the depth
        # is written instead: lines stay short however deep it goes.
        if depth <= INDENTED_LEVELS:
            text = "  " * depth
        else:
            text = "  " * INDENTED_LEVELS + "(level %d) " % depth
        text += "%s [%s]" % (obj["name"], obj["type"])
        if obj["mesh"] is not None:
            mesh = data["meshes"][obj["mesh"]]
            names = [data["materials"][m]["name"] for m in mesh["materials"]]
            counts = mesh.get("counts") or [len(mesh[key]) for key in ("vertices", "faces", "edges")]
            text += ": %d vertices, %d faces, %d edges" % tuple(counts)
            if names:
                text += "; materials " + ", ".join(names)
            if mesh["shape_keys"]:
                text += "; shape keys " + ", ".join(mesh["shape_keys"][1:])
        if obj.get("armature") is not None:
            bones = data["armatures"][obj["armature"]]["bones"]
            text += ": %d bones (%s)" % (len(bones), ", ".join(b["name"] for b in bones))
        if not obj["in_scene"]:
            text += " (not in the scene)"
        lines.append(text)

    lines.append("Objects: %d" % len(objects))
    # Depth first, children in document order, with a stack of its own:
    # a hierarchy may be deeper than Python's recursion allows.
    pending = [(root, 1) for root in reversed(children.get(None, []))]
    while pending:
        i, depth = pending.pop()
        describe(i, depth)
        pending.extend((child, depth + 1) for child in reversed(children.get(i, [])))
    lines.append("Materials: %d" % len(data["materials"]))
    for material in data["materials"]:
        text = "  %s: colour (%s), alpha %s" % (
            material["name"], " ".join("%g" % c for c in material["rgb"]), "%g" % material["alpha"])
        for slot in material["textures"]:
            texture = data["textures"][slot["texture"]]
            image = data["images"][texture["image"]]["filename"] if texture["image"] is not None else "no image"
            text += "; %s %s" % (texture["name"], image)
        lines.append(text)
    return "\n".join(lines)
