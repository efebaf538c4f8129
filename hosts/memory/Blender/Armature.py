"""Armatures: bones kept as the edit bones they were set as."""

from blender24.armatures import Armature, Editbone, Options  # noqa: F401

from ._store import get_named, store

# The bone options as the module's own names (Armature.HIDDEN_EDIT, ...).
globals().update({name: Options[name] for name in Options.keys()})
__all__ = ["Armature", "Editbone", "New", "Get"] + Options.keys()


def New(name="Armature"):
    armature = Armature(name)
    store.armatures.append(armature)
    return armature


def Get(name=None):
    return get_named(store.armatures, name, NameError, "Armature.Get")
