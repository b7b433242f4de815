// Built-in glyph sets, the font table and the colour tables.
#pragma once

#include <cstdint>

namespace rt {

// Built-in font handles: 9, 15 and 17 are the double-width forms of 8, 14 and 16.
inline constexpr int32_t kFont8 = 8;
inline constexpr int32_t kFont8Wide = 9;
inline constexpr int32_t kFont14 = 14;
inline constexpr int32_t kFont14Wide = 15;
inline constexpr int32_t kFont16 = 16;
inline constexpr int32_t kFont16Wide = 17;
inline constexpr int32_t kFirstLoadedFont = 32;

enum FontFlags : uint32_t {
  FONT_BOLD = 1,
  FONT_ITALIC = 2,
  FONT_UNDERLINE = 4,
  FONT_DONTBLEND = 8,
  FONT_MONOSPACE = 16,
  FONT_UNICODE = 32,
};

// Start-up: copies the glyph sets and colour tables into working storage and fills the
// font table. Must run before the first screen mode is selected.
void initialise_fonts_and_palettes();

// Glyph sets, one byte per pixel (255 ink, 0 paper), 8 bytes per row.
const uint8_t* glyphs_8x8();   // glyph c at c * 64
const uint8_t* glyphs_8x16();  // glyph c at c * 128

// First row of glyph `code` in a built-in font (null for any other handle); rows are
// 8 bytes apart. The 14-line fonts start one row into the 16-line glyph.
const uint8_t* font_glyph(int32_t handle, uint8_t code);
// 1 for the double-width handles 9, 15 and 17 (each glyph pixel drawn twice), else 0.
int32_t font_is_double_width(int32_t handle);

// Font table (handles 8, 9, 14, 15, 16, 17 built in; 32 and up loaded).
int32_t font_table_width(int32_t handle);   // 0 for an unknown handle
int32_t font_table_height(int32_t handle);
uint32_t font_table_flags(int32_t handle);
int32_t font_table_rasteriser(int32_t handle);  // 0: none (never in use)
int32_t font_handle_top();
bool font_is_builtin(int32_t handle);
bool font_is_loaded(int32_t handle);  // 32..top with a rasteriser object
// A free handle from 32 up; the table grows by one entry when none is free.
int32_t find_free_font_handle();

// Colour tables, 0xAARRGGBB with alpha 0xFF.
uint32_t ega_color(int32_t index);   // 0..63
uint32_t vga_color(int32_t index);   // 0..255
// The mode-10 pseudo-colours: colour of pseudo-colour 0..8 in blink phase 0 or 1.
uint32_t mode10_pseudo_color(int32_t pseudo_color, int32_t phase);

}  // namespace rt
