"""Persistent records of scripts, kept in memory for the life of the process."""

import copy

_records = {}


def GetKey(name, cached=False):
    """A copy of the record stored under `name`, or None if none was ever stored."""
    record = _records.get(name)
    return copy.deepcopy(record) if record is not None else None


def SetKey(name, record, cached=False):
    if not isinstance(record, dict):
        raise TypeError("Registry.SetKey: expected a dictionary")
    _records[name] = copy.deepcopy(record)


def RemoveKey(name):
    _records.pop(name, None)


def Keys():
    return list(_records)
