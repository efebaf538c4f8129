"""Modifier types and settings; an object's modifiers are its `modifiers`."""

from blender24.modifiers import Settings, Types  # noqa: F401
