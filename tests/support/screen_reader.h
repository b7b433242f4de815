// Test support: reads text cells of an image (or of a composed 32-bit frame) back as
// text, by matching every cell of a graphics image against the built-in glyphs.
// Needs the glyph tables, which initialise_screen() prepares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/screen/image.h"

namespace mw_test {

struct CellReading {
  uint8_t code = '?';       // character code; '?' when no glyph matched
  bool matched = false;
  uint32_t foreground = 0;  // palette index or 32-bit colour; text cells: attribute value
  uint32_t background = 0;  // (foreground 0-31 with blink as 16, background 0-7)
};

// The cell at (row, column), both 1-based, of a text or graphics image. A one-colour
// cell in the paper colour reads as a space, in any other colour as a full block (219).
// The paper colour decides which of two colours is ink; it defaults to the image's
// background.
CellReading read_cell(const rt::Image& image, int32_t row, int32_t column,
                      std::optional<uint32_t> paper = std::nullopt);

// Rows top .. top + rows - 1 of columns left .. left + columns - 1, one string per row.
std::vector<std::string> read_text_rows(const rt::Image& image, int32_t top, int32_t left,
                                        int32_t rows, int32_t columns,
                                        std::optional<uint32_t> paper = std::nullopt);

// One row of text with its trailing spaces removed: what a player sees on that row.
std::string read_row(const rt::Image& image, int32_t row,
                     std::optional<uint32_t> paper = std::nullopt);

// A composed frame: width x height 32-bit pixels row by row, cells of 8 x cell_height.
struct Frame {
  const uint32_t* pixels;
  int32_t width;
  int32_t height;
  int32_t cell_height = 16;
};
CellReading read_frame_cell(const Frame& frame, int32_t row, int32_t column, uint32_t paper);
std::string read_frame_row(const Frame& frame, int32_t row, uint32_t paper);

}  // namespace mw_test
