"""Document text (bytes) for people."""


def decode_name(name):
    """UTF-8 when valid, else Shift_JIS (code page 932), else byte by byte."""
    if isinstance(name, str):
        return name
    for encoding in ("utf-8", "cp932"):
        try:
            return name.decode(encoding)
        except UnicodeDecodeError:
            pass
    return name.decode("latin-1")
