"""The mivka command: run readmqo against the in-memory host, then print
what it built, and optionally write the whole scene as JSON; or convert
inside Blender, one document or whole libraries."""

import json
import sys

from .arguments import parse_arguments
from .blender import convert_in_blender
from .in_memory import STOPPED_EARLY, STOPPED_LINE, ConversionFailed, convert
from .scene import finite, outside_lines, scene_data, summary


def main(argv=None):
    arguments = parse_arguments(sys.argv[1:] if argv is None else argv)
    if arguments.batch:
        from .batch import run_batch

        return run_batch(arguments)
    if arguments.output or arguments.render:
        return convert_in_blender(arguments)
    try:
        whole = convert(arguments.file, arguments.scale, arguments.texture_dir, strict=arguments.strict)
    except ConversionFailed as failure:
        sys.stdout.flush()
        print("mivka: %s" % failure, file=sys.stderr)
        return 1
    data = scene_data(geometry=bool(arguments.json))
    print(summary(data))
    import Blender

    for line in outside_lines(arguments.file, [i.getFilename() for i in Blender.Image.Get()]):
        print(line)
    if arguments.json:
        with open(arguments.json, "w", encoding="utf-8") as out:
            json.dump(finite(data), out, ensure_ascii=False, indent=1, allow_nan=False)
            out.write("\n")
    if not whole:
        sys.stdout.flush()
        print(STOPPED_LINE % arguments.file, file=sys.stderr)
        return STOPPED_EARLY
    return 0
