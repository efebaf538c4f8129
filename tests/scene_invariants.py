"""What every conversion leaves in the in-memory host, however broken its
document or wherever the host stopped it: faces of three corners or more on
their own mesh's vertices, material numbers within the mesh's list, finite
coordinates, edges between the mesh's vertices, and objects that are in the
scene once each, under parents that lead up to a root."""

import math


def scene_faults(Blender):
    """The ways the host's scene does not hold together, in words."""
    faults = []
    objects = Blender.Object.Get()
    known = {id(obj) for obj in objects}
    in_scene = [id(obj) for obj in Blender.Scene.getCurrent().objects]
    if len(in_scene) != len(set(in_scene)):
        faults.append("an object is in the scene twice")
    for obj in objects:
        seen, up = {id(obj)}, obj.parent
        while up is not None:
            if id(up) in seen or id(up) not in known:
                faults.append("%r has a parent outside the hierarchy or a loop of parents" % obj.name)
                break
            seen.add(id(up))
            up = up.parent
        mesh = obj.getData(0, 1) if obj.type == "Mesh" else None
        if mesh is not None:
            faults.extend("%r: %s" % (obj.name, fault) for fault in _mesh_faults(mesh))
    return faults


def _mesh_faults(mesh):
    vertices = {id(v) for v in mesh.verts}
    if not all(math.isfinite(c) for v in mesh.verts for c in v.co):
        yield "a coordinate that is not finite"
    slots = max(len(mesh.materials), 1)
    for number, face in enumerate(mesh.faces):
        if len(face.v) < 3 or any(id(v) not in vertices for v in face.v):
            yield "face %d has %d corners, or one not among the mesh's vertices" % (number, len(face.v))
        if not 0 <= face.materialIndex < slots:
            yield "face %d takes material %d of %d" % (number, face.materialIndex, len(mesh.materials))
    if any(id(e.v1) not in vertices or id(e.v2) not in vertices for e in mesh.edges):
        yield "an edge not between the mesh's vertices"


def assert_scene_holds_together(Blender):
    faults = scene_faults(Blender)
    assert not faults, faults[:5]
