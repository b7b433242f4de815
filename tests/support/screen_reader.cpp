#include "tests/support/screen_reader.h"

#include <array>
#include <functional>
#include <map>

#include "runtime/screen/fonts.h"

namespace mw_test {
namespace {

constexpr int32_t kCellWidth = 8;
constexpr uint8_t kFullBlock = 219;
constexpr uint8_t kSpace = 32;

// A glyph as one byte per row (leftmost pixel in the highest bit), as many rows as the font.
using GlyphKey = std::string;

const uint8_t* glyph_pixels(int32_t cell_height, int code) {
  switch (cell_height) {
    case 8: return rt::glyphs_8x8() + code * 64;
    case 14: return rt::glyphs_8x16() + code * 128 + 8;
    default: return rt::glyphs_8x16() + code * 128;
  }
}

// Printable ASCII wins over the pictographs and accented letters that share its shape.
const std::map<GlyphKey, uint8_t>& glyph_index(int32_t cell_height) {
  static std::map<int32_t, std::map<GlyphKey, uint8_t>> indexes;
  auto found = indexes.find(cell_height);
  if (found != indexes.end()) return found->second;
  std::map<GlyphKey, uint8_t>& index = indexes[cell_height];
  auto add = [&](int code) {
    const uint8_t* pixels = glyph_pixels(cell_height, code);
    GlyphKey key(static_cast<size_t>(cell_height), '\0');
    for (int32_t y = 0; y < cell_height; ++y)
      for (int32_t x = 0; x < kCellWidth; ++x)
        if (pixels[y * kCellWidth + x]) key[y] = static_cast<char>(key[y] | (0x80 >> x));
    index.emplace(key, static_cast<uint8_t>(code));
  };
  for (int code = 32; code < 127; ++code) add(code);
  for (int code = 0; code < 256; ++code)
    if (code < 32 || code >= 127) add(code);
  return index;
}

using PixelAt = std::function<uint32_t(int32_t x, int32_t y)>;

std::optional<uint8_t> match(int32_t cell_height, const PixelAt& at, int32_t x0, int32_t y0,
                             uint32_t ink) {
  GlyphKey key(static_cast<size_t>(cell_height), '\0');
  for (int32_t y = 0; y < cell_height; ++y)
    for (int32_t x = 0; x < kCellWidth; ++x)
      if (at(x0 + x, y0 + y) == ink) key[y] = static_cast<char>(key[y] | (0x80 >> x));
  const auto& index = glyph_index(cell_height);
  auto found = index.find(key);
  if (found == index.end()) return std::nullopt;
  return found->second;
}

CellReading read_pixel_cell(const PixelAt& at, int32_t x0, int32_t y0, int32_t cell_height,
                            uint32_t paper) {
  std::array<uint32_t, 3> colours{};
  int count = 0;
  for (int32_t y = 0; y < cell_height && count < 3; ++y)
    for (int32_t x = 0; x < kCellWidth && count < 3; ++x) {
      uint32_t c = at(x0 + x, y0 + y);
      bool seen = false;
      for (int i = 0; i < count; ++i) seen = seen || colours[i] == c;
      if (!seen) colours[count++] = c;
    }
  CellReading reading;
  if (count == 1) {
    reading.matched = true;
    reading.code = colours[0] == paper ? kSpace : kFullBlock;
    reading.background = paper;
    reading.foreground = colours[0];
    return reading;
  }
  if (count != 2) return reading;
  // The paper colour decides first; without it, either colour may be the ink.
  uint32_t first_ink = colours[0] == paper ? colours[1] : colours[0];
  uint32_t second_ink = first_ink == colours[0] ? colours[1] : colours[0];
  for (uint32_t ink : {first_ink, second_ink}) {
    std::optional<uint8_t> code = match(cell_height, at, x0, y0, ink);
    if (!code) continue;
    reading.code = *code;
    reading.matched = true;
    reading.foreground = ink;
    reading.background = ink == colours[0] ? colours[1] : colours[0];
    return reading;
  }
  return reading;
}

int32_t cell_height_of(const rt::Image& image) {
  int32_t height = rt::font_table_height(static_cast<int32_t>(image.font));
  return height > 0 ? height : 16;
}

}  // namespace

CellReading read_cell(const rt::Image& image, int32_t row, int32_t column,
                      std::optional<uint32_t> paper) {
  CellReading reading;
  if (image.pixels == nullptr || row < 1 || column < 1) return reading;
  if (image.is_text) {
    if (row > image.height || column > image.width) return reading;
    const uint8_t* cell =
        image.pixels + ((static_cast<size_t>(row) - 1) * image.width + (column - 1)) * 2;
    reading.code = cell[0];
    reading.matched = true;
    reading.foreground = (cell[1] & 15u) | ((cell[1] & 128u) ? 16u : 0u);
    reading.background = (cell[1] >> 4) & 7u;
    return reading;
  }
  int32_t cell_height = cell_height_of(image);
  int32_t x0 = (column - 1) * kCellWidth;
  int32_t y0 = (row - 1) * cell_height;
  if (x0 + kCellWidth > image.width || y0 + cell_height > image.height) return reading;
  PixelAt at;
  if (image.bytes_per_pixel == 4) {
    const uint32_t* pixels = reinterpret_cast<const uint32_t*>(image.pixels);
    at = [&image, pixels](int32_t x, int32_t y) { return pixels[y * image.width + x]; };
  } else {
    at = [&image](int32_t x, int32_t y) {
      return static_cast<uint32_t>(image.pixels[y * image.width + x]);
    };
  }
  return read_pixel_cell(at, x0, y0, cell_height, paper.value_or(image.background));
}

std::vector<std::string> read_text_rows(const rt::Image& image, int32_t top, int32_t left,
                                        int32_t rows, int32_t columns,
                                        std::optional<uint32_t> paper) {
  std::vector<std::string> text;
  for (int32_t r = top; r < top + rows; ++r) {
    std::string line;
    for (int32_t c = left; c < left + columns; ++c)
      line.push_back(static_cast<char>(read_cell(image, r, c, paper).code));
    text.push_back(line);
  }
  return text;
}

std::string read_row(const rt::Image& image, int32_t row, std::optional<uint32_t> paper) {
  int32_t columns = image.is_text ? image.width : image.width / kCellWidth;
  std::string line = read_text_rows(image, row, 1, 1, columns, paper)[0];
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

CellReading read_frame_cell(const Frame& frame, int32_t row, int32_t column, uint32_t paper) {
  int32_t x0 = (column - 1) * kCellWidth;
  int32_t y0 = (row - 1) * frame.cell_height;
  if (row < 1 || column < 1 || x0 + kCellWidth > frame.width ||
      y0 + frame.cell_height > frame.height)
    return CellReading{};
  PixelAt at = [&frame](int32_t x, int32_t y) { return frame.pixels[y * frame.width + x]; };
  return read_pixel_cell(at, x0, y0, frame.cell_height, paper);
}

std::string read_frame_row(const Frame& frame, int32_t row, uint32_t paper) {
  std::string line;
  for (int32_t c = 1; c <= frame.width / kCellWidth; ++c)
    line.push_back(static_cast<char>(read_frame_cell(frame, row, c, paper).code));
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

}  // namespace mw_test
