// Built-in glyph sets, the font table and the colour tables.
#pragma once

#include <cstdint>

namespace rt {

// Glyph sets, one byte per pixel (255 ink, 0 paper), 8 bytes per row.
const uint8_t* glyphs_8x8();   // glyph c at c * 64
const uint8_t* glyphs_8x16();  // glyph c at c * 128

// Font table (handles 8, 9, 14, 15, 16, 17 built in; 32 and up loaded).
int32_t font_table_width(int32_t handle);   // 0 for an unknown handle
int32_t font_table_height(int32_t handle);
uint32_t font_table_flags(int32_t handle);

// Colour tables, 0xAARRGGBB with alpha 0xFF.
uint32_t ega_color(int32_t index);   // 0..63
uint32_t vga_color(int32_t index);   // 0..255
// The mode-10 pseudo-colours: colour of pseudo-colour 0..8 in blink phase 0 or 1.
uint32_t mode10_pseudo_color(int32_t pseudo_color, int32_t phase);

}  // namespace rt
