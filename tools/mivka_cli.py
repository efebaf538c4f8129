"""The mivka command: run readmqo against the in-memory host, then print
what it built, and optionally write the whole scene as JSON."""

import argparse
import json
import math
import os
import sys

from blender24.names import decode_name

TEXTURE_KINDS = ("ColorMap", "NormalMap", "AlphaMap")
FORMATS = ("glb", "gltf", "blend", "fbx", "obj")
_KIND_ALIASES = {"color": "ColorMap", "colour": "ColorMap", "normal": "NormalMap", "bump": "NormalMap",
                 "alpha": "AlphaMap"}


class ConversionFailed(Exception):
    pass


def _texture_dir(text):
    kind, sep, folder = text.partition("=")
    kind = _KIND_ALIASES.get(kind.lower(), kind)
    if not sep or kind not in TEXTURE_KINDS or not folder:
        raise argparse.ArgumentTypeError("expected KIND=DIR with KIND one of %s" % ", ".join(TEXTURE_KINDS))
    return kind, folder


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        prog="mivka",
        description="Convert a Metasequoia document (.mqo) with the Mivka module into the in-memory "
                    "Blender host, then print a summary of the scene it built.")
    parser.add_argument("files", nargs="+", metavar="FILE.mqo",
                        help="the document to convert; several documents or folders (searched for .mqo and .mqoz "
                             "files in all their subfolders) convert as a batch into the folder given with -o")
    parser.add_argument("--scale", type=float, metavar="S",
                        help="scale factor for vertex positions and translations "
                             "(stored as \"Scale\" in the registry record \"Mivka\"; default 1.0)")
    parser.add_argument("--texture-dir", type=_texture_dir, action="append", default=[], metavar="KIND=DIR",
                        help="folder in which to look for texture files that are not found as written; "
                             "KIND is ColorMap (tex), NormalMap (bump) or AlphaMap (alpha, aplane). "
                             "May be given once per kind")
    parser.add_argument("--strict", action="store_true",
                        help="read the document strictly as \"Format Text Ver 1.0\": without it, documents as "
                             "Metasequoia 3 and 4 write them (Ver 1.1, their newer chunks, attributes and faces of "
                             "more than four corners) are read too")
    parser.add_argument("--json", metavar="OUT.json",
                        help="also write the whole scene (every vertex, face, UV, colour and matrix) as JSON; "
                             "a number that is infinite or not a number is written as null")
    parser.add_argument("-o", "--output", action="append", default=[], metavar="OUT",
                        help="convert inside Blender (blender -b) and save the scene as OUT: .blend, or export it "
                             "with Blender's own writers as .glb/.gltf, .fbx or .obj; may be repeated")
    parser.add_argument("--render", metavar="PREVIEW.png",
                        help="convert inside Blender and render a small preview picture, with a camera framing "
                             "the model")
    parser.add_argument("--format", choices=FORMATS, default="glb",
                        help="the file format of a batch's outputs (default glb)")
    parser.add_argument("--jobs", type=int, default=1, metavar="N",
                        help="for a batch: run N Blender processes side by side (default 1)")
    parser.add_argument("--timeout", type=float, default=600.0, metavar="SECONDS",
                        help="for a batch: a document whose conversion takes longer fails, and the batch goes on "
                             "with the next (default 600; 0 waits without limit)")
    arguments = parser.parse_args(argv)
    arguments.batch = len(arguments.files) > 1 or any(os.path.isdir(f) for f in arguments.files)
    if arguments.batch:
        if len(arguments.output) != 1 or arguments.json or arguments.render:
            parser.error("a batch of documents needs one output folder, -o OUTDIR/, and no --json or --render")
        if arguments.jobs < 1:
            parser.error("--jobs needs a number from 1 up")
        if not arguments.timeout >= 0:
            parser.error("--timeout needs a number of seconds from 0 up")
        return arguments
    arguments.file = arguments.files[0]
    if arguments.json and (arguments.output or arguments.render):
        parser.error("--json describes the in-memory host's scene; use it without -o and --render")
    for output in arguments.output:
        if os.path.splitext(output)[1].lower() not in (".blend", ".glb", ".gltf", ".fbx", ".obj"):
            parser.error("cannot write %s: use .blend, .glb, .gltf, .fbx or .obj" % output)
    return arguments


def blender_command(arguments, needing):
    """The command that runs mivka_blender.py in Blender without a window,
    with the conversion's options; None, with a line on standard error
    naming what is `needing` it, when Blender is not installed."""
    import shutil

    blender = shutil.which("blender")
    if blender is None:
        print("mivka: %s Blender (apt-get install blender)" % needing, file=sys.stderr)
        return None
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "mivka_blender.py")
    command = [blender, "-b", "--factory-startup", "--python-exit-code", "1", "--python", script, "--"]
    if arguments.scale is not None:
        command += ["--scale", repr(arguments.scale)]
    if arguments.strict:
        command += ["--strict"]
    for kind, folder in arguments.texture_dir:
        command += ["--texture-dir", "%s=%s" % (kind, folder)]
    return command


