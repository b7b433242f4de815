// Drawing primitives on graphics images, and the pixel writer text output uses.
// Script-level operations act on the destination (read_point on the source), return at
// once while a run-time error is pending and refuse text images with error 5 (except
// set_viewport, put_pixel, fill_rect and fill_box). Points outside the clip rectangle are
// dropped, whatever their size; nothing is ever written outside the image.
#pragma once

#include <cstdint>

#include "runtime/screen/image.h"

namespace rt {

// Builds the two blend tables the first time a 32-bit image is created.
void ensure_blend_tables();

// One 32-bit pixel drawn over another by the alpha rules of the blend tables.
uint32_t blend_pixel(uint32_t colour, uint32_t old_pixel);

// Pixel writers in image pixels. A palette image stores colour AND color_mask; a 32-bit
// image blends unless blend_off is set. Text images and pixels outside the image are left
// alone. fill_rect fills x1..x2 by y1..y2 inclusive.
void put_pixel(Image& image, int32_t x, int32_t y, uint32_t colour);
void fill_rect(Image& image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
// As fill_rect, but a 32-bit image gets the colour as it is, without blending.
void fill_rect_opaque(Image& image, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      uint32_t colour);

enum PointFlags : int32_t {
  POINT_RELATIVE = 1,
  POINT_COLOR_GIVEN = 2,
};
void set_point(float x, float y, uint32_t colour, int32_t flags);
void reset_point(float x, float y, uint32_t colour, int32_t flags);

// given == 0: x selects 0/1 the graphics cursor in pixels, 2/3 in script coordinates.
// given != 0: the pixel of the source at (x, y), -1 outside the clip rectangle.
double read_point(float x, float y, int32_t given);

enum LineShape : int32_t {
  LINE_SHAPE_LINE = 0,
  LINE_SHAPE_BOX = 1,
  LINE_SHAPE_FILLED_BOX = 2,
};
enum LineFlags : int32_t {
  LINE_FIRST_GIVEN = 1,
  LINE_SECOND_RELATIVE = 2,
  LINE_FIRST_RELATIVE = 4,
  LINE_COLOR_GIVEN = 8,
  LINE_STYLE_GIVEN = 16,
};
void draw_line(float x1, float y1, float x2, float y2, uint32_t colour, int32_t shape,
               int32_t style, int32_t flags);

void fill_box(float x1, float y1, float x2, float y2, uint32_t colour);

enum ViewportFlags : int32_t {
  VIEWPORT_CORNERS_GIVEN = 1,
  VIEWPORT_SCREEN_RELATIVE = 2,
  VIEWPORT_FILL_GIVEN = 4,
  VIEWPORT_BORDER_GIVEN = 8,
};
void set_viewport(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fill,
                  uint32_t border, int32_t flags);

enum WorldWindowFlags : int32_t {
  WORLD_CORNERS_GIVEN = 1,
  WORLD_SCREEN_ORIENTATION = 2,
};
void set_world_window(float x1, float y1, float x2, float y2, int32_t flags);

enum CircleFlags : int32_t {
  CIRCLE_RELATIVE = 1,
  CIRCLE_COLOR_GIVEN = 2,
  CIRCLE_START_GIVEN = 4,
  CIRCLE_END_GIVEN = 8,
  CIRCLE_ASPECT_GIVEN = 16,
};
void draw_circle(double x, double y, double radius, uint32_t colour, double start, double end,
                 double aspect, int32_t flags);

enum FloodFlags : int32_t {
  FLOOD_RELATIVE = 1,
  FLOOD_FILL_GIVEN = 2,
  FLOOD_BORDER_GIVEN = 4,
};
void flood_fill(float x, float y, uint32_t fill, uint32_t border, int32_t unused, int32_t flags);

}  // namespace rt
