// Text output: the cursor, wrapping, scrolling and the control characters.
#include "runtime/screen/text_output.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/host/host.h"
#include "runtime/screen/drawing.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/screen_state.h"

namespace rt {
namespace {

constexpr int64_t kBellMilliseconds = 250;
constexpr int32_t kPrintZoneWidth = 14;
constexpr int32_t kTabStop = 8;
constexpr uint8_t kSpace = 32;
constexpr int32_t kControlCharMode = 2;
constexpr int32_t kLastCursorScanLine = 31;
constexpr int32_t kTallestFirstScreen = 50;
constexpr int32_t kFirstScreenColumns = 80;
constexpr uint32_t kFirstScreenBytes = 80 * 25 * 2;  // page 0 of the start-up text screen

enum ControlChar : uint8_t {
  BELL = 7,
  TAB = 9,
  LINE_FEED = 10,
  HOME = 11,
  FORM_FEED = 12,
  CARRIAGE_RETURN = 13,
  CURSOR_RIGHT = 28,
  CURSOR_LEFT = 29,
  CURSOR_UP = 30,
  CURSOR_DOWN = 31,
};

struct TextOutputState {
  bool control_chars_as_glyphs = false;
  bool key_labels_printing = false;
  BellSleep bell_sleep = nullptr;
};

TextOutputState state;

// ---- the text grid ------------------------------------------------------------------

int32_t font_width(const Image& image) {
  return std::max<int32_t>(1, font_table_width(static_cast<int32_t>(image.font)));
}

int32_t font_height(const Image& image) {
  return std::max<int32_t>(1, font_table_height(static_cast<int32_t>(image.font)));
}

int32_t columns(const Image& image) {
  return image.is_text ? image.width : image.width / font_width(image);
}

int32_t rows(const Image& image) {
  return image.is_text ? image.height : image.height / font_height(image);
}

bool is_page_storage_ready(const Image& image) {
  return image.pixels != nullptr && image.width > 0 && image.height > 0;
}

uint8_t* cell_at(Image& image, int32_t row, int32_t column) {
  return image.pixels + (static_cast<size_t>(row - 1) * image.width + (column - 1)) * 2;
}

// Blank cells (character 32) over whole rows first_row..last_row, clamped to the grid.
void blank_text_rows(Image& image, int32_t first_row, int32_t last_row, uint8_t attribute) {
  first_row = std::max(first_row, 1);
  last_row = std::min<int32_t>(last_row, image.height);
  for (int32_t row = first_row; row <= last_row; ++row) {
    uint8_t* cell = cell_at(image, row, 1);
    for (int32_t i = 0; i < image.width; ++i) {
      cell[2 * i] = kSpace;
      cell[2 * i + 1] = attribute;
    }
  }
}

// Whole pixel rows of text rows first_row..last_row in the colour, without blending.
void fill_text_pixel_rows(Image& image, int32_t first_row, int32_t last_row, uint32_t colour) {
  int32_t fh = font_height(image);
  fill_rect_opaque(image, 0, (first_row - 1) * fh, image.width - 1, last_row * fh - 1, colour);
}

Image* output_image() {
  if (error_pending()) return nullptr;
  Image* image = destination();
  if (image == nullptr || !is_page_storage_ready(*image)) return nullptr;
  return image;
}

// ---- scrolling and glyphs ------------------------------------------------------------

// One block move of the window's rows and one fill of the freed row.
void scroll_window(Image& image) {
  int32_t top = std::max<int32_t>(image.text_top, 1);
  int32_t bottom = std::min<int32_t>(image.text_bottom, rows(image));
  if (bottom < top) return;
  if (image.is_text) {
    size_t row_bytes = static_cast<size_t>(image.width) * 2;
    std::memmove(cell_at(image, top, 1), cell_at(image, top + 1, 1),
                 static_cast<size_t>(bottom - top) * row_bytes);
    blank_text_rows(image, bottom, bottom, text_attribute(image.foreground, image.background));
    return;
  }
  size_t row_bytes = static_cast<size_t>(image.width) * image.bytes_per_pixel;
  size_t text_row_bytes = row_bytes * font_height(image);
  uint8_t* window = image.pixels + (top - 1) * text_row_bytes;
  std::memmove(window, window + text_row_bytes, static_cast<size_t>(bottom - top) * text_row_bytes);
  fill_text_pixel_rows(image, bottom, bottom, image.background);
}

void advance_line_on(Image& image) {
  image.cursor_y = static_cast<int16_t>(image.cursor_y + 1);
  image.cursor_x = 1;
  if (image.cursor_y > image.text_bottom) {
    scroll_window(image);
    image.cursor_y = image.text_bottom;
  }
}

// The glyph rows of a code in a graphics image's font; the double-width and loaded fonts
// have no table of their own here, so they borrow the built-in set of their height.
const uint8_t* glyph_rows(const Image& image, uint8_t code, int32_t& height) {
  height = font_height(image);
  switch (height) {
    case 8: return glyphs_8x8() + code * 64;
    case 14: return glyphs_8x16() + code * 128 + 8;
    case 16: return glyphs_8x16() + code * 128;
    default: return nullptr;
  }
}

void put_glyph_on(Image& image, int32_t code) {
  if (image.cursor_x < 1 || image.cursor_y < 1 || image.cursor_x > columns(image) ||
      image.cursor_y > rows(image))
    return;
  uint8_t c = static_cast<uint8_t>(code);
  if (image.is_text) {
    uint8_t* cell = cell_at(image, image.cursor_y, image.cursor_x);
    cell[0] = c;
    cell[1] = text_attribute(image.foreground, image.background);
    return;
  }
  int32_t height = 0;
  const uint8_t* glyph = glyph_rows(image, c, height);
  if (glyph == nullptr) return;
  int32_t x0 = (image.cursor_x - 1) * font_width(image);
  int32_t y0 = (image.cursor_y - 1) * height;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < 8; ++x)
      put_pixel(image, x0 + x, y0 + y, glyph[y * 8 + x] ? image.foreground : image.background);
}

// ---- printing -----------------------------------------------------------------------

struct PrintRun {
  Image& image;
  int32_t columns;
  bool last_byte;
  bool line_end;
  bool ended_on_new_line;
};

void print_character(PrintRun& run, uint8_t c) {
  Image& image = run.image;
  put_glyph_on(image, c);
  image.cursor_x = static_cast<int16_t>(image.cursor_x + 1);
  run.ended_on_new_line = false;
  if (image.cursor_x > run.columns) {
    if (run.last_byte && !run.line_end) {
      image.cursor_x = static_cast<int16_t>(run.columns);
      image.cursor_held = 1;
    } else {
      advance_line_on(image);
      run.ended_on_new_line = true;
    }
  }
}

// Spaces up to the next column of the form 8k + 1. The tab stops early once the line is
// full and its end is owed: the cursor then stays in the last column for good.
void print_tab(PrintRun& run) {
  Image& image = run.image;
  for (;;) {
    bool again = (image.cursor_x & (kTabStop - 1)) != 0;
    print_character(run, kSpace);
    if (!again || image.cursor_held) return;
  }
}

void bell() {
  if (state.bell_sleep != nullptr) state.bell_sleep(kBellMilliseconds);
  else host::sleep_milliseconds(kBellMilliseconds);
}

void cursor_right(Image& image, int32_t c) {
  if (image.cursor_y >= image.text_bottom && image.cursor_x >= c) return;
  image.cursor_x = static_cast<int16_t>(image.cursor_x + 1);
  if (image.cursor_x > c) {
    image.cursor_y = static_cast<int16_t>(image.cursor_y + 1);
    image.cursor_x = 1;
  }
}

void cursor_left(Image& image, int32_t c) {
  bool inside_below_top = image.cursor_y != image.text_top && image.cursor_y <= image.text_bottom;
  if (!inside_below_top && image.cursor_x == 1) return;
  image.cursor_x = static_cast<int16_t>(image.cursor_x - 1);
  if (image.cursor_x < 1) {
    image.cursor_y = static_cast<int16_t>(image.cursor_y - 1);
    image.cursor_x = static_cast<int16_t>(c);
  }
}

// True when c acted as a control character.
bool act_on_control(PrintRun& run, uint8_t c) {
  Image& image = run.image;
  switch (c) {
    case BELL: bell(); return true;
    case TAB: print_tab(run); return true;
    case LINE_FEED:
    case CARRIAGE_RETURN: advance_line_on(image); return true;
    case HOME:
      image.cursor_x = 1;
      image.cursor_y = image.text_top;
      return true;
    case FORM_FEED: clear_screen(0, 0, 0); return true;
    case CURSOR_RIGHT: cursor_right(image, run.columns); return true;
    case CURSOR_LEFT: cursor_left(image, run.columns); return true;
    case CURSOR_UP:
      if (image.text_top < image.cursor_y && image.cursor_y <= image.text_bottom)
        image.cursor_y = static_cast<int16_t>(image.cursor_y - 1);
      return true;
    case CURSOR_DOWN:
      if (image.text_top <= image.cursor_y && image.cursor_y < image.text_bottom)
        image.cursor_y = static_cast<int16_t>(image.cursor_y + 1);
      return true;
    default: return false;
  }
}

void print_bytes(Image& image, const uint8_t* bytes, int32_t length, bool line_end) {
  if (image.cursor_held) {
    if (length > 0) {
      image.cursor_held = 0;
      advance_line_on(image);
    } else if (line_end) {
      image.cursor_held = 0;
    }
  }
  bool controls_act = !state.control_chars_as_glyphs && !state.key_labels_printing;
  PrintRun run{image, columns(image), false, line_end, false};
  for (int32_t i = 0; i < length; ++i) {
    run.last_byte = i == length - 1;
    run.ended_on_new_line = false;
    uint8_t c = bytes[i];
    if (controls_act && act_on_control(run, c)) continue;
    print_character(run, c);
  }
  if (line_end && !run.ended_on_new_line) advance_line_on(image);
}

int64_t print_width_on(const Image& image, int32_t length) {
  if (length <= 0) return 0;
  int64_t glyph_width = image.font < 32 ? 8 : font_width(image);
  return glyph_width * length;
}

int32_t string_length(const StringValue* s) {
  return s == nullptr || s->data == nullptr ? 0 : std::max<int32_t>(0, s->length);
}

// ---- clearing -----------------------------------------------------------------------

void clear_graphics(Image& image, int32_t method, uint32_t colour) {
  if (method == 2) {
    fill_text_pixel_rows(image, image.text_top, image.text_bottom, colour);
    return;
  }
  bool viewport_only = method != 0 && image.coordinate_mode != 0;
  if (viewport_only)
    fill_rect_opaque(image, image.view_x1, image.view_y1, image.view_x2, image.view_y2, colour);
  else
    fill_rect_opaque(image, 0, 0, image.width - 1, image.height - 1, colour);
  // The graphics cursor goes to the middle of the viewport, in the caller's coordinates.
  float middle_x = static_cast<float>((image.view_x2 - image.view_x1 + 1) / 2);
  float middle_y = static_cast<float>((image.view_y2 - image.view_y1 + 1) / 2);
  if (image.coordinate_mode == 2) {
    middle_x = (middle_x - image.scale_offset_x) / image.scale_x;
    middle_y = (middle_y - image.scale_offset_y) / image.scale_y;
  }
  image.graphics_x = middle_x;
  image.graphics_y = middle_y;
}

void clear_text(Image& image, int32_t method, uint32_t colour, bool method_given) {
  uint8_t attribute = text_attribute(image.foreground, colour);
  if (!method_given) {
    blank_text_rows(image, image.text_top, image.text_bottom, attribute);
    blank_text_rows(image, image.height, image.height, attribute);
  } else if (method == 0) {
    blank_text_rows(image, 1, image.height, attribute);
  } else if (method == 2) {
    blank_text_rows(image, image.text_top, image.text_bottom, attribute);
  }
}

// ---- colours ------------------------------------------------------------------------

struct ColorLimits {
  uint64_t foreground;  // exclusive; 0 when the mode is not known
  uint64_t background;
};

constexpr uint64_t kAnyValue = uint64_t{1} << 32;

ColorLimits color_limits(uint16_t mode) {
  switch (mode) {
    case 0: return {32, 16};
    case 1: return {16, kAnyValue};
    case 2: return {2, 16};
    case 7: case 8: case 12: return {16, 16};
    case 9: return {16, 64};
    case 10: return {4, 9};
    case 11: return {2, 2};
    case 13: case 256: return {256, 256};
    case 32: return {kAnyValue, kAnyValue};
    default: return {0, 0};
  }
}

void set_palette_entry(Image& image, int32_t index, uint32_t colour) {
  if (image.palette != nullptr) image.palette[index] = colour;
}

void apply_colors(Image& image, uint32_t fg, uint32_t bg, bool fg_given, bool bg_given) {
  switch (image.mode) {
    case 0:
      if (fg_given) image.foreground = fg;
      if (bg_given) image.background = bg & 7;
      return;
    case 1:
      if (fg_given) set_palette_entry(image, 0, vga_color(static_cast<int32_t>(fg)));
      if (bg_given)
        for (int32_t i = 1; i <= 3; ++i)
          set_palette_entry(image, i, vga_color((bg & 1) ? 2 * i + 1 : 2 * i));
      return;
    case 2: case 7: case 8: case 9: case 10:
      if (fg_given) image.foreground = fg;
      if (!bg_given) return;
      if (image.mode == 9) set_palette_entry(image, 0, ega_color(static_cast<int32_t>(bg)));
      else if (image.mode == 10) set_palette_entry(image, 4, bg);
      else set_palette_entry(image, 0, vga_color(static_cast<int32_t>(bg)));
      return;
    default:
      if (fg_given) image.foreground = fg;
      if (bg_given) image.background = bg;
      return;
  }
}

// ---- the cursor ---------------------------------------------------------------------

template <typename Apply>
void for_each_page(Apply apply) {
  int32_t top = image_high_water();
  for (int32_t slot = 0; slot < top; ++slot) {
    Image* page = image_record(slot);
    if (page != nullptr && page->valid && (page->flags & IS_PAGE)) apply(*page);
  }
}

// The start-up text screen may be addressed below its 25th row once: it then becomes
// 80 x 50 with the old 25 rows still shown as its top half.
bool grow_first_screen(Image*& image) {
  std::array<uint8_t, kFirstScreenBytes> saved;
  std::memcpy(saved.data(), low_memory_at(kTextVideoMemory), saved.size());
  uint32_t foreground = image->foreground;
  uint32_t background = image->background;
  set_text_dimensions(0, kFirstScreenColumns, kTallestFirstScreen, 3);
  if (error_pending()) return false;
  std::memcpy(low_memory_at(kTextVideoMemory), saved.data(), saved.size());
  image = destination();
  if (image == nullptr) return false;
  image->foreground = foreground;
  image->background = background;
  return true;
}

bool in_range(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

}  // namespace

// ---- operations -----------------------------------------------------------------------

void print_text(StringValue* s, int32_t line_end) {
  Image* image = output_image();
  if (image == nullptr) return;
  print_bytes(*image, string_length(s) ? s->data : nullptr, string_length(s), line_end != 0);
}

void ensure_item_fits(StringValue* s) {
  Image* image = output_image();
  if (image == nullptr || image->cursor_held || image->cursor_x == 1) return;
  int64_t length = string_length(s);
  int64_t needed = image->is_text
                       ? length + image->cursor_x - 1
                       : int64_t{font_width(*image)} * (image->cursor_x - 1) +
                             print_width_on(*image, static_cast<int32_t>(length));
  if (image->width < needed) advance_line_on(*image);
}

void next_print_zone() {
  Image* image = output_image();
  if (image == nullptr) return;
  if (image->cursor_held) {
    advance_line_on(*image);
    image->cursor_held = 0;
    return;
  }
  static const uint8_t space = kSpace;
  int32_t c = columns(*image);
  print_bytes(*image, &space, 1, false);
  while (image->cursor_x != 1 &&
         ((image->cursor_x - 1) % kPrintZoneWidth != 0 || image->cursor_x > c - 13) &&
         image->cursor_x < c)
    print_bytes(*image, &space, 1, false);
}

void advance_line() {
  Image* image = output_image();
  if (image != nullptr) advance_line_on(*image);
}

void put_glyph(int32_t code) {
  Image* image = output_image();
  if (image != nullptr) put_glyph_on(*image, code);
}

void clear_screen(int32_t method, uint32_t colour, int32_t flags) {
  Image* image = output_image();
  if (image == nullptr) return;
  bool method_given = flags & CLEAR_METHOD_GIVEN;
  bool palette_image = !image->is_text && image->bytes_per_pixel == 1;
  if (!(flags & CLEAR_COLOR_GIVEN)) colour = image->background;
  else if (palette_image && colour > image->color_mask) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (method_given && !in_range(method, 0, 2)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  image->cursor_y = image->text_top;
  image->cursor_x = 1;
  image->draw_angle = 0.0;
  image->draw_scale = 1.0;
  if (image->is_text) {
    clear_text(*image, method, colour, method_given);
    if (!method_given || method == 0) redraw_key_labels();
    return;
  }
  clear_graphics(*image, method_given ? method : 1, colour);
  if (!method_given || method != 2) redraw_key_labels();
}

void set_color(uint32_t fg, uint32_t bg, uint32_t third, int32_t flags) {
  Image* image = output_image();
  if (image == nullptr || flags == 0) return;
  bool fg_given = flags & COLOR_FOREGROUND_GIVEN;
  bool bg_given = flags & COLOR_BACKGROUND_GIVEN;
  ColorLimits limits = color_limits(image->mode);
  if (limits.foreground == 0 || ((flags & COLOR_THIRD_GIVEN) && image->mode != 0) ||
      (fg_given && fg >= limits.foreground) || (bg_given && bg >= limits.background)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  apply_colors(*image, fg, bg, fg_given, bg_given);
}

void set_cursor_position(int32_t row, int32_t column, int32_t visible, int32_t start,
                         int32_t stop, uint32_t flags) {
  Image* image = output_image();
  if (image == nullptr) return;
  bool row_given = flags & CURSOR_ROW_GIVEN;
  bool column_given = flags & CURSOR_COLUMN_GIVEN;
  // Everything that can be refused is checked before the first screen may be rebuilt.
  if (((flags & CURSOR_VISIBLE_GIVEN) && !in_range(visible, 0, 1)) ||
      ((flags & CURSOR_START_GIVEN) && !in_range(start, 0, kLastCursorScanLine)) ||
      ((flags & CURSOR_STOP_GIVEN) && !in_range(stop, 0, kLastCursorScanLine)) ||
      (column_given && !in_range(column, 1, columns(*image)))) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (row_given) {
    int32_t last_row = rows(*image);
    bool outside_window = row > image->text_bottom && row != last_row;
    if (row < image->text_top || (outside_window && !first_screen_pending())) {
      raise_error(kErrIllegalFunctionCall);
      return;
    }
    if (outside_window) {
      clear_first_screen_pending();
      if (row > kTallestFirstScreen) {
        raise_error(kErrIllegalFunctionCall);
        return;
      }
      if (!grow_first_screen(image)) return;
      if (!in_range(row, image->text_top, rows(*image)) ||
          (column_given && !in_range(column, 1, columns(*image)))) {
        raise_error(kErrIllegalFunctionCall);
        return;
      }
    }
    image->cursor_y = static_cast<int16_t>(row);
    image->cursor_held = 0;
  }
  if (column_given) {
    image->cursor_x = static_cast<int16_t>(column);
    image->cursor_held = 0;
  }
  if (!row_given && !column_given && image->cursor_held) image->cursor_held = 2;
  bool is_page = image->flags & IS_PAGE;
  if (flags & CURSOR_VISIBLE_GIVEN) {
    uint8_t shown = visible ? 1 : 0;
    image->cursor_visible = shown;
    if (is_page) for_each_page([&](Image& page) { page.cursor_visible = shown; });
  }
  if (flags & CURSOR_START_GIVEN) image->cursor_start = static_cast<uint8_t>(start);
  if (flags & CURSOR_STOP_GIVEN) image->cursor_stop = static_cast<uint8_t>(stop);
  if ((flags & (CURSOR_START_GIVEN | CURSOR_STOP_GIVEN)) && is_page) {
    uint8_t first = image->cursor_start, last = image->cursor_stop;
    for_each_page([&](Image& page) {
      page.cursor_start = first;
      page.cursor_stop = last;
    });
  }
}

int32_t get_cursor_row() {
  Image* image = output_image();
  if (image == nullptr) return 0;
  if (!image->cursor_held) return image->cursor_y;
  return image->cursor_y < image->text_bottom ? image->cursor_y + 1 : image->text_bottom;
}

int32_t get_cursor_column() {
  Image* image = output_image();
  if (image == nullptr) return 0;
  return image->cursor_held ? 1 : image->cursor_x;
}

void set_text_window(int32_t top, int32_t bottom, int32_t given) {
  Image* image = output_image();
  if (image == nullptr) return;
  int32_t last_row = rows(*image);
  if (!given) {
    top = 1;
    bottom = last_row;
  } else if (!(1 <= top && top <= bottom && bottom <= last_row)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  image->text_top = static_cast<int16_t>(top);
  image->text_bottom = static_cast<int16_t>(bottom);
  image->cursor_held = 0;
  image->cursor_x = 1;
  image->cursor_y = image->text_top;
}

void set_control_char_mode(int32_t mode) {
  if (error_pending()) return;
  state.control_chars_as_glyphs = mode == kControlCharMode;
}

int32_t print_width(StringValue* s, int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  int32_t slot = resolve_image_ref(image_ref, given != 0, destination_slot());
  if (error_pending()) return 0;
  Image* image = image_record(slot);
  if (image == nullptr || !image->valid) return 0;
  if (image->is_text) {
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  int64_t width = print_width_on(*image, string_length(s));
  return static_cast<int32_t>(std::min<int64_t>(width, std::numeric_limits<int32_t>::max()));
}

void set_key_labels_printing(bool printing) { state.key_labels_printing = printing; }

void set_bell_sleep(BellSleep sleep) { state.bell_sleep = sleep; }

}  // namespace rt
