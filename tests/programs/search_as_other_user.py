"""Converts DOCUMENT with TEXTURES as the colour texture folder, as the
user nobody when run by root (search_as_other_user.py DOCUMENT TEXTURES
LIB): the module and the host packages are taken from LIB, which that user
may read. Prints the objects made."""

import os
import sys

if os.getuid() == 0:
    os.setgid(65534)
    os.setuid(65534)
sys.path[:0] = [os.path.join(sys.argv[3], name) for name in ("module", "memory", "common")]

import Blender  # noqa: E402
import Mivka  # noqa: E402

Blender.Registry.SetKey("Mivka", {"ColorMap": sys.argv[2]})
Mivka.readmqo(sys.argv[1])
print(len(Blender.Scene.getCurrent().objects))
