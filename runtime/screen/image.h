// Every drawable surface: the pages of the emulated screen and off-screen images.
#pragma once

#include <cstdint>

namespace rt {

enum ImageFlags : uint32_t {
  OWNS_PALETTE = 1,
  IS_PAGE = 2,
  OWNS_PIXELS = 4,
};

struct Image {
  void* lock_block;        // memory-block lock record; null when none
  uint64_t lock_id;        // 0 when none
  uint8_t valid;           // the slot holds a live image
  uint8_t is_text;         // mode 0
  uint16_t width;          // pixels; columns of a text image
  uint16_t height;         // pixels; rows of a text image
  uint8_t bytes_per_pixel; // 1 palette, 2 text cells, 4 for 32-bit
  uint8_t bits_per_pixel;  // 1, 2, 4, 8, 16 (text) or 32
  uint32_t color_mask;
  uint16_t mode;           // 0, 1, 2, 7-13, 256 or 32
  uint32_t foreground;
  uint32_t background;
  uint32_t draw_color;
  uint32_t font;
  int16_t text_top;
  int16_t text_bottom;
  int16_t cursor_x;        // 1-based column
  int16_t cursor_y;        // 1-based row
  uint8_t cursor_visible;
  uint8_t cursor_start;
  uint8_t cursor_stop;
  uint8_t* pixels;
  uint32_t flags;          // ImageFlags
  uint32_t* palette;       // 256 entries; null for 32-bit images
  int32_t transparent_color;
  uint8_t blend_off;
  uint8_t cursor_held;     // 0 normal, 1 waits in the last column, 2 shown on the next row
  uint8_t print_mode;      // always 3: glyph in foreground, rest of the cell in background
  // Graphics state group: copied as one unit when the active page changes.
  int32_t view_x1, view_y1, view_x2, view_y2;
  int32_t view_offset_x, view_offset_y;
  float graphics_x, graphics_y;
  uint8_t coordinate_mode;  // 0 whole image, 1 viewport, 2 world window
  float scale_x, scale_y;
  float scale_offset_x, scale_offset_y;
  float world_x1, world_y1, world_x2, world_y2;
  double draw_angle;
  double draw_scale;
};

}  // namespace rt
