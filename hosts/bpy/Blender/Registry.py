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


def SetKey(name, record, cached=False):
    if not isinstance(record, dict):
        raise TypeError("Registry.SetKey: expected a dictionary")
    records = _records()
    records[name] = record
    with open(_path(), "w", encoding="utf-8") as f:
        json.dump(records, f, indent=1)


def RemoveKey(name):
    records = _records()
    if records.pop(name, None) is not None:
        with open(_path(), "w", encoding="utf-8") as f:
            json.dump(records, f, indent=1)
