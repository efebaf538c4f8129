"""One description of a converted scene for both hosts, to compare them:
mesh objects with their parents, every face as its material and its
corners (world position, texture coordinates, colour, and the normal in
world axes where the document gives the corner one) in order, and the
edges as pairs of vertex numbers (Blender's include those of the faces). A
corner that repeats the one before it is left out (a quad with a doubled
corner is a triangle), and so is a face left with fewer than three corners;
one still repeating a vertex stands as the polygons Blender holds for it.
A rigged scene adds its armatures' bones (head and tail in world axes),
each vertex's groups and weights, and each shape key's positions in world
axes."""

import os

from blender24.armatures import Options
from blender24.mathutils import turned_direction
from blender24.names import decode_name
from blender_hold.faces import held_polygons, starts_of


def _face(material, corners):
    return {"material": material, "corners": corners}


def _held_faces(mesh, matrix):
    """The polygons Blender holds for the in-memory mesh's faces."""
    import numpy

    number = {id(v): i for i, v in enumerate(mesh.verts)}
    lengths = numpy.array([len(face.v) for face in mesh.faces], dtype=numpy.int32)
    corners = numpy.array([number[id(v)] for face in mesh.faces for v in face.v], dtype=numpy.int32)
    positions = numpy.array([c for v in mesh.verts for c in v.co], dtype=numpy.float64)
    first_corner = starts_of(lengths).tolist()
    face_of, counts, loops = held_polygons(corners, lengths, positions)
    faces, start = [], 0
    for face_number, count in zip(face_of.tolist(), counts.tolist()):
        face = mesh.faces[face_number]
        material = decode_name(mesh.materials[face.materialIndex].name) if mesh.materials else None
        described = []
        for i in (loop - first_corner[face_number] for loop in loops[start:start + count].tolist()):
            uv = list(face.uv[i]) if mesh.hasFaceUV() and face.uv else None
            col = list(face.col[i]) if mesh.hasVertexColours() and face.col else None
            own = face.normals[i] if face.normals and any(face.normals[i]) else None
            normal = turned_direction(own, matrix) if own else None
            described.append([list(face.v[i].co * matrix), uv, col, normal])
        faces.append(_face(material, described))
        start += count
    return faces


def _weights(per_vertex):
    return [sorted([name, round(weight, 5)] for name, weight in groups) for groups in per_vertex]


def _rig_memory(obj, mesh, described):
    from blender24.mathutils import Vector

    if mesh.getVertGroupNames():
        per_vertex = [[] for _ in mesh.verts]
        for group in mesh.getVertGroupNames():
            for number, weight in mesh.getVertsFromGroup(group, 1):
                per_vertex[number].append((decode_name(group), weight))
        described["groups"] = _weights(per_vertex)
    if mesh.shape_keys:
        described["shape_keys"] = [
            [decode_name(name), [list(Vector(*positions[i:i + 3]) * obj.matrix) for i in range(0, len(positions), 3)]]
            for name, positions in mesh.shape_keys]


def _bones_memory(obj):
    bones = obj.getData(0, 1).bones.values()
    return {"name": decode_name(obj.name),
            "bones": sorted([decode_name(b.name), list(b.head * obj.matrix), list(b.tail * obj.matrix),
                             decode_name(b.parent.name) if b.parent is not None else None,
                             Options.HIDDEN_EDIT in b.options]
                            for b in bones)}


def snapshot_memory():
    """The in-memory host's scene, without the mesh objects that Blender
    does not make: those with nothing in their mesh and no children."""
    import Blender

    objects = []
    in_scene = Blender.Scene.getCurrent().objects
    parents = {id(obj.parent) for obj in in_scene if obj.parent is not None}
    armatures = [_bones_memory(obj) for obj in in_scene if obj.type == "Armature"]
    for obj in in_scene:
        mesh = obj.getData(0, 1)
        if obj.type != "Mesh" or mesh is None:
            continue
        if not mesh.verts and not mesh.edges and id(obj) not in parents:
            continue
        faces = _held_faces(mesh, obj.matrix)
        index = {id(v): i for i, v in enumerate(mesh.verts)}
        edges = sorted(sorted((index[id(e.v1)], index[id(e.v2)])) for e in mesh.edges)
        objects.append({"name": decode_name(obj.name),
                        "parent": decode_name(obj.parent.name) if obj.parent else None,
                        "faces": faces, "edges": edges})
        _rig_memory(obj, mesh, objects[-1])
    textures = sorted(os.fsdecode(t.tex.image.filename) for m in Blender.Material.Get()
                      for t in m.getTextures() if t is not None and t.tex.image is not None)
    return {"objects": objects, "textures": textures, "armatures": armatures}


def _rig_bpy(obj, described):
    mesh = obj.data
    if obj.vertex_groups:
        names = {g.index: g.name for g in obj.vertex_groups}
        described["groups"] = _weights([[(names[g.group], g.weight) for g in v.groups] for v in mesh.vertices])
    if mesh.shape_keys:
        described["shape_keys"] = [[key.name, [list(obj.matrix_world @ d.co) for d in key.data]]
                                   for key in mesh.shape_keys.key_blocks]


def _bones_bpy(obj):
    matrix = obj.matrix_world
    return {"name": obj.name,
            "bones": sorted([b.name, list(matrix @ b.head_local), list(matrix @ b.tail_local),
                             b.parent.name if b.parent else None, b.hide] for b in obj.data.bones)}


def snapshot_bpy():
    """The scene built in Blender."""
    import bpy

    from Blender import versions

    objects = []
    armatures = [_bones_bpy(obj) for obj in bpy.context.scene.objects if obj.type == "ARMATURE"]
    for obj in bpy.context.scene.objects:
        if obj.type != "MESH":
            continue
        mesh = obj.data
        matrix = obj.matrix_world
        # Normals first: working them out adds a layer to the corners, which
        # moves the corners' other layers in memory.
        normals = versions.corner_normals(mesh) if mesh.has_custom_normals else None
        uv = mesh.uv_layers.active.data if mesh.uv_layers.active else None
        colours = mesh.color_attributes.get("Col")
        turn = matrix.to_3x3()
        faces = []
        for polygon in mesh.polygons:
            material = mesh.materials[polygon.material_index]["mivka_name"] if mesh.materials else None
            corners = []
            for loop in polygon.loop_indices:
                position = matrix @ mesh.vertices[mesh.loops[loop].vertex_index].co
                corner_uv = list(uv[loop].uv) if uv is not None else None
                corner_col = [round(c * 255) for c in colours.data[loop].color_srgb] if colours else None
                normal = list((turn @ type(position)(normals[loop])).normalized()) if normals else None
                corners.append([list(position), corner_uv, corner_col, normal])
            faces.append(_face(material, corners))
        edges = sorted(sorted(e.vertices) for e in mesh.edges)
        objects.append({"name": obj.name, "parent": obj.parent.name if obj.parent else None,
                        "faces": faces, "edges": edges})
        _rig_bpy(obj, objects[-1])
    textures = sorted(bpy.path.abspath(node.image.filepath) for m in bpy.data.materials if m.node_tree
                      for node in m.node_tree.nodes if node.type == "TEX_IMAGE" and node.image)
    return {"objects": objects, "textures": textures, "armatures": armatures}
