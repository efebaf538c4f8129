"""The mivka command's arguments."""

import argparse
import os

from mivka_run import TEXTURE_KINDS

FORMATS = ("glb", "gltf", "blend", "fbx", "obj")
_KIND_ALIASES = {"color": "ColorMap", "colour": "ColorMap", "normal": "NormalMap", "bump": "NormalMap",
                 "alpha": "AlphaMap"}


def texture_dir(text):
    """KIND=DIR: a kind of texture (or its alias) and a folder."""
    kind, sep, folder = text.partition("=")
    kind = _KIND_ALIASES.get(kind.lower(), kind)
    if not sep or kind not in TEXTURE_KINDS or not folder:
        raise argparse.ArgumentTypeError("expected KIND=DIR with KIND one of %s" % ", ".join(TEXTURE_KINDS))
    return kind, folder


def _parser():
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
    parser.add_argument("--texture-dir", type=texture_dir, action="append", default=[], metavar="KIND=DIR",
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
    return parser


def parse_arguments(argv):
    parser = _parser()
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


