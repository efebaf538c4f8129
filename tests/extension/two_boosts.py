"""Two builds of the module in one process, as when Blender has another
add-on built on the system's shared Boost.Python: the module built here
against the system's libraries, then the wheel's, which carries its own.
Each must keep to its own Boost (the wheel's shows nothing to the dynamic
linker) and convert the sample into the in-memory host alike:

    python3 two_boosts.py SYSTEM_BUILD_FOLDER WHEEL_FOLDER

Prints 'N passed, N failed'; exits 1 on a failure."""

import importlib.machinery
import importlib.util
import os
import sys
import sysconfig

from compare import module_from_wheel

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SAMPLE = os.path.join(ROOT, "samples", "lantern.mqo")


def load(path):
    """The module at `path`, loaded apart from any other of its name."""
    loader = importlib.machinery.ExtensionFileLoader("Mivka", path)
    module = importlib.util.module_from_spec(importlib.util.spec_from_file_location("Mivka", path, loader=loader))
    loader.exec_module(module)
    return module


def scene_of(module):
    sys.modules["Mivka"] = module
    from scene_compare import memory_scene

    return memory_scene(SAMPLE, quiet=True)


def main(system_build, wheels):
    suffix = sysconfig.get_config_var("EXT_SUFFIX")
    folder = module_from_wheel(wheels)
    sys.path[:0] = [os.path.join(ROOT, "hosts", "memory"), os.path.join(ROOT, "hosts", "common"),
                    os.path.join(ROOT, "tools"), os.path.join(ROOT, "tests")]
    # The system's Boost.Python goes into the process's global scope, where
    # a module that left its own symbols open would be bound to it.
    flags = sys.getdlopenflags()
    sys.setdlopenflags(os.RTLD_NOW | os.RTLD_GLOBAL)
    system = load(os.path.join(system_build, "Mivka" + suffix))
    sys.setdlopenflags(flags)
    first = scene_of(system)
    carried = load(os.path.join(folder, "Mivka" + suffix))
    with open("/proc/self/maps") as maps:
        mapped = maps.read()
    checks = {
        "both are loaded, the system's Boost.Python too":
            "libboost_python" in mapped and folder in mapped and system is not carried,
        "the system's module converts": "error" not in first and len(first["objects"]) == 2,
        "the wheel's module, loaded beside it, converts alike": scene_of(carried) == first,
        "the system's module still converts alike": scene_of(system) == first,
    }
    for name, held in checks.items():
        print("%s: %s" % ("ok" if held else "FAILED", name))
    failed = sum(not held for held in checks.values())
    print("%d passed, %d failed" % (len(checks) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
