"""Compares the scenes that a user's Blender built through the installed
add-on (tests/extension/import_in_blender.py) with the in-memory host's, run by the
system's own Python with the module from the wheel made for it:

    python3 compare.py SCENES.json WHEEL_FOLDER

Needs only the standard library. Prints one line for each document and
'N passed, N failed' last; exits 1 on a difference."""

import json
import os
import re
import sys
import sysconfig
import tempfile
import traceback
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def module_from_wheel(wheels):
    """Unpacks the module of the wheel for this Python into a folder of its
    own and puts it on the path."""
    tag = "cp%d%d" % sys.version_info[:2]
    names = [name for name in os.listdir(wheels) if "-%s-%s-" % (tag, tag) in name]
    if len(names) != 1:
        raise SystemExit("compare: no single wheel for %s in %s: %s" % (tag, wheels, sorted(os.listdir(wheels))))
    folder = tempfile.mkdtemp(prefix="mivka-wheel-")
    with zipfile.ZipFile(os.path.join(wheels, names[0])) as wheel:
        wheel.extractall(folder)
    module = [n for n in os.listdir(folder) if n.endswith(sysconfig.get_config_var("EXT_SUFFIX"))]
    if not module:
        raise SystemExit("compare: %s holds no module for this Python" % names[0])
    return folder


def main(scenes_path, wheels):
    folder = module_from_wheel(wheels)
    sys.path[:0] = [folder, os.path.join(ROOT, "hosts", "memory"), os.path.join(ROOT, "hosts", "common"),
                    os.path.join(ROOT, "tools"), os.path.join(ROOT, "tests")]
    from scene_compare import assert_same_scene, memory_scene

    found = json.load(open(scenes_path, encoding="utf-8"))
    passed = failed = 0
    for document, scene in found["scenes"].items():
        try:
            assert scene.get("result", ["FINISHED"]) == ["FINISHED"], scene.get("result")
            assert_same_scene(scene, memory_scene(document, quiet=True), os.path.basename(document))
            passed += 1
            print("same scene: %s (%d objects)" % (os.path.basename(document), len(scene.get("objects", []))))
        except AssertionError:
            failed += 1
            print("DIFFERENT: %s" % os.path.basename(document))
            traceback.print_exc(limit=1)
    # The module in Blender is the wheel's, with no Boost or libzip of the
    # system's beside it.
    assert found["module"] and ("/extensions/" in found["module"] or "/addons/" in found["module"]), found["module"]
    foreign = [path for path in found["libraries"]
               if re.match(r"lib(boost_python|boost_filesystem|zip)\b", os.path.basename(path))]
    if foreign:
        failed += 1
        print("Blender had loaded: %s" % " ".join(foreign))
    import Mivka

    print("in-memory host: %s; in Blender %s: %s" % (Mivka.__file__, ".".join(map(str, found["blender"])),
                                                     found["module"]))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