def convert_in_blender(arguments):
    """Runs the conversion in Blender without a window; returns its exit status."""
    import subprocess

    command = blender_command(arguments, "-o and --render need")
    if command is None:
        return 1
    for output in arguments.output:
        command += ["-o", output]
    if arguments.render:
        command += ["--render", arguments.render]
    # After "--", a document named like an option is still a document.
    command += ["--", arguments.file]
    return subprocess.run(command).returncode


STOPPED = b"Stopped reading at line "
UNREADABLE_ARCHIVE = b"Unable to read archive. "


class _ConsoleWatch:
    """Passes the process's standard output (where the module writes its
    console) through a pipe while a conversion runs, and notes whether it
    said that reading stopped before the end of the document; keeps the
    output's first 64 KiB, where the lines about the file itself stand.

    The pipe is emptied by another process (tee), which also keeps a copy
    in a temporary file: the module writes while it holds the interpreter's
    lock, so a thread of this process that emptied the pipe would wait for
    that lock while the module waits for room in the pipe."""

    def __enter__(self):
        import subprocess
        import tempfile

        sys.stdout.flush()
        self.stopped = False
        self.head = b""
        self._copy = tempfile.NamedTemporaryFile(prefix="mivka-console-")
        self._saved = os.dup(1)
        reading, writing = os.pipe()
        self._tee = subprocess.Popen(["tee", "-a", self._copy.name], stdin=reading, stdout=self._saved)
        os.close(reading)
        os.dup2(writing, 1)
        os.close(writing)
        return self

    def __exit__(self, *failure):
        sys.stdout.flush()
        os.dup2(self._saved, 1)  # closes the pipe's last writing end: tee sees its end
        self._tee.wait()
        os.close(self._saved)
        with self._copy:
            self.head = chunk = self._copy.read(65536)
            tail = b""
            while chunk and not self.stopped:
                self.stopped = STOPPED in tail + chunk
                tail = chunk[-len(STOPPED):]
                chunk = self._copy.read(1 << 20)
        return False


def convert(path, scale=None, texture_dirs=(), fresh=False, strict=False):
    """Runs readmqo on `path` against whichever host package `Blender` is;
    raises ConversionFailed when nothing was converted, and answers whether
    the whole document was read (False after "Stopped reading at line").
    With `fresh`, the settings of earlier runs are dropped from a registry
    that persists. Documents as Metasequoia 3 and 4 write them are read
    unless `strict`."""
    import Blender
    import Mivka

    record = Blender.Registry.GetKey("Mivka") or {}
    if fresh:
        for key in ("Scale",) + TEXTURE_KINDS:
            record.pop(key, None)
    record["Extended"] = not strict
    if scale is not None:
        record["Scale"] = scale
    for kind, folder in texture_dirs:
        record[kind] = folder
    Blender.Registry.SetKey("Mivka", record)

    # Watch the progress bar: a conversion that cannot open its file reports
    # nothing, one whose header does not match ends with "Error".
    draw = Blender.Window.DrawProgressBar
    reports = []

    def watched(fraction, text):
        reports.append(text)
        return draw(fraction, text)

    Blender.Window.DrawProgressBar = watched
    try:
        with _ConsoleWatch() as console:
            Mivka.readmqo(os.fsencode(path))
    except Exception as error:
        raise ConversionFailed("the conversion stopped: %s: %s" % (type(error).__name__, error)) from error
    finally:
        Blender.Window.DrawProgressBar = draw
        getattr(Blender, "finish", lambda: None)()  # what a conversion that raised left waiting
    if not reports:
        raise ConversionFailed("cannot open %s" % path)
    if reports[-1] == "Error" and UNREADABLE_ARCHIVE in console.head:
        line = console.head.split(UNREADABLE_ARCHIVE, 1)[1].split(b"\n", 1)[0]
        raise ConversionFailed("cannot read the archive %s" % line.decode("utf-8", "replace"))
    if reports[-1] == "Error":
        raise ConversionFailed("%s is not a Metasequoia text document of format %s" % (path, "1.0" if strict else
                                                                                       "1.x"))
    return not console.stopped


STOPPED_EARLY = 3
STOPPED_LINE = "mivka: reading stopped before the end of %s: the scene holds the part read before it"


def _round(value):
    return round(value, 6) + 0.0


def _finite(data):
    """`data` with every infinite or not-a-number float made None (null):
    JSON has no such numbers."""
    if isinstance(data, float):
        return data if math.isfinite(data) else None
    if isinstance(data, dict):
        return {k: _finite(v) for k, v in data.items()}
    if isinstance(data, list):
        return [_finite(v) for v in data]
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


