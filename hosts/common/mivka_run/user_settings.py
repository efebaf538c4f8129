"""The user's settings of a conversion, kept in the registry record "Mivka"
where the module reads them."""

TEXTURE_KINDS = ("ColorMap", "NormalMap", "AlphaMap")


def apply_settings(Blender, scale=None, strict=False, texture_dirs=(), fresh=False):
    """The settings into the registry record: the scale factor (kept from
    earlier runs when None), whether documents as Metasequoia 3 and 4 write
    them are read (unless `strict`), and texture folders by kind. With
    `fresh`, the scale and folders of earlier runs are dropped first."""
    record = Blender.Registry.GetKey("Mivka") or {}
    if fresh:
        for key in ("Scale",) + TEXTURE_KINDS:
            record.pop(key, None)
    record["Extended"] = not strict
    if scale is not None:
        record["Scale"] = scale
    for kind, folder in texture_dirs:
        record[kind] = folder
    Blender.Registry.SetKey("Mivka", record)
