"""Runs inside Blender (blender -b --factory-startup --python THIS -- ARGS):
converts MQO documents with Mivka and the bpy host into an empty scene,
then saves, exports, renders or describes the result.

    -- --job JOB.json [RESULTS.json]

The job file, which the command writes, holds the settings and the
documents, each with its outputs (.blend, .glb, .gltf, .fbx, .obj); a batch
notes each document's result in RESULTS.json."""

import argparse
import contextlib
import json
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
for folder in (os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build")), os.path.join(ROOT, "hosts", "bpy"),
               os.path.join(ROOT, "hosts", "common"), os.path.join(ROOT, "tools")):
    if folder not in sys.path:
        sys.path.insert(0, folder)

import bpy  # noqa: E402

from mivka_command.batch import FAILED, STOPPED, WHOLE, shown  # noqa: E402
from mivka_command.in_memory import STOPPED_EARLY, STOPPED_LINE, ConversionFailed  # noqa: E402
from mivka_command.in_memory import convert as convert_with_host  # noqa: E402
from mivka_command.preview import render  # noqa: E402
from mivka_command.scene import outside_lines  # noqa: E402


def empty_scene():
    bpy.ops.wm.read_factory_settings(use_empty=True)


def convert(document, scale=None, texture_dirs=(), strict=False):
    """Whether the whole document was read."""
    whole = convert_with_host(document, scale, texture_dirs, fresh=True, strict=strict)
    bpy.context.view_layer.update()
    return whole


def save(path):
    extension = os.path.splitext(path)[1].lower()
    path = os.path.abspath(path)
    if extension == ".blend":
        bpy.ops.wm.save_as_mainfile(filepath=path, check_existing=False)
    elif extension in (".glb", ".gltf"):
        export_gltf(path, "GLB" if extension == ".glb" else "GLTF_SEPARATE")
    elif extension == ".fbx":
        bpy.ops.export_scene.fbx(filepath=path)
    elif extension == ".obj":
        bpy.ops.wm.obj_export(filepath=path)
    else:
        raise SystemExit("mivka: cannot write %s: use .blend, .glb, .gltf, .fbx or .obj" % path)


def hierarchy_depth():
    """The number of parent links of the deepest object."""
    depths = {}
    for obj in bpy.context.scene.objects:
        chain = []
        while obj is not None and obj.name not in depths:
            chain.append(obj)
            obj = obj.parent
        depth = depths[obj.name] if obj is not None else -1
        for link in reversed(chain):
            depth += 1
            depths[link.name] = depth
    return max(depths.values(), default=0)


@contextlib.contextmanager
def output_to(target, *descriptors):
    """The process's output `descriptors` (1, 2) write to the file
    descriptor `target` meanwhile: Blender's own output too."""
    sys.stdout.flush()
    sys.stderr.flush()
    saved = [os.dup(fd) for fd in descriptors]
    for fd in descriptors:
        os.dup2(target, fd)
    try:
        yield
    finally:
        sys.stdout.flush()
        sys.stderr.flush()
        for fd, copy in zip(descriptors, saved):
            os.dup2(copy, fd)
            os.close(copy)


def export_gltf(path, export_format):
    """Blender's glTF exporter, whose failure is told in one line: it walks
    the hierarchy recursively, and a deep one exhausts Python's stack. What
    it prints is shown only when it succeeds."""
    import re
    import tempfile

    with tempfile.TemporaryFile() as held:
        failure = None
        with output_to(held.fileno(), 1, 2):
            try:
                # Modifiers applied: a mirrored model arrives whole. Beside
                # a .gltf, its textures go into a folder of its own: two
                # documents' images of one name never share a file.
                folder = {} if export_format == "GLB" else {
                    "export_texture_dir": os.path.splitext(os.path.basename(path))[0] + "_textures"}
                bpy.ops.export_scene.gltf(filepath=path, export_format=export_format, export_apply=True, **folder)
            except RuntimeError as error:
                failure = error
        held.seek(0)
        text = held.read()
    if failure is None:
        sys.stdout.buffer.write(text)
        sys.stdout.flush()
        return
    causes = re.findall(r"^(\w+(?:Error|Exception): .*)$", str(failure), re.M)
    cause = causes[-1] if causes else type(failure).__name__
    depth = hierarchy_depth()
    if depth < DEEP_HIERARCHY:
        raise SystemExit("mivka: Blender's glTF exporter could not write %s (%s)" % (path, cause))
    raise SystemExit("mivka: Blender's glTF exporter could not write %s (%s; the hierarchy is %d levels deep); "
                     ".blend and .fbx can hold this scene" % (path, cause, depth))


# Where the glTF exporter's recursion through the hierarchy nears Python's
# stack limit (it fails at some 350 levels).
DEEP_HIERARCHY = 200


def batch(job, result_file):
    """Each document of the job into a fresh scene and its output; one line
    per document, and the results written after each, so that the command
    knows how far a Blender that ended early came."""
    settings = job["settings"]
    results = {}
    for item in job["items"]:
        document, output = item["document"], item["outputs"][0]
        reason = ""
        quiet = os.open(os.devnull, os.O_WRONLY)
        try:
            with output_to(quiet, 1):
                empty_scene()
                whole = convert(document, settings["scale"], settings["texture_dirs"], settings["strict"])
                save(output)
            status = WHOLE if whole else STOPPED
        except (Exception, SystemExit) as failure:  # one bad document does not end the batch
            status = FAILED
            told = isinstance(failure, (SystemExit, ConversionFailed))
            reason = str(failure) if told else "%s: %s" % (type(failure).__name__, failure)
            reason = reason[len("mivka: "):] if reason.startswith("mivka: ") else reason
        finally:
            os.close(quiet)
        results[document] = {"status": status, "reason": reason, "output": output}
        with open(result_file, "w") as f:
            json.dump(results, f)
        print("mivka: [%d/%d] %s: %s" % (item["number"], job["count"], shown(document), status), flush=True)
    return 0


def single(job):
    """The job's one document with its console: converted, saved into each
    of its outputs and rendered as asked; the textures it took from outside
    its folder listed; exit status 1 when nothing was converted, 3 when
    reading stopped before the end."""
    settings = job["settings"]
    (item,) = job["items"]
    document = item["document"]
    empty_scene()
    try:
        whole = convert(document, settings["scale"], settings["texture_dirs"], settings["strict"])
    except ConversionFailed as failure:
        print("mivka: %s" % failure, file=sys.stderr)
        raise SystemExit(1)
    used = [bpy.path.abspath(node.image.filepath) for m in bpy.data.materials if m.node_tree
            for node in m.node_tree.nodes if node.type == "TEX_IMAGE" and node.image]
    for line in outside_lines(document, used):
        print(line)
    for output in item["outputs"]:
        save(output)
    if item.get("render"):
        render(item["render"])
    sys.stdout.flush()
    if not whole:
        print(STOPPED_LINE % document, file=sys.stderr)
        raise SystemExit(STOPPED_EARLY)


def main(argv):
    parser = argparse.ArgumentParser(prog="mivka in Blender")
    parser.add_argument("--job", nargs="+", metavar=("JOB.json", "RESULTS.json"), required=True,
                        help="the job the command wrote; a batch's results go to RESULTS.json")
    arguments = parser.parse_args(argv)
    with open(arguments.job[0]) as f:
        job = json.load(f)
    if job["batch"]:
        return batch(job, arguments.job[1])
    return single(job)


if __name__ == "__main__":
    main(sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else [])