def scene_data():
    """Everything the in-memory host holds, as plain JSON-ready data."""
    import Blender

    made = Blender.datablocks()

    def index_of(items):
        return {id(item): i for i, item in enumerate(items)}

    materials, textures, images = index_of(made["materials"]), index_of(made["textures"]), index_of(made["images"])
    meshes, objects = index_of(made["meshes"]), index_of(made["objects"])
    scene = Blender.Scene.getCurrent()

    def name(item):
        return decode_name(item.name)

    def mesh_data(mesh):
        verts = index_of(mesh.verts)
        return {
            "name": name(mesh),
            "vertices": [[_round(c) for c in v.co] for v in mesh.verts],
            "faces": [{
                "vertices": [verts.get(id(v)) for v in face.v],
                "material_index": face.materialIndex,
                "uv": [[_round(u), _round(v)] for u, v in face.uv],
                "colours": [list(c) for c in face.col],
            } for face in mesh.faces],
            "edges": [[verts.get(id(e.v1)), verts.get(id(e.v2))] for e in mesh.edges],
            "materials": [materials.get(id(m)) for m in mesh.materials],
            "has_face_uv": bool(mesh.hasFaceUV()),
            "has_vertex_colours": bool(mesh.hasVertexColours()),
            "updates": mesh.updates,
        }

    def texture_slot(slot, mtex):
        return {"slot": slot, "texture": textures.get(id(mtex.tex)), "texco": mtex.texco, "mapto": mtex.mapto,
                "object": objects.get(id(mtex.object)) if mtex.object is not None else None,
                "mapping": mtex.mapping}

    return {
        "objects": [{
            "name": name(obj),
            "type": obj.type,
            "matrix": [[_round(c) for c in row] for row in obj.matrix.rows()],
            "parent": objects.get(id(obj.parent)) if obj.parent is not None else None,
            "mesh": meshes.get(id(obj.getData(0, 1))) if obj.getData(0, 1) is not None else None,
            "in_scene": obj in scene.objects,
        } for obj in made["objects"]],
        "meshes": [mesh_data(m) for m in made["meshes"]],
        "materials": [{
            "name": name(m), "rgb": [_round(c) for c in m.rgbCol], "alpha": _round(m.alpha),
            "ref": _round(m.ref), "amb": _round(m.amb), "emit": _round(m.emit), "spec": _round(m.spec),
            "hardness": m.hard, "spec_shader": m.specShader,
            "textures": [texture_slot(i, t) for i, t in enumerate(m.getTextures()) if t is not None],
        } for m in made["materials"]],
        "textures": [{"name": decode_name(t.name), "type": t.type,
                      "image": images.get(id(t.image)) if t.image is not None else None,
                      "image_flags": list(t.imageFlags)} for t in made["textures"]],
        "images": [{"name": decode_name(i.name), "filename": decode_name(i.filename)} for i in made["images"]],
    }


def summary(data):
    """The scene as readable lines: the object tree, then the materials."""
    lines = []
    objects = data["objects"]
    children = {}
    for i, obj in enumerate(objects):
        children.setdefault(obj["parent"], []).append(i)

    def describe(i, depth):
        obj = objects[i]
        text = "  " * depth + "%s [%s]" % (obj["name"], obj["type"])
        if obj["mesh"] is not None:
            mesh = data["meshes"][obj["mesh"]]
            names = [data["materials"][m]["name"] for m in mesh["materials"]]
            text += ": %d vertices, %d faces, %d edges" % (len(mesh["vertices"]), len(mesh["faces"]), len(mesh["edges"]))
            if names:
                text += "; materials " + ", ".join(names)
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


def main(argv=None):
    arguments = parse_arguments(sys.argv[1:] if argv is None else argv)
    if arguments.batch:
        from mivka_batch import run_batch

        return run_batch(arguments)
    if arguments.output or arguments.render:
        return convert_in_blender(arguments)
    try:
        whole = convert(arguments.file, arguments.scale, arguments.texture_dir, strict=arguments.strict)
    except ConversionFailed as failure:
        sys.stdout.flush()
        print("mivka: %s" % failure, file=sys.stderr)
        return 1
    data = scene_data()
    print(summary(data))
    import Blender

    for line in outside_lines(arguments.file, [i.getFilename() for i in Blender.Image.Get()]):
        print(line)
    if arguments.json:
        with open(arguments.json, "w", encoding="utf-8") as out:
            json.dump(_finite(data), out, ensure_ascii=False, indent=1, allow_nan=False)
            out.write("\n")
    if not whole:
        sys.stdout.flush()
        print(STOPPED_LINE % arguments.file, file=sys.stderr)
        return STOPPED_EARLY
    return 0
