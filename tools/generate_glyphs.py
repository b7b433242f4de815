#!/usr/bin/env python3
"""Writes runtime/screen/glyph_tables.h: the 8x8 and 8x16 code page 437 glyph sets, one
byte per pixel (255 ink, 0 paper), 8 bytes per row.

The glyphs are taken from the VGA-style console fonts in /usr/share/consolefonts (PSF
files with Unicode tables), looked up code by code through the code page 437 mapping.
The sources are tried in order, so the classic PC shapes win over later fonts; codes no
installed font has are drawn in tools/glyphs/drawn.py. Every code's telling rows are
checked before anything is written.

Usage: generate_glyphs.py [--sheet OUT.png]  (--sheet renders both sets for a look)."""

import argparse
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE / "glyphs"))

import drawn  # noqa: E402
import png  # noqa: E402
import psf  # noqa: E402

FONT_DIR = pathlib.Path("/usr/share/consolefonts")

# Fonts whose ASCII letters have the classic IBM shapes come first.
SOURCES_8 = ["Lat2-VGA8", "Arabic-VGA8", "Lat38-VGA8", "FullGreek-VGA8", "Uni2-VGA8",
             "FullCyrSlav-VGA8", "Uni1-VGA8"]
# Several fonts map the double-line box characters and some pictographs onto look-alike
# glyphs; this one has a glyph of its own for each, so it goes first for those codes.
SOURCES_8_SYMBOLS = ["FullGreek-VGA8", "Uni2-VGA8", "Lat2-VGA8", "Arabic-VGA8"]
SOURCES_16 = ["FullGreek-VGA16", "Uni2-VGA16", "FullCyrSlav-VGA16", "Uni1-VGA16",
              "Lat15-VGA16", "Lat2-VGA16", "Lat38-VGA16", "Lat7-VGA16", "CyrKoi-VGA16"]

# The pictographs that code page 437 shows for control codes, and the house at 127.
PICTOGRAPHS = [0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
               0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
               0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
               0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC]
# Other code points fonts use for the same shape.
ALTERNATES = {0x25BA: [0x25B6], 0x25C4: [0x25C0], 0x03B2: [0x00DF], 0x00B5: [0x03BC],
              0x03A9: [0x2126], 0x2205: [0x03C6], 0x03B5: [0x2208]}

# Rows that identify the classic sets (leftmost pixel = highest bit).
TELLING_8 = {
    0: [0x00] * 8, 32: [0x00] * 8, 255: [0x00] * 8,
    1: [0x7E, 0x81, 0xA5, 0x81, 0xBD, 0x99, 0x81, 0x7E],
    65: [0x30, 0x78, 0xCC, 0xCC, 0xFC, 0xCC, 0xCC, 0x00],
    176: [0x22, 0x88] * 4,
    219: [0xFF] * 8,
}
TELLING_16 = {
    0: [0x00] * 16, 32: [0x00] * 16, 255: [0x00] * 16,
    1: [0x00, 0x00, 0x7E, 0x81, 0xA5, 0x81, 0x81, 0xBD, 0x99, 0x81, 0x81, 0x7E,
        0x00, 0x00, 0x00, 0x00],
    65: [0x00, 0x00, 0x10, 0x38, 0x6C, 0xC6, 0xC6, 0xFE, 0xC6, 0xC6, 0xC6, 0xC6,
         0x00, 0x00, 0x00, 0x00],
    176: [0x11, 0x44] * 8,
    219: [0xFF] * 16,
}


def code_point(code):
    if code < 32:
        return PICTOGRAPHS[code]
    if code == 127:
        return 0x2302
    return ord(bytes([code]).decode("cp437"))


# The first 8-line sources map the fractions onto ligature glyphs, so these come from the
# symbol fonts as well.
SYMBOL_CODES_8 = {171, 172}


def is_symbol(code):
    return code < 32 or code == 127 or code >= 176 or code in SYMBOL_CODES_8


