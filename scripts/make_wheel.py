#!/usr/bin/python3
"""Packs a built module into a wheel for one CPython on Linux x86-64:

    make_wheel.py MODULE.so VERSION PYTHON OUT_FOLDER

The wheel is tagged manylinux_2_28 (the C library that Blender itself
needs), or with the later C library that the module asks for. Its file
times are fixed, so the same module gives the same wheel. Prints its path."""

import base64
import hashlib
import os
import sys
import zipfile

from wheel_check import describe, glibc_floor

# Blender's own floor: official builds need glibc 2.28. A module that needs
# a C library later than Debian 11's and Ubuntu 20.04's is not shipped.
OLDEST_TAG = (2, 28)
NEWEST_FLOOR = (2, 31)


def record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return "%s,sha256=%s,%d" % (name, digest, len(data))


def main(module_path, version, python, out):
    module = open(module_path, "rb").read()
    floor = max(OLDEST_TAG, glibc_floor(describe(module)))
    if floor > NEWEST_FLOOR:
        sys.exit("make_wheel: %s needs glibc %d.%d, later than %d.%d" % ((module_path,) + floor + NEWEST_FLOOR))
    abi = "cp" + python.replace(".", "")
    platform = "manylinux_%d_%d_x86_64" % floor
    tag = "%s-%s-%s" % (abi, abi, platform)
    info = "mivka-%s.dist-info" % version
    files = [
        ("Mivka.cpython-%s-x86_64-linux-gnu.so" % abi[2:], module),
        (info + "/METADATA", ("Metadata-Version: 2.1\nName: mivka\nVersion: %s\n"
                              "Summary: Metasequoia document reader for Blender\n"
                              "Requires-Python: ==%s.*\n" % (version, python)).encode()),
        (info + "/WHEEL", ("Wheel-Version: 1.0\nGenerator: mivka\nRoot-Is-Purelib: false\nTag: %s\n"
                           % tag).encode()),
    ]
    record = "\n".join([record_line(name, data) for name, data in files] + [info + "/RECORD,,", ""])
    files.append((info + "/RECORD", record.encode()))
    path = os.path.join(out, "mivka-%s-%s.whl" % (version, tag))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as wheel:
        for name, data in files:
            entry = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            entry.external_attr = (0o755 if name.endswith(".so") else 0o644) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(entry, data)
    print(path)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    main(*sys.argv[1:])
