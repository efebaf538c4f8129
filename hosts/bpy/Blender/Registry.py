"""Persistent records of scripts, stored as JSON in Blender's user
configuration folder."""

import copy
import json
import os


def _path():
    import bpy

    folder = bpy.utils.user_resource("CONFIG", path="mivka", create=True)
    return os.path.join(folder, "registry.json")


def _records():
    try:
        with open(_path(), encoding="utf-8") as f:
            records = json.load(f)
    except (OSError, ValueError):
        return {}
    return records if isinstance(records, dict) else {}


def GetKey(name, cached=False):
    """The record stored under `name`, or None if none was ever stored."""
    record = _records().get(name)
    return copy.deepcopy(record) if isinstance(record, dict) else None


def _write(records):
    """The records written whole, then put in place in one step: a Blender
    reading them meanwhile (a batch runs several) never sees half a file."""
    path = _path()
    partial = "%s.%d.partial" % (path, os.getpid())
    with open(partial, "w", encoding="utf-8") as f:
        json.dump(records, f, indent=1)
    os.replace(partial, path)


def SetKey(name, record, cached=False):
    if not isinstance(record, dict):
        raise TypeError("Registry.SetKey: expected a dictionary")
    records = _records()
    records[name] = record
    _write(records)


def RemoveKey(name):
    records = _records()
    if records.pop(name, None) is not None:
        _write(records)
