#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/core/control_words.h"
#include "runtime/screen/font_ops.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_state.h"
#include "tests/runtime/screen/screen_fixture.h"

namespace rt::test {
namespace {

constexpr int32_t kMode = 1;
void select_mode(int32_t mode) { set_screen_mode(mode, 0, 0, 0, 0, kMode); }

// Row r of a glyph as 8 bits, leftmost pixel highest, read back from one-byte pixels.
std::vector<int> glyph_rows(const uint8_t* glyph, int rows) {
  std::vector<int> out;
  for (int r = 0; r < rows; ++r) {
    int bits = 0;
    for (int x = 0; x < 8; ++x) {
      uint8_t pixel = glyph[r * 8 + x];
      EXPECT_TRUE(pixel == 0 || pixel == 255);
      bits = bits << 1 | (pixel == 255 ? 1 : 0);
    }
    out.push_back(bits);
  }
  return out;
}

TEST(GlyphSetsTest, TellingRowsOfBothSets) {
  struct Case {
    int code;
    std::vector<int> rows8;
    std::vector<int> rows16;
  };
  const std::vector<int> blank8(8, 0), blank16(16, 0);
  std::vector<int> shade16;
  for (int i = 0; i < 8; ++i) shade16.insert(shade16.end(), {0x11, 0x44});
  const Case cases[] = {
      {0, blank8, blank16},
      {32, blank8, blank16},
      {255, blank8, blank16},
      {1, {0x7E, 0x81, 0xA5, 0x81, 0xBD, 0x99, 0x81, 0x7E},
       {0x00, 0x00, 0x7E, 0x81, 0xA5, 0x81, 0x81, 0xBD, 0x99, 0x81, 0x81, 0x7E, 0, 0, 0, 0}},
      {65, {0x30, 0x78, 0xCC, 0xCC, 0xFC, 0xCC, 0xCC, 0x00},
       {0x00, 0x00, 0x10, 0x38, 0x6C, 0xC6, 0xC6, 0xFE, 0xC6, 0xC6, 0xC6, 0xC6, 0, 0, 0, 0}},
      {176, {0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88}, shade16},
      {219, std::vector<int>(8, 0xFF), std::vector<int>(16, 0xFF)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(glyph_rows(glyphs_8x8() + c.code * 64, 8), c.rows8) << "code " << c.code;
    EXPECT_EQ(glyph_rows(glyphs_8x16() + c.code * 128, 16), c.rows16) << "code " << c.code;
    EXPECT_EQ(font_glyph(kFont8, static_cast<uint8_t>(c.code)), glyphs_8x8() + c.code * 64);
    EXPECT_EQ(font_glyph(kFont16Wide, static_cast<uint8_t>(c.code)), glyphs_8x16() + c.code * 128);
    // The 14-line cell is rows 1 to 14 of the 16-line glyph.
    std::vector<int> middle(c.rows16.begin() + 1, c.rows16.begin() + 15);
    EXPECT_EQ(glyph_rows(font_glyph(kFont14, static_cast<uint8_t>(c.code)), 14), middle);
  }
  EXPECT_EQ(font_glyph(12, 65), nullptr);
}

TEST(GlyphSetsTest, EveryPrintableCharacterHasInk) {
  for (int code = 1; code < 255; ++code) {
    if (code == 32) continue;
    bool ink8 = false, ink16 = false;
    for (int i = 0; i < 64; ++i) ink8 |= glyphs_8x8()[code * 64 + i] != 0;
    for (int i = 0; i < 128; ++i) ink16 |= glyphs_8x16()[code * 128 + i] != 0;
    EXPECT_TRUE(ink8 && ink16) << "code " << code;
  }
}

// The nearest 8-bit value to a 6-bit level, as the default tables were made.
uint32_t widened(int level) { return static_cast<uint32_t>(std::lround(level * 255.0 / 63.0)); }

TEST(ColourTablesTest, EgaTableFollowsItsBitRule) {
  for (int i = 0; i < 64; ++i) {
    uint32_t blue = (i & 1 ? 0xAA : 0) + (i & 8 ? 0x55 : 0);
    uint32_t green = (i & 2 ? 0xAA : 0) + (i & 16 ? 0x55 : 0);
    uint32_t red = (i & 4 ? 0xAA : 0) + (i & 32 ? 0x55 : 0);
    EXPECT_EQ(ega_color(i), 0xFF000000u | red << 16 | green << 8 | blue) << i;
  }
  EXPECT_EQ(ega_color(20), 0xFFAA5500u);
  EXPECT_EQ(ega_color(63), 0xFFFFFFFFu);
}

TEST(ColourTablesTest, VgaTableFollowsItsBlockRule) {
  const int standard_ega[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(vga_color(i), ega_color(standard_ega[i])) << i;
  const uint32_t greys[16] = {0x00, 0x14, 0x20, 0x2D, 0x39, 0x45, 0x51, 0x61,
                              0x71, 0x82, 0x92, 0xA2, 0xB6, 0xCA, 0xE3, 0xFF};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(vga_color(16 + i), 0xFF000000u | greys[i] * 0x010101u);
  const uint32_t levels[9][5] = {
      {0x00, 0x41, 0x7D, 0xBE, 0xFF}, {0x7D, 0x9E, 0xBE, 0xDF, 0xFF}, {0xB6, 0xC6, 0xDB, 0xEB, 0xFF},
      {0x00, 0x1C, 0x39, 0x55, 0x71}, {0x39, 0x45, 0x55, 0x61, 0x71}, {0x51, 0x59, 0x61, 0x69, 0x71},
      {0x00, 0x10, 0x20, 0x31, 0x41}, {0x20, 0x28, 0x31, 0x39, 0x41}, {0x2D, 0x31, 0x35, 0x3D, 0x41},
  };
  for (int b = 0; b < 9; ++b) {
    const uint32_t* L = levels[b];
    std::vector<uint32_t> expected;
    auto rgb = [&](uint32_t r, uint32_t g, uint32_t bl) {
      expected.push_back(0xFF000000u | r << 16 | g << 8 | bl);
    };
    for (int k = 0; k <= 4; ++k) rgb(L[k], L[0], L[4]);
    for (int k : {3, 2, 1}) rgb(L[4], L[0], L[k]);
    for (int k = 0; k <= 4; ++k) rgb(L[4], L[k], L[0]);
    for (int k : {3, 2, 1}) rgb(L[k], L[4], L[0]);
    for (int k = 0; k <= 4; ++k) rgb(L[0], L[4], L[k]);
    for (int k : {3, 2, 1}) rgb(L[0], L[k], L[4]);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(vga_color(32 + 24 * b + i), expected[i]) << b << "/" << i;
  }
  for (int i = 248; i < 256; ++i) EXPECT_EQ(vga_color(i), 0xFF000000u);
  // Every component is a widened 6-bit level.
  for (int i = 0; i < 256; ++i) {
    for (int shift : {0, 8, 16}) {
      uint32_t component = vga_color(i) >> shift & 0xFF;
      bool found = false;
      for (int k = 0; k < 64; ++k) found |= widened(k) == component;
      EXPECT_TRUE(found) << "entry " << i;
    }
  }
}

TEST(ColourTablesTest, Mode10PseudoColoursBothPhases) {
  const uint32_t phase0[9] = {0, 0, 0, 0x808080, 0x808080, 0x808080, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  const uint32_t phase1[9] = {0, 0x808080, 0xFFFFFF, 0, 0x808080, 0xFFFFFF, 0, 0x808080, 0xFFFFFF};
  for (int p = 0; p < 9; ++p) {
    EXPECT_EQ(mode10_pseudo_color(p, 0), phase0[p]);
    EXPECT_EQ(mode10_pseudo_color(p, 1), phase1[p]);
  }
}

using PaletteTest = ScreenTest;

TEST_F(PaletteTest, DefaultPalettesPerMode) {
  struct Case {
    int32_t mode;
    std::vector<std::pair<int, uint32_t>> entries;
  };
  const Case cases[] = {
      {1, {{0, vga_color(0)}, {1, vga_color(3)}, {2, vga_color(5)}, {3, vga_color(7)}, {4, 0}}},
      {2, {{0, 0x000000}, {1, 0xFFFFFF}, {2, 0}}},
      {11, {{0, 0x000000}, {1, 0xFFFFFF}, {2, 0}}},
      {9, {{6, ega_color(20)}, {8, ega_color(56)}, {15, ega_color(63)}, {16, 0}}},
      {10, {{0, 0}, {4, 0}, {5, 4}, {6, 6}, {7, 8}}},
      {13, {{100, vga_color(100)}, {255, vga_color(255)}}},
      {7, {{15, vga_color(15)}, {16, 0}}},
  };
  for (const Case& c : cases) {
    select_mode(c.mode);
    for (auto [index, colour] : c.entries) {
      EXPECT_EQ(destination()->palette[index], colour) << "mode " << c.mode << " entry " << index;
    }
  }
}

TEST_F(PaletteTest, SetPaletteEntryPerMode) {
  struct Case {
    int32_t mode, attribute;
    uint32_t colour;
    int index;
    uint32_t entry;
  };
  const Case cases[] = {
      {13, 300, 0x000000, 44, 0},              // the attribute's low byte
      {12, 1, 0x3F0000, 1, 0x0000FF},          // blue level 63, alpha 0
      {12, 2, 0x3F3F3F, 2, 0xFFFFFF},
      {12, 3, 0x010101, 3, 0x040404},          // level 1 widens to 4
      {12, 4, 0x00000B, 4, 0x2C0000},          // level 11 widens to 0x2C here
      {11, 1, 0x000020, 1, 0x820000},
      {10, 1, 8, 5, 8},                        // pseudo-colour numbers in entries 4-7
      {9, 3, 20, 3, ega_color(20)},
      {8, 15, 6, 15, vga_color(6)},
      {2, 1, 14, 1, vga_color(14)},
      {1, 15, 9, 15, vga_color(9)},
      {0, 2, 63, 2, ega_color(63)},
  };
  for (const Case& c : cases) {
    select_mode(c.mode);
    set_palette_entry(c.attribute, c.colour, 1);
    ASSERT_EQ(take_error(), 0u) << "mode " << c.mode;
    EXPECT_EQ(destination()->palette[c.index], c.entry) << "mode " << c.mode;
  }
}

TEST_F(PaletteTest, RefusedPaletteEntriesChangeNothing) {
  struct Case {
    int32_t mode, attribute;
    uint32_t colour;
  };
  const Case cases[] = {
      {12, 1, 0x400000}, {12, 16, 0},   {12, 1, 0xFFFFFFFF}, {12, 1, 0x000040}, {11, 2, 0},
      {10, 4, 0},        {10, 0, 9},    {9, 16, 0},          {9, 0, 64},       {8, 0, 16},
      {2, 2, 0},         {2, 0, 16},    {1, 16, 0},          {0, 0, 64},       {13, 0, 0x80},
  };
  for (const Case& c : cases) {
    select_mode(c.mode);
    ScreenSnapshot before = ScreenSnapshot::take();
    set_palette_entry(c.attribute, c.colour, 1);
    EXPECT_EQ(take_error(), 5u) << "mode " << c.mode << " " << c.attribute << " " << c.colour;
    EXPECT_TRUE(ScreenSnapshot::take() == before);
  }
  int32_t deep = create_image(4, 4, 32);
  select_destination(deep);
  set_palette_entry(0, 0, 1);
  EXPECT_EQ(take_error(), 5u);
}

TEST_F(PaletteTest, PaletteEntryWithNothingGivenRestoresTheDefaults) {
  select_mode(12);
  set_palette_entry(3, 0x3F3F3F, 1);
  set_palette_color(9, 0x123456, 0, 0);
  set_palette_entry(0, 0, 0);
  EXPECT_EQ(take_error(), 0u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(destination()->palette[i], vga_color(i));
}

TEST_F(PaletteTest, PaletteColoursReadAndWriteWholeEntries) {
  select_mode(12);
  EXPECT_EQ(get_palette_color(7, 0, 0), 0xFFAAAAAAu);
  copy_page(0, 1);
  // Pages share page 0's palette, so writing through page 1 shows on page 0.
  set_palette_color(2, 0x01020304u, 1, 1);
  EXPECT_EQ(take_error(), 0u);
  EXPECT_EQ(destination()->palette[2], 0x01020304u);
  EXPECT_EQ(get_palette_color(2, 0, 1), 0xFF020304u);

  int32_t deep = create_image(4, 4, 32);
  struct Case {
    int32_t index, ref, given;
    ErrorCode error;
  };
  const Case cases[] = {{256, 0, 0, 5}, {-1, 0, 0, 5}, {0, -deep, 1, 5}, {0, -1, 1, 258},
                        {0, -9999, 1, 258}};
  for (const Case& c : cases) {
    ScreenSnapshot before = ScreenSnapshot::take();
    EXPECT_EQ(get_palette_color(c.index, c.ref, c.given), 0u);
    EXPECT_EQ(take_error(), c.error);
    set_palette_color(c.index, 0xFFFFFF, c.ref, c.given);
    EXPECT_EQ(take_error(), c.error);
    EXPECT_TRUE(ScreenSnapshot::take() == before) << c.index << " " << c.ref;
  }
}

TEST_F(PaletteTest, CopyPaletteBetweenImages) {
  select_mode(12);
  int32_t full = create_image(8, 8, 256);
  copy_palette(-full, 0, 3);
  EXPECT_EQ(take_error(), 0u);
  EXPECT_EQ(destination()->palette[200], vga_color(200));
  int32_t deep = create_image(8, 8, 32);
  copy_palette(-deep, 0, 3);
  EXPECT_EQ(take_error(), 5u);
  copy_palette(0, -deep, 3);
  EXPECT_EQ(take_error(), 5u);
  copy_palette(-12345, 0, 1);
  EXPECT_EQ(take_error(), 258u);
}

using FontOpsTest = ScreenTest;

TEST_F(FontOpsTest, BuiltInFontTable) {
  struct Case {
    int32_t handle, width, height;
  };
  const Case cases[] = {{8, 8, 8}, {9, 16, 8}, {14, 8, 14}, {15, 16, 14}, {16, 8, 16}, {17, 16, 16}};
  for (const Case& c : cases) {
    EXPECT_EQ(font_table_width(c.handle), c.width);
    EXPECT_EQ(font_table_height(c.handle), c.height);
    EXPECT_EQ(font_table_flags(c.handle), uint32_t{FONT_MONOSPACE});
  }
  EXPECT_EQ(font_handle_top(), 48);
  EXPECT_EQ(font_table_width(10), 0);
  EXPECT_EQ(font_table_width(49), 0);
}

TEST_F(FontOpsTest, FontMeasuresRefuseDoubleWidthAndUnknownHandles) {
  EXPECT_EQ(font_width(16, 1), 8);
  EXPECT_EQ(font_height(14, 1), 14);
  EXPECT_EQ(font_height(8, 1), 8);
  EXPECT_EQ(font_height(0, 0), 16);  // the destination's font
  for (int32_t handle : {9, 15, 17, 0, 10, 32, 48, 49, -1, INT32_MAX}) {
    EXPECT_EQ(font_width(handle, 1), 0) << handle;
    EXPECT_EQ(take_error(), 258u) << handle;
    EXPECT_EQ(font_height(handle, 1), 0) << handle;
    EXPECT_EQ(take_error(), 258u) << handle;
  }
}

TEST_F(FontOpsTest, SetFontOnAGraphicsImageSetsItsTextWindow) {
  select_mode(12);
  set_font(8, 0, 0);
  EXPECT_EQ(take_error(), 0u);
  EXPECT_EQ(destination()->text_bottom, 59);
  EXPECT_EQ(image_text_rows(destination()), 60);
  destination()->cursor_y = 40;
  set_font(16, 0, 0);
  EXPECT_EQ(destination()->text_top, 1);
  EXPECT_EQ(destination()->text_bottom, 29);
  EXPECT_EQ(destination()->cursor_y, 1);
}

TEST_F(FontOpsTest, SetFontOnTheTextScreenChangesEveryPage) {
  page_slot(0);
  Image* zero = destination();
  zero->cursor_x = 5;
  previous_frame_valid.store(1);
  set_font(9, 3, 1);  // through page 3: the whole screen changes
  EXPECT_EQ(take_error(), 0u);
  for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(image_record(page_slot(i))->font, 9u);
  EXPECT_EQ(zero->cursor_x, 5);
  EXPECT_EQ(zero->text_bottom, 24);
  EXPECT_EQ(previous_frame_valid.load(), 0);
  EXPECT_EQ(display_pause_request.load(), 0u);
}

TEST_F(FontOpsTest, SetFontRefusesUnknownHandlesAndImages) {
  for (int32_t handle : {0, 7, 10, 18, 32, 48, -3}) {
    ScreenSnapshot before = ScreenSnapshot::take();
    set_font(handle, 0, 0);
    EXPECT_EQ(take_error(), 258u) << handle;
    EXPECT_TRUE(ScreenSnapshot::take() == before);
  }
  set_font(16, -4000, 1);
  EXPECT_EQ(take_error(), 258u);
}

StringValue text(std::string& s) {
  StringValue v{};
  v.data = reinterpret_cast<uint8_t*>(s.data());
  v.length = static_cast<int32_t>(s.size());
  return v;
}

TEST_F(FontOpsTest, LoadFontChecksSizeAndOptionsAndHasNoRasteriser) {
  std::string existing = ::testing::TempDir() + "font_file.ttf";
  std::FILE* f = std::fopen(existing.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("not really a font", f);
  std::fclose(f);
  std::string missing = ::testing::TempDir() + "no_such_font.ttf";
  std::string empty;

  struct Case {
    std::string* file;
    int32_t size;
    std::string options;
    int32_t options_given;
    int32_t result;
    ErrorCode error;
  };
  const Case cases[] = {
      {&existing, 0, "", 0, 0, 5},
      {&existing, 2049, "", 0, 0, 5},
      {&existing, 16, "BOLD,bold", 1, 0, 5},
      {&existing, 16, "ITALIC, FOO", 1, 0, 5},
      {&existing, 16, "BOLD,", 1, 0, 5},
      {&existing, 16, " bold , Italic,monospace ", 1, -1, 0},
      {&existing, 16, "", 1, -1, 0},
      {&existing, 2048, "UNICODE,DONTBLEND,UNDERLINE", 1, -1, 0},
      {&missing, 16, "BOLD", 1, -1, 0},
      {&empty, 1, "", 0, -1, 0},
  };
  for (const Case& c : cases) {
    std::string options = c.options;
    StringValue name = text(*c.file);
    StringValue opts = text(options);
    EXPECT_EQ(load_font(&name, c.size, &opts, c.options_given), c.result) << c.options << " " << c.size;
    EXPECT_EQ(take_error(), c.error) << c.options << " " << c.size;
  }
  EXPECT_EQ(font_handle_top(), 48) << "no handle was taken";
  EXPECT_FALSE(font_is_loaded(32));
  std::remove(existing.c_str());
}

TEST_F(FontOpsTest, FreeFontRefusesEveryHandle) {
  for (int32_t handle : {8, 16, 32, 48, 0, -1}) {
    free_font(handle);
    EXPECT_EQ(take_error(), 258u) << handle;
  }
  EXPECT_EQ(font_table_width(8), 8);
}

}  // namespace
}  // namespace rt::test
