#include "runtime/screen/fonts.h"

#include <array>
#include <cstddef>
#include <vector>

#include "runtime/screen/color_tables.h"
#include "runtime/screen/glyph_tables.h"

namespace rt {

namespace {

constexpr int32_t kInitialFontEntries = 49;  // handles 0..48
constexpr uint32_t kOpaque = 0xFF000000u;
constexpr int32_t kRowBytes = 8;
constexpr int32_t kGlyph8Bytes = 64;
constexpr int32_t kGlyph16Bytes = 128;

constexpr uint32_t kPseudoColors[2][9] = {
    {0x000000, 0x000000, 0x000000, 0x808080, 0x808080, 0x808080, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0x000000, 0x808080, 0xFFFFFF, 0x000000, 0x808080, 0xFFFFFF, 0x000000, 0x808080, 0xFFFFFF},
};

struct BuiltinFont {
  int32_t handle;
  int32_t width;
  int32_t height;
};
constexpr BuiltinFont kBuiltinFonts[] = {
    {kFont8, 8, 8},   {kFont8Wide, 16, 8},   {kFont14, 8, 14},
    {kFont14Wide, 16, 14}, {kFont16, 8, 16}, {kFont16Wide, 16, 16},
};

// Written once at start-up, before the refresh thread runs; read-only afterwards except
// for font-table growth on the script thread.
struct FontState {
  std::array<uint8_t, kGlyphs8x8.size()> glyphs_8x8{};
  std::array<uint8_t, kGlyphs8x16.size()> glyphs_8x16{};
  std::array<uint32_t, 64> ega{};
  std::array<uint32_t, 256> vga{};
  std::vector<int32_t> rasteriser;
  std::vector<int32_t> height;
  std::vector<int32_t> width;
  std::vector<int32_t> flags;
  int32_t handle_top = kInitialFontEntries - 1;
  bool ready = false;
};
FontState g;

void ensure_ready() {
  if (!g.ready) initialise_fonts_and_palettes();
}

bool in_table(int32_t handle) {
  ensure_ready();
  return handle >= 0 && handle < static_cast<int32_t>(g.width.size());
}

}  // namespace

void initialise_fonts_and_palettes() {
  g.glyphs_8x8 = kGlyphs8x8;
  g.glyphs_8x16 = kGlyphs8x16;
  for (std::size_t i = 0; i < g.ega.size(); ++i) g.ega[i] = kEgaColorTable[i] | kOpaque;
  for (std::size_t i = 0; i < g.vga.size(); ++i) g.vga[i] = kVgaDefaultPalette[i] | kOpaque;
  g.rasteriser.assign(kInitialFontEntries, 0);
  g.height.assign(kInitialFontEntries, 0);
  g.width.assign(kInitialFontEntries, 0);
  g.flags.assign(kInitialFontEntries, 0);
  g.handle_top = kInitialFontEntries - 1;
  for (const BuiltinFont& font : kBuiltinFonts) {
    g.width[font.handle] = font.width;
    g.height[font.handle] = font.height;
    g.flags[font.handle] = FONT_MONOSPACE;
  }
  g.ready = true;
}

const uint8_t* glyphs_8x8() {
  ensure_ready();
  return g.glyphs_8x8.data();
}

const uint8_t* glyphs_8x16() {
  ensure_ready();
  return g.glyphs_8x16.data();
}

const uint8_t* font_glyph(int32_t handle, uint8_t code) {
  ensure_ready();
  switch (handle) {
    case kFont8:
    case kFont8Wide: return g.glyphs_8x8.data() + code * kGlyph8Bytes;
    // The 14-line cell drops the top and bottom rows of the 16-line glyph.
    case kFont14:
    case kFont14Wide: return g.glyphs_8x16.data() + code * kGlyph16Bytes + kRowBytes;
    case kFont16:
    case kFont16Wide: return g.glyphs_8x16.data() + code * kGlyph16Bytes;
    default: return nullptr;
  }
}

int32_t font_is_double_width(int32_t handle) {
  return handle == kFont8Wide || handle == kFont14Wide || handle == kFont16Wide ? 1 : 0;
}

int32_t font_table_width(int32_t handle) { return in_table(handle) ? g.width[handle] : 0; }
int32_t font_table_height(int32_t handle) { return in_table(handle) ? g.height[handle] : 0; }
uint32_t font_table_flags(int32_t handle) {
  return in_table(handle) ? static_cast<uint32_t>(g.flags[handle]) : 0;
}
int32_t font_table_rasteriser(int32_t handle) {
  return in_table(handle) ? g.rasteriser[handle] : 0;
}

int32_t font_handle_top() {
  ensure_ready();
  return g.handle_top;
}

bool font_is_builtin(int32_t handle) {
  for (const BuiltinFont& font : kBuiltinFonts) {
    if (font.handle == handle) return true;
  }
  return false;
}

bool font_is_loaded(int32_t handle) {
  return handle >= kFirstLoadedFont && handle <= font_handle_top() && g.rasteriser[handle] != 0;
}

int32_t find_free_font_handle() {
  ensure_ready();
  for (int32_t handle = kFirstLoadedFont; handle <= g.handle_top; ++handle) {
    if (g.rasteriser[handle] == 0) return handle;
  }
  g.handle_top += 1;
  g.rasteriser.push_back(0);
  g.height.push_back(0);
  g.width.push_back(0);
  g.flags.push_back(0);
  return g.handle_top;
}

uint32_t ega_color(int32_t index) {
  ensure_ready();
  return index >= 0 && index < 64 ? g.ega[index] : 0;
}

uint32_t vga_color(int32_t index) {
  ensure_ready();
  return index >= 0 && index < 256 ? g.vga[index] : 0;
}

uint32_t mode10_pseudo_color(int32_t pseudo_color, int32_t phase) {
  if (pseudo_color < 0 || pseudo_color > 8 || phase < 0 || phase > 1) return 0;
  return kPseudoColors[phase][pseudo_color];
}

}  // namespace rt
