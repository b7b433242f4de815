#!/usr/bin/env python3
"""Writes the small seed corpora of the two fuzz harnesses (run once; the output is kept
in git). format_picture inputs: kind byte, position byte, value bytes, template."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def long_double(x):
    """x87 80-bit encoding of a float value (exact for the doubles used here)."""
    if x == 0:
        return bytes(10)
    sign = 0x8000 if x < 0 else 0
    x = abs(x)
    mantissa, exponent = __import__("math").frexp(x)  # x = m * 2^e, 0.5 <= m < 1
    bits = int(mantissa * (1 << 64))
    return struct.pack("<QH", bits, (exponent - 1 + 16383) | sign)


def picture_seed(kind, position, value, template):
    return bytes([kind, position & 0xFF]) + value + template.encode("latin-1")


PICTURE_SEEDS = {
    "clock_minutes": picture_seed(2, 0, struct.pack("<f", 12.0), " ###:##.###"),
    "clock_seconds": picture_seed(2, 5, struct.pack("<f", 59.9996), " ###:##.###"),
    "commas": picture_seed(2, 0, struct.pack("<f", 1234567.0), "#,###.##"),
    "star_dollar": picture_seed(3, 0, struct.pack("<d", -3.5), "**$#.##-"),
    "exponent": picture_seed(3, 0, struct.pack("<d", 12345.0), "+##.##^^^^"),
    "exponent_wide": picture_seed(4, 0, long_double(0.000123), "###.##^^^^^"),
    "int64": picture_seed(0, 0, struct.pack("<q", -(1 << 63)), "x##y##z"),
    "uint64": picture_seed(1, 4, struct.pack("<Q", (1 << 64) - 1), "x##y$$##z"),
    "string_fields": picture_seed(5, 0, bytes([5]) + b"hello", "[&] [!] [\\  \\]"),
    "escapes": picture_seed(2, 0, struct.pack("<f", 5.0), "_###_"),
    "no_field": picture_seed(2, 1, struct.pack("<f", 5.0), "abc . $ * +"),
    "raw_digits": picture_seed(6, 0, bytes([3]) + b"999999999951" + struct.pack("<h", -10) + b"\x01",
                               "##.##"),
}

NUMBER_SEEDS = {
    "spaces": b" 1 2 ",
    "exponent": b"-1.5e2",
    "trailing": b"12abc",
    "fraction": b".5",
    "hex": b"&H10",
    "hex_full": b"&HFFFFFFFFFFFFFFFF",
    "hex_long": b"&H10000000000000000",
    "octal": b"&o1777777777777777777777",
    "minus_hex": b"-&H10",
    "big_integer": b"123456789012345678901234",
    "tiny": b"0.000000000000000000000000000125D-4000",
    "huge": b"9.9e+4932",
    "tabs": b"\t+ 7 . 2 5 E - 1",
}


def write(folder, seeds):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)


write("format_picture", PICTURE_SEEDS)
write("text_to_number", NUMBER_SEEDS)
