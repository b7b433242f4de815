#include "runtime/screen/palette.h"

#include <cmath>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/screen_state.h"

namespace rt {

namespace {

constexpr uint32_t kSixBitStrayBits = 0xFFC0C0C0u;
constexpr uint32_t kOpaque = 0xFF000000u;
constexpr int32_t kEgaStandard16[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};
constexpr int32_t kMode1Colors[4] = {0, 3, 5, 7};
constexpr uint32_t kMonoBlack = 0x000000;
constexpr uint32_t kMonoWhite = 0xFFFFFF;
constexpr uint32_t kMode10PseudoDefaults[4] = {0, 4, 6, 8};

// A 6-bit DAC level widened the way the palette register path does it: nearest to
// k * 4.0634918212890625 - 0.49999991059303284, which is floor(k * 256 / 63) below 63.
uint32_t widen_level(uint32_t level) {
  double value = static_cast<double>(level) * 4.0634918212890625 - 0.49999991059303284;
  return static_cast<uint32_t>(std::nearbyint(value));
}

uint32_t from_six_bit_form(uint32_t colour) {
  uint32_t red = widen_level(colour & 0x3F);
  uint32_t green = widen_level((colour >> 8) & 0x3F);
  uint32_t blue = widen_level((colour >> 16) & 0x3F);
  return red << 16 | green << 8 | blue;
}

// The palette entry set_palette_entry writes for (attribute, colour) in this mode;
// false when the mode refuses the pair.
bool palette_entry_for(const Image* image, uint32_t attribute, uint32_t colour,
                       uint32_t* index, uint32_t* value) {
  *index = attribute;
  switch (image->mode) {
    case 13:
    case 256:
    case 12:
    case 11: {
      uint32_t limit = image->mode == 12 ? 16 : (image->mode == 11 ? 2 : 256);
      if (attribute >= limit || (colour & kSixBitStrayBits) != 0) return false;
      *value = from_six_bit_form(colour);
      return true;
    }
    case 10:
      if (attribute >= 4 || colour >= 9) return false;
      *index = attribute + 4;
      *value = colour;
      return true;
    case 9:
    case 0:
      if (attribute >= 16 || colour >= 64) return false;
      *value = ega_color(static_cast<int32_t>(colour));
      return true;
    case 7:
    case 8:
    case 1:
      if (attribute >= 16 || colour >= 16) return false;
      *value = vga_color(static_cast<int32_t>(colour));
      return true;
    case 2:
      if (attribute >= 2 || colour >= 16) return false;
      *value = vga_color(static_cast<int32_t>(colour));
      return true;
    default: return false;
  }
}

// The image an index operation works on, with its palette checked; null after an error.
Image* palette_image(int32_t index, int32_t image_ref, int32_t given) {
  int32_t slot = resolve_image_ref(image_ref, given != 0, destination_slot());
  if (error_pending()) return nullptr;
  Image* image = image_record(slot);
  if (image == nullptr || image->palette == nullptr || index < 0 || index > 255) {
    raise_error(kErrIllegalFunctionCall);
    return nullptr;
  }
  return image;
}

}  // namespace

void load_default_palette(Image* image) {
  if (image == nullptr || image->palette == nullptr || image->mode == 32) return;
  uint32_t* p = image->palette;
  switch (image->mode) {
    case 1:
      for (int i = 0; i < 4; ++i) p[i] = vga_color(kMode1Colors[i]);
      break;
    case 2:
    case 11:
      p[0] = kMonoBlack;
      p[1] = kMonoWhite;
      break;
    case 9:
      for (int i = 0; i < 16; ++i) p[i] = ega_color(kEgaStandard16[i]);
      break;
    case 10:
      for (int i = 0; i < 4; ++i) p[4 + i] = kMode10PseudoDefaults[i];
      break;
    case 13:
    case 256:
      for (int i = 0; i < 256; ++i) p[i] = vga_color(i);
      break;
    default:
      for (int i = 0; i < 16; ++i) p[i] = vga_color(i);
      break;
  }
}

void set_palette_entry(int32_t attribute, uint32_t colour, int32_t given) {
  if (error_pending()) return;
  Image* d = destination();
  if (d == nullptr) return;
  if (!given) {
    load_default_palette(d);
    return;
  }
  if (d->palette == nullptr) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  uint32_t index = 0;
  uint32_t value = 0;
  if (!palette_entry_for(d, static_cast<uint32_t>(attribute) & 0xFF, colour, &index, &value)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  d->palette[index] = value;
}

uint32_t get_palette_color(int32_t index, int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  Image* image = palette_image(index, image_ref, given);
  return image == nullptr ? 0 : image->palette[index] | kOpaque;
}

void set_palette_color(int32_t index, uint32_t colour, int32_t image_ref, int32_t given) {
  if (error_pending()) return;
  Image* image = palette_image(index, image_ref, given);
  if (image != nullptr) image->palette[index] = colour;
}

void copy_palette(int32_t source_ref, int32_t target_ref, int32_t flags) {
  if (error_pending()) return;
  int32_t from = resolve_image_ref(source_ref, (flags & 1) != 0, source_slot());
  if (error_pending()) return;
  int32_t to = resolve_image_ref(target_ref, (flags & 2) != 0, destination_slot());
  if (error_pending()) return;
  Image* a = image_record(from);
  Image* b = image_record(to);
  if (a == nullptr || b == nullptr || a->palette == nullptr || b->palette == nullptr) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (a->palette != b->palette) std::memcpy(b->palette, a->palette, 256 * sizeof(uint32_t));
}

}  // namespace rt
