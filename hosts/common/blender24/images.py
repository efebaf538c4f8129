"""Which files are images the application can read."""

# Leading bytes of the file formats the application reads.
_SIGNATURES = (
    b"\x89PNG\r\n\x1a\n",  # PNG
    b"\xff\xd8\xff",  # JPEG
    b"BM",  # BMP
    b"GIF87a",
    b"GIF89a",
    b"II*\x00",  # TIFF, little-endian
    b"MM\x00*",  # TIFF, big-endian
    b"DDS ",
    b"#?RADIANCE",
    b"#?RGBE",
    b"\x76\x2f\x31\x01",  # OpenEXR
    b"\x01\xda",  # SGI
    b"SDPX",
    b"XPDS",
    b"\x80\x2a\x5f\xd7",  # Cineon
    b"8BPS",  # Photoshop
)


def _is_targa(head):
    # Targa has no signature: check that its header is self-consistent.
    if len(head) < 18:
        return False
    colour_map_type, image_type, depth = head[1], head[2], head[16]
    return colour_map_type in (0, 1) and image_type in (1, 2, 3, 9, 10, 11) and depth in (8, 15, 16, 24, 32)


def _readable_image(path):
    with open(path, "rb") as f:
        head = f.read(32)
    return head.startswith(_SIGNATURES) or _is_targa(head)


def readable_image(path):
    """Whether `path` (str or bytes) names a file that holds an image of a known format."""
    import os

    try:
        return os.path.isfile(path) and _readable_image(path)
    except (OSError, ValueError):
        return False
