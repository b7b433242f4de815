// Reads a screenshot of the game window (binary PPM, 8 bits per channel) back as text:
// one line per text row, "<row>|<ink>|<text>", where ink is the RRGGBB colour of the
// row's first non-space character ("------" for a blank row). The window shows the
// emulated screen pixel for pixel, 8 x 16 cells on black.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "runtime/screen/screen_state.h"
#include "tests/support/screen_reader.h"

namespace {

constexpr uint32_t kPaper = 0xFF000000u;
constexpr int32_t kCellHeight = 16;

bool read_token(std::istream& in, std::string& token) {
  token.clear();
  char c;
  while (in.get(c)) {
    if (c == '#') {
      std::string comment;
      std::getline(in, comment);
    } else if (!std::isspace(static_cast<unsigned char>(c))) {
      token.push_back(c);
      break;
    }
  }
  while (in.get(c) && !std::isspace(static_cast<unsigned char>(c))) token.push_back(c);
  return !token.empty();
}

bool load_ppm(const char* path, std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) {
  std::ifstream in(path, std::ios::binary);
  std::string magic, w, h, maximum;
  if (!read_token(in, magic) || magic != "P6" || !read_token(in, w) || !read_token(in, h) ||
      !read_token(in, maximum) || maximum != "255")
    return false;
  width = std::stoi(w);
  height = std::stoi(h);
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return false;
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
  if (!in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size())))
    return false;
  pixels.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = 0xFF000000u | uint32_t{rgb[3 * i]} << 16 | uint32_t{rgb[3 * i + 1]} << 8 |
                rgb[3 * i + 2];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: screen_text <screenshot.ppm>\n";
    return 2;
  }
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;
  if (!load_ppm(argv[1], pixels, width, height)) {
    std::cerr << "screen_text: cannot read " << argv[1] << "\n";
    return 2;
  }
  rt::initialise_screen();  // the glyph tables the reader matches against
  mw_test::Frame frame{pixels.data(), width, height, kCellHeight};
  for (int32_t row = 1; row <= height / kCellHeight; ++row) {
    std::string text = mw_test::read_frame_row(frame, row, kPaper);
    const size_t first = text.find_first_not_of(' ');
    char ink[8] = "------";
    if (first != std::string::npos) {
      uint32_t colour =
          mw_test::read_frame_cell(frame, row, static_cast<int32_t>(first) + 1, kPaper).foreground;
      std::snprintf(ink, sizeof ink, "%06X", colour & 0xFFFFFFu);
    }
    std::cout << row << "|" << ink << "|" << text << "\n";
  }
  return 0;
}
