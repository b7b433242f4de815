"""Reads PC screen fonts (PSF version 1 and 2) with their Unicode tables."""

import gzip
import struct


class Font:
    def __init__(self, width, height, glyphs, by_unicode):
        self.width = width
        self.height = height
        self.glyphs = glyphs          # list of row tuples, one int per row (8 bits wide)
        self.by_unicode = by_unicode  # code point -> glyph index

    def glyph_for(self, code_point):
        index = self.by_unicode.get(code_point)
        return None if index is None else self.glyphs[index]


def _read(path):
    opener = gzip.open if str(path).endswith(".gz") else open
    with opener(path, "rb") as f:
        return f.read()


def _psf1(data):
    mode, height = data[2], data[3]
    count = 512 if mode & 1 else 256
    glyphs = [tuple(data[4 + i * height:4 + (i + 1) * height]) for i in range(count)]
    by_unicode = {}
    if mode & 6:
        pos, index = 4 + count * height, 0
        while index < count and pos + 1 < len(data):
            (value,) = struct.unpack_from("<H", data, pos)
            pos += 2
            if value == 0xFFFF:
                index += 1
            elif value != 0xFFFE:
                by_unicode.setdefault(value, index)
    return Font(8, height, glyphs, by_unicode)


def _psf2(data):
    _, _, header, flags, count, per_glyph, height, width = struct.unpack_from("<8I", data)
    if width != 8:
        raise ValueError("only 8-pixel-wide fonts are used")
    glyphs = [tuple(data[header + i * per_glyph:header + (i + 1) * per_glyph])
              for i in range(count)]
    by_unicode = {}
    if flags & 1:
        pos, index = header + count * per_glyph, 0
        while index < count and pos < len(data):
            end = data.index(b"\xff", pos)
            singles = data[pos:end].split(b"\xfe")[0].decode("utf-8", "replace")
            for ch in singles:
                by_unicode.setdefault(ord(ch), index)
            pos, index = end + 1, index + 1
    return Font(width, height, glyphs, by_unicode)


def load(path):
    data = _read(path)
    if data[:2] == b"\x36\x04":
        return _psf1(data)
    if data[:4] == b"\x72\xb5\x4a\x86":
        return _psf2(data)
    raise ValueError(f"{path}: not a PSF font")
