// Text output on the destination image: a cursor that advances cell by cell, wraps at the
// right edge, scrolls the rows of the text window and obeys a few control characters.
// Every operation returns at once while a run-time error is pending; refusals raise 5.
#pragma once

#include <cstdint>

#include "runtime/screen/image.h"
#include "runtime/strings/string_value.h"

namespace rt {

// Prints the bytes of s at the cursor; a non-zero line_end ends the line afterwards.
// A null string prints like an empty one.
void print_text(StringValue* s, int32_t line_end);

// Starts a new line when s would not fit on the rest of a partly used line.
void ensure_item_fits(StringValue* s);

// Moves output to the next 14-column print zone.
void next_print_zone();

// Cursor to column 1 of the next row, scrolling the text window when it runs past it.
void advance_line();

// Draws the character at the cursor without moving it.
void put_glyph(int32_t code);

// Presence flags of clear_screen.
enum ClearScreenFlags : int32_t {
  CLEAR_METHOD_GIVEN = 1,
  CLEAR_COLOR_GIVEN = 2,
};
// method: 0 whole image, 1 graphics viewport, 2 text window.
void clear_screen(int32_t method, uint32_t colour, int32_t flags);

// Presence flags of set_color: 1 foreground, 2 background, 4 the third value.
enum SetColorFlags : int32_t {
  COLOR_FOREGROUND_GIVEN = 1,
  COLOR_BACKGROUND_GIVEN = 2,
  COLOR_THIRD_GIVEN = 4,
};
void set_color(uint32_t foreground, uint32_t background, uint32_t third, int32_t flags);

// Presence flags of set_cursor_position.
enum CursorPositionFlags : uint32_t {
  CURSOR_ROW_GIVEN = 1,
  CURSOR_COLUMN_GIVEN = 2,
  CURSOR_VISIBLE_GIVEN = 4,
  CURSOR_START_GIVEN = 8,
  CURSOR_STOP_GIVEN = 16,
};
void set_cursor_position(int32_t row, int32_t column, int32_t visible, int32_t start,
                         int32_t stop, uint32_t flags);

// Both answer as if an owed line end had already happened. 0 without a destination.
int32_t get_cursor_row();
int32_t get_cursor_column();

// given == 0: the whole height, last row included.
void set_text_window(int32_t top, int32_t bottom, int32_t given);

// Mode 2 prints control characters as glyphs; any other mode lets them act.
void set_control_char_mode(int32_t mode);

// Width in pixels of s in the font of the image (ImageRef resolved against the
// destination when not given); a text image raises 5 and gives 0.
int32_t print_width(StringValue* s, int32_t image, int32_t given);

// Raised while the function-key label line is printed: control characters become glyphs.
void set_key_labels_printing(bool printing);

// The bell (byte 7) pauses the script thread through this sleep; tests replace it to see
// the pause asked for without waiting. Null restores host::sleep_milliseconds.
using BellSleep = void (*)(int64_t milliseconds);
void set_bell_sleep(BellSleep sleep);

// The attribute byte of a text cell: background in bits 4-6, blink (foreground 16-31)
// in bit 7, foreground in bits 0-3.
inline uint8_t text_attribute(uint32_t foreground, uint32_t background) {
  return static_cast<uint8_t>((background & 7) * 16 + (foreground & 16) * 8 + (foreground & 15));
}

}  // namespace rt
