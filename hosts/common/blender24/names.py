"""Document text (bytes) for people."""

import codecs

# The encoding that the document being converted names for its text (its
# "CodePage" line), while it is converted; None when it names none.
_encoding = None
_CODE_PAGES = {"utf8": "utf-8", "utf-8": "utf-8", "65001": "utf-8"}
# Text encodings that do not turn any bytes into text in linear time with a
# replacement character for what does not fit: they raise whatever the
# error handler ("undefined", "idna"), take quadratic time ("punycode") or
# make lone surrogates, which no name can hold ("unicode_escape",
# "raw_unicode_escape", "utf_7").
_UNSAFE = {"undefined", "idna", "punycode", "unicode_escape", "raw_unicode_escape", "utf_7"}


def use_code_page(page):
    """Text that follows is in this code page ("932", "utf8", ...: bytes or
    str, as the document names it); None (or a page that is no text
    encoding that can read any bytes) goes back to guessing."""
    global _encoding
    if page is None:
        _encoding = None
        return
    text = (page.decode("ascii", "replace") if isinstance(page, bytes) else str(page)).strip().lower()
    encoding = _CODE_PAGES.get(text, "cp" + text if text.isdigit() else text)
    try:
        codec = codecs.lookup(encoding)
    except LookupError:
        codec = None
    # Only text encodings: base64, zlib, rot13 and the like turn bytes into bytes.
    if codec is None or not getattr(codec, "_is_text_encoding", True) or codec.name.replace("-", "_") in _UNSAFE:
        encoding = None
    _encoding = encoding


def code_page():
    """The encoding in use, or None."""
    return _encoding


def decode_name(name):
    """In the document's own code page when it names one (bytes that do not
    fit it become replacement characters); otherwise UTF-8 when valid, else
    Shift_JIS (code page 932), else byte by byte."""
    if isinstance(name, str):
        return name
    if _encoding is not None:
        return name.decode(_encoding, "replace")
    for encoding in ("utf-8", "cp932"):
        try:
            return name.decode(encoding)
        except UnicodeDecodeError:
            pass
    return name.decode("latin-1")
