"""Blender.Get and Blender.Set, the interface's global settings. Known:
"codepage", the encoding of the document being converted, in which the
names that follow are read."""

from . import names


def Set(key, value):
    if key != "codepage":
        raise ValueError("Blender.Set: unknown setting %r" % (key,))
    names.use_code_page(value)


def Get(key):
    if key != "codepage":
        raise ValueError("Blender.Get: unknown setting %r" % (key,))
    return names.code_page()