def assemble(sources, height, hand_drawn, symbol_sources=None):
    fonts = [(name, psf.load(FONT_DIR / f"{name}.psf.gz")) for name in sources]
    symbol_fonts = fonts
    if symbol_sources:
        symbol_fonts = [(name, psf.load(FONT_DIR / f"{name}.psf.gz")) for name in symbol_sources]
    glyphs, origin = [], []
    for code in range(256):
        if code in hand_drawn:
            glyphs.append(list(hand_drawn[code]))
            origin.append("drawn")
            continue
        if code in (0, 32, 255):
            glyphs.append([0] * height)
            origin.append("blank")
            continue
        wanted = [code_point(code)] + ALTERNATES.get(code_point(code), [])
        found = None
        for name, font in (symbol_fonts if is_symbol(code) else fonts):
            if font.height != height:
                continue
            for cp in wanted:
                rows = font.glyph_for(cp)
                if rows is not None:
                    found = (name, rows)
                    break
            if found:
                break
        if found is None:
            raise SystemExit(f"code {code} (U+{code_point(code):04X}) missing at height {height}")
        glyphs.append(list(found[1]))
        origin.append(found[0])
    return glyphs, origin


def check_telling_rows(glyphs, telling, label):
    for code, rows in telling.items():
        if glyphs[code] != rows:
            got = " ".join(f"{r:02X}" for r in glyphs[code])
            raise SystemExit(f"{label} glyph {code} has rows {got}")


def check_box_drawing_distinct(glyphs, label):
    # Look-alike substitutes would make two box-drawing codes share one glyph.
    seen = {}
    for code in range(179, 219):
        key = tuple(glyphs[code])
        if key in seen:
            raise SystemExit(f"{label} glyphs {seen[key]} and {code} are the same")
        seen[key] = code


def pixel_bytes(glyphs):
    out = []
    for rows in glyphs:
        for row in rows:
            out.extend(255 if row & (0x80 >> bit) else 0 for bit in range(8))
    return out


def cpp_array(name, data):
    lines = []
    for i in range(0, len(data), 16):
        lines.append("    " + ",".join(str(v) for v in data[i:i + 16]) + ",")
    body = "\n".join(lines)
    return f"inline constexpr std::array<uint8_t, {len(data)}> {name} = {{\n{body}\n}};\n"


def write_header(path, set8, set16):
    text = ("// Generated by tools/generate_glyphs.py; do not edit.\n"
            "// Code page 437 glyph sets: one byte per pixel (255 ink, 0 paper), 8 bytes per\n"
            "// row, rows top to bottom; glyph c of the 8x8 set at c * 64, of the 8x16 set at\n"
            "// c * 128.\n"
            "#pragma once\n\n#include <array>\n#include <cstdint>\n\nnamespace rt {\n\n"
            + cpp_array("kGlyphs8x8", pixel_bytes(set8)) + "\n"
            + cpp_array("kGlyphs8x16", pixel_bytes(set16))
            + "\n}  // namespace rt\n")
    path.write_text(text)


def render_sheet(path, set8, set16):
    # Two 16 x 16 grids of glyphs with a one-pixel gap, scaled by 3 for viewing.
    scale, gap = 3, 1
    grids = [(set8, 8), (set16, 16)]
    width = 16 * (8 + gap) + gap
    height = sum(16 * (h + gap) + gap for _, h in grids) + 8
    pixels = [[64] * width for _ in range(height)]
    top = 0
    for glyphs, h in grids:
        for code, rows in enumerate(glyphs):
            gx = gap + (code % 16) * (8 + gap)
            gy = top + gap + (code // 16) * (h + gap)
            for y, row in enumerate(rows):
                for x in range(8):
                    pixels[gy + y][gx + x] = 255 if row & (0x80 >> x) else 0
        top += 16 * (h + gap) + gap + 8
    scaled = []
    for row in pixels:
        wide = [v for v in row for _ in range(scale)]
        scaled.extend([wide] * scale)
    png.write_grey(path, scaled)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sheet", type=pathlib.Path)
    parser.add_argument("--sources", action="store_true", help="print where each glyph came from")
    args = parser.parse_args()

    set8, origin8 = assemble(SOURCES_8, 8, drawn.GLYPHS_8, SOURCES_8_SYMBOLS)
    set16, origin16 = assemble(SOURCES_16, 16, drawn.GLYPHS_16)
    check_telling_rows(set8, TELLING_8, "8x8")
    check_telling_rows(set16, TELLING_16, "8x16")
    check_box_drawing_distinct(set8, "8x8")
    check_box_drawing_distinct(set16, "8x16")
    if args.sources:
        for code in range(256):
            print(code, origin8[code], origin16[code])
    target = HERE.parent / "runtime" / "screen" / "glyph_tables.h"
    write_header(target, set8, set16)
    print(f"wrote {target}", file=sys.stderr)
    if args.sheet:
        render_sheet(args.sheet, set8, set16)
        print(f"wrote {args.sheet}", file=sys.stderr)


if __name__ == "__main__":
    main()
