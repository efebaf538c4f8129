"""Runs inside Blender (blender -b --factory-startup --python THIS -- ARGS):
converts MQO documents with Mivka and the bpy host into an empty scene,
then saves, exports, renders or describes the result.

    -- DOCUMENT [--scale S] [--texture-dir KIND=DIR ...] [-o OUT.blend|.glb|.gltf|.fbx|.obj ...]
       [--render PREVIEW.png] [--snapshot OUT.json]

With several documents (--each), every one is converted into a fresh scene
and described (used by the tests)."""

import argparse
import json
import math
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
for folder in (os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build")), os.path.join(ROOT, "hosts", "bpy"),
               os.path.join(ROOT, "hosts", "common"), os.path.join(ROOT, "tools")):
    if folder not in sys.path:
        sys.path.insert(0, folder)

import bpy  # noqa: E402

from scene_snapshot import snapshot_bpy  # noqa: E402


def empty_scene():
    bpy.ops.wm.read_factory_settings(use_empty=True)


def convert(document, scale=None, texture_dirs=()):
    from mivka_cli import convert as convert_with_host

    convert_with_host(document, scale, texture_dirs, fresh=True)


def save(path):
    extension = os.path.splitext(path)[1].lower()
    path = os.path.abspath(path)
    if extension == ".blend":
        bpy.ops.wm.save_as_mainfile(filepath=path, check_existing=False)
    elif extension in (".glb", ".gltf"):
        bpy.ops.export_scene.gltf(filepath=path, export_format="GLB" if extension == ".glb" else "GLTF_SEPARATE")
    elif extension == ".fbx":
        bpy.ops.export_scene.fbx(filepath=path)
    elif extension == ".obj":
        bpy.ops.wm.obj_export(filepath=path)
    else:
        raise SystemExit("mivka: cannot write %s: use .blend, .glb, .gltf, .fbx or .obj" % path)


def render(path, size=512):
    """A small picture of the scene, with a camera and a light framing it."""
    from mathutils import Vector

    scene = bpy.context.scene
    meshes = [o for o in scene.objects if o.type == "MESH"]
    points = [o.matrix_world @ v.co for o in meshes for v in o.data.vertices]
    if not points:
        points = [Vector((0, 0, 0))]
    low = Vector([min(p[i] for p in points) for i in range(3)])
    high = Vector([max(p[i] for p in points) for i in range(3)])
    centre, radius = (low + high) / 2, max((high - low).length / 2, 1e-3)
    camera = bpy.data.objects.new("Preview camera", bpy.data.cameras.new("Preview camera"))
    scene.collection.objects.link(camera)
    direction = Vector((1.0, -1.4, 0.9)).normalized()
    camera.location = centre + direction * radius * 3.2
    camera.rotation_euler = (-direction).to_track_quat("-Z", "Y").to_euler()
    camera.data.clip_end = radius * 20
    camera.data.lens = 40
    scene.camera = camera
    light = bpy.data.objects.new("Preview light", bpy.data.lights.new("Preview light", "SUN"))
    light.rotation_euler = (math.radians(40), math.radians(10), math.radians(30))
    light.data.energy = 3.0
    scene.collection.objects.link(light)
    world = bpy.data.worlds.new("Preview world")
    world.color = (0.35, 0.35, 0.4)
    scene.world = world
    scene.render.engine = "CYCLES"
    scene.cycles.device = "CPU"
    scene.cycles.samples = 16
    scene.cycles.use_denoising = False
    scene.render.resolution_x = scene.render.resolution_y = size
    scene.render.film_transparent = False
    scene.render.filepath = os.path.abspath(path)
    scene.render.image_settings.file_format = "PNG"
    bpy.ops.render.render(write_still=True)


def texture_dir(text):
    kind, _, folder = text.partition("=")
    return kind, folder


def main(argv):
    parser = argparse.ArgumentParser(prog="mivka_blender")
    parser.add_argument("documents", nargs="+")
    parser.add_argument("--scale", type=float)
    parser.add_argument("--texture-dir", type=texture_dir, action="append", default=[])
    parser.add_argument("-o", "--output", action="append", default=[])
    parser.add_argument("--render")
    parser.add_argument("--snapshot", help="write a description of the scene (per document with --each)")
    parser.add_argument("--each", action="store_true")
    parser.add_argument("--reopen", action="store_true", help="describe the saved .blend as reopened")
    arguments = parser.parse_args(argv)

    snapshots = {}
    from mivka_cli import ConversionFailed

    for document in arguments.documents:
        empty_scene()
        try:
            convert(document, arguments.scale, arguments.texture_dir)
        except Exception as failure:
            if arguments.each:  # noted, and the next document goes on
                snapshots[document] = {"error": "%s: %s" % (type(failure).__name__, failure)}
                continue
            if isinstance(failure, ConversionFailed):
                print("mivka: %s" % failure, file=sys.stderr)
                raise SystemExit(1)
            raise
        for output in arguments.output:
            save(output)
        if arguments.reopen:
            blend = [o for o in arguments.output if o.endswith(".blend")][0]
            bpy.ops.wm.open_mainfile(filepath=os.path.abspath(blend))
        snapshots[document] = snapshot_bpy()
        if arguments.render:
            render(arguments.render)
    sys.stdout.flush()
    if arguments.snapshot:
        with open(arguments.snapshot, "w", encoding="utf-8") as out:
            json.dump(snapshots, out)


if __name__ == "__main__":
    main(sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else [])
