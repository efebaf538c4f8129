"""A small picture of a converted scene, framed and lit, rendered inside
Blender."""

import math
import os

import bpy

# Where a renderer's single-precision arithmetic still frames and lights a
# model: the picture of a model beyond it comes from copies moved and scaled
# into it.
RENDER_RANGE = 1e5


def _world_points(evaluated):
    """The vertices of an evaluated mesh object in world axes, as an array
    of rows of three doubles."""
    import numpy

    count = len(evaluated.data.vertices)
    co = numpy.empty(count * 3, dtype=numpy.float32)
    evaluated.data.vertices.foreach_get("co", co)
    matrix = numpy.array([list(row) for row in evaluated.matrix_world], dtype=numpy.float64)
    with numpy.errstate(all="ignore"):
        return co.reshape(-1, 3).astype(numpy.float64) @ matrix[:3, :3].T + matrix[:3, 3]


def _beyond_render_range(scene, depsgraph):
    """For a model that reaches far beyond RENDER_RANGE (or is smaller than
    its inverse), replaces the visible meshes in the picture by copies of
    them as shown, centred and scaled to a unit's size with double-precision
    arithmetic; returns whether it did."""
    import numpy

    shown = []
    for obj in scene.objects:
        if obj.type == "MESH" and not obj.hide_render:
            evaluated = obj.evaluated_get(depsgraph)
            shown.append((obj, evaluated, _world_points(evaluated)))
    finite = [w[numpy.isfinite(w).all(axis=1)] for _, _, w in shown]
    finite = numpy.concatenate(finite) if finite else numpy.zeros((0, 3))
    if not len(finite):
        return False
    low, high = finite.min(axis=0), finite.max(axis=0)
    centre = low / 2 + high / 2
    radius = float(numpy.linalg.norm(high / 2 - low / 2))
    if numpy.abs(centre).max() + radius <= RENDER_RANGE and radius >= 1 / RENDER_RANGE:
        return False
    radius = radius or 1.0
    for obj, evaluated, world in shown:
        mesh = bpy.data.meshes.new_from_object(evaluated)
        with numpy.errstate(all="ignore"):
            moved = (world - centre) / radius
        moved[~numpy.isfinite(moved)] = 0.0
        mesh.vertices.foreach_set("co", moved.astype(numpy.float32).ravel())
        mesh.update()
        copy = bpy.data.objects.new(obj.name + " (preview)", mesh)
        scene.collection.objects.link(copy)
        obj.hide_render = True
    return True


def _bounds(scene):
    """The box around every finite vertex shown in the picture (mirror
    modifiers applied), object by object in arrays: a model of millions of
    vertices frames without a Python object each."""
    import numpy
    from mathutils import Vector

    depsgraph = bpy.context.evaluated_depsgraph_get()
    if _beyond_render_range(scene, depsgraph):
        depsgraph = bpy.context.evaluated_depsgraph_get()
    low, high = numpy.full(3, numpy.inf), numpy.full(3, -numpy.inf)
    for obj in scene.objects:
        if obj.type == "MESH" and not obj.hide_render:
            world = _world_points(obj.evaluated_get(depsgraph))
            world = world[numpy.isfinite(world).all(axis=1)]
            if len(world):
                low, high = numpy.minimum(low, world.min(axis=0)), numpy.maximum(high, world.max(axis=0))
    if not numpy.isfinite(low).all():
        low = high = numpy.zeros(3)
    return Vector(low.tolist()), Vector(high.tolist())


def _add_camera(scene, low, high):
    """A camera that frames the box from `low` to `high`."""
    from mathutils import Vector

    centre, radius = (low + high) / 2, max((high - low).length / 2, 1e-3)
    camera = bpy.data.objects.new("Preview camera", bpy.data.cameras.new("Preview camera"))
    scene.collection.objects.link(camera)
    camera.data.lens = 40
    direction = Vector((1.0, -1.4, 0.9)).normalized()
    rotation = (-direction).to_track_quat("-Z", "Y")
    camera.rotation_euler = rotation.to_euler()
    # Near enough that the bounding box's corners fill the square picture,
    # with a small margin: each corner, in the camera's axes, must lie within
    # the field of view from the camera's place on the line of sight.
    half = math.tan(camera.data.angle / 2) / 1.08
    inverse = rotation.to_matrix().inverted()
    distance = 0.0
    for corner in ((x, y, z) for x in (low.x, high.x) for y in (low.y, high.y) for z in (low.z, high.z)):
        local = inverse @ (Vector(corner) - centre)
        distance = max(distance, abs(local.x) / half + local.z, abs(local.y) / half + local.z)
    camera.location = centre + direction * max(distance, radius * 0.1)
    camera.data.clip_start = max(distance - 2 * radius, radius * 1e-3, 1e-4)
    camera.data.clip_end = distance + 4 * radius
    scene.camera = camera


def _add_light(scene):
    """A sun and a grey world."""
    from Blender import versions

    light = bpy.data.objects.new("Preview light", bpy.data.lights.new("Preview light", "SUN"))
    light.rotation_euler = (math.radians(40), math.radians(10), math.radians(30))
    light.data.energy = 3.0
    scene.collection.objects.link(light)
    world = bpy.data.worlds.new("Preview world")
    versions.set_world_colour(world, (0.35, 0.35, 0.4))
    scene.world = world


def render(path, size=512):
    """A small picture of the scene, with a camera and a light framing it."""
    scene = bpy.context.scene
    _add_camera(scene, *_bounds(scene))
    _add_light(scene)
    scene.render.engine = "CYCLES"
    scene.cycles.device = "CPU"
    scene.cycles.samples = 16
    scene.cycles.use_denoising = False
    scene.render.resolution_x = scene.render.resolution_y = size
    scene.render.film_transparent = False
    scene.render.filepath = os.path.abspath(path)
    scene.render.image_settings.file_format = "PNG"
    bpy.ops.render.render(write_still=True)
