#!/usr/bin/python3
"""Checks that wheels of the module carry everything they need:

    wheel_check.py WHEEL...

For each wheel it prints the libraries its module asks the dynamic linker
for (NEEDED), the highest version of the C library (GLIBC_), of the C++
library (GLIBCXX_, CXXABI_) and of the compiler's runtime (GCC_) that it
asks for, and how many symbols it exports. It fails when a library other
than the C library's own is needed, when anything but the interpreter's
entry is exported, or when the wheel's platform tag promises an older C
library than the module needs. Exits 1 on a failure."""

import io
import re
import sys
import zipfile

from elftools.elf.dynamic import DynamicSection
from elftools.elf.elffile import ELFFile
from elftools.elf.gnuversions import GNUVerNeedSection

# The C library's own parts: every Linux system that runs Blender has them.
SYSTEM_LIBRARIES = {"libc.so.6", "libm.so.6", "libpthread.so.0", "libdl.so.2", "librt.so.1",
                    "ld-linux-x86-64.so.2"}
ENTRY = "PyInit_Mivka"
TAG = re.compile(r"-(cp3\d+)-(cp3\d+)-manylinux_(\d+)_(\d+)_x86_64\.whl$")


def _version_key(text):
    return tuple(int(part) for part in re.findall(r"\d+", text))


def describe(module):
    """What a module (its bytes) asks of the system and shows it."""
    elf = ELFFile(io.BytesIO(module))
    needed = []
    exported = []
    highest = {}
    for section in elf.iter_sections():
        if isinstance(section, DynamicSection):
            needed += [tag.needed for tag in section.iter_tags() if tag.entry.d_tag == "DT_NEEDED"]
        elif isinstance(section, GNUVerNeedSection):
            for _, auxiliaries in section.iter_versions():
                for auxiliary in auxiliaries:
                    name = auxiliary.name
                    family = name.rstrip("0123456789.")
                    if family in ("GLIBC_", "GLIBCXX_", "CXXABI_", "GCC_") and \
                            (family not in highest or _version_key(name) > _version_key(highest[family])):
                        highest[family] = name
        elif section.name == ".dynsym":
            for symbol in section.iter_symbols():
                if symbol["st_shndx"] != "SHN_UNDEF" and symbol.name and \
                        symbol["st_info"]["bind"] in ("STB_GLOBAL", "STB_WEAK"):
                    exported.append(symbol.name)
    return {"needed": needed, "exported": exported, "highest": highest}


def glibc_floor(description):
    """The oldest C library the module runs on, as (major, minor)."""
    name = description["highest"].get("GLIBC_", "GLIBC_2.2.5")
    return _version_key(name)[:2]


def check(path):
    """Prints what a wheel's module needs; returns the faults found."""
    faults = []
    with zipfile.ZipFile(path) as wheel:
        modules = [name for name in wheel.namelist() if name.endswith(".so")]
        if len(modules) != 1:
            return ["%s holds %d modules, not one" % (path, len(modules))]
        module = wheel.read(modules[0])
    description = describe(module)
    highest = description["highest"]
    floor = glibc_floor(description)
    print("%s (%d bytes)" % (path, len(open(path, "rb").read())))
    print("  module:   %s" % modules[0])
    print("  NEEDED:   %s" % " ".join(description["needed"]))
    print("  GLIBC:    %s" % highest.get("GLIBC_", "-"))
    print("  GLIBCXX:  %s" % highest.get("GLIBCXX_", "-"))
    print("  CXXABI:   %s" % highest.get("CXXABI_", "-"))
    print("  GCC:      %s" % highest.get("GCC_", "-"))
    print("  exported: %d (%s)" % (len(description["exported"]), " ".join(description["exported"][:5])))
    foreign = [name for name in description["needed"] if name not in SYSTEM_LIBRARIES]
    if foreign:
        faults.append("%s needs libraries beyond the C library: %s" % (path, " ".join(foreign)))
    if description["exported"] != [ENTRY]:
        faults.append("%s exports %d symbols, not %s alone" % (path, len(description["exported"]), ENTRY))
    tag = TAG.search(path)
    if not tag:
        faults.append("%s has no manylinux x86-64 tag of a CPython" % path)
    else:
        promised = (int(tag.group(3)), int(tag.group(4)))
        print("  tag:      manylinux_%d_%d (needs glibc %d.%d)" % (promised + floor))
        if floor > promised:
            faults.append("%s is tagged for glibc %d.%d but needs %d.%d" % ((path,) + promised + floor))
        python = tag.group(1)[2:]
        if not modules[0].startswith("Mivka.cpython-%s-" % python) and modules[0] != "Mivka.so":
            faults.append("%s holds a module for another Python: %s" % (path, modules[0]))
    return faults


def main(paths):
    if not paths:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    faults = []
    for path in paths:
        faults += check(path)
    for fault in faults:
        print("wheel_check: " + fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
