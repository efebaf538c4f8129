"""One conversion into the in-memory host, its console passed through as
it comes."""

import mivka_run


class ConversionFailed(Exception):
    pass


STOPPED_EARLY = 3
STOPPED_LINE = "mivka: reading stopped before the end of %s: the scene holds the part read before it"


def convert(path, scale=None, texture_dirs=(), fresh=False, strict=False):
    """Runs readmqo on `path` against whichever host package `Blender` is;
    raises ConversionFailed when nothing was converted, and answers whether
    the whole document was read (False after "Stopped reading at line").
    With `fresh`, the settings of earlier runs are dropped from a registry
    that persists. Documents as Metasequoia 3 and 4 write them are read
    unless `strict`."""
    import Blender
    import Mivka

    mivka_run.apply_settings(Blender, scale, strict, texture_dirs, fresh)
    try:
        came = mivka_run.run(Blender, Mivka, path, mivka_run.ConsoleThroughPipe(), strict=strict)
    except Exception as error:
        raise ConversionFailed("the conversion stopped: %s: %s" % (type(error).__name__, error)) from error
    if came.failure:
        raise ConversionFailed(came.failure)
    return came.stopped_at is None
