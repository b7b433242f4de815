#include "runtime/screen/offscreen_images.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/screen/font_ops.h"
#include "runtime/screen/screen_state.h"

namespace rt {

namespace {

constexpr int32_t kMaxDimension = 65535;  // width and height are 16-bit fields
constexpr uint32_t kRgbMask = 0x00FFFFFFu;

enum : int32_t { kClearingForm = 1, kColourGiven = 2, kImageGiven = 4 };

bool is_image_mode(int32_t mode) {
  return mode == 0 || mode == 1 || mode == 2 || (mode >= 7 && mode <= 13) || mode == 256 ||
         mode == 32;
}

// The image a query or operation names (default: the destination); null after an error.
Image* referenced_image(int32_t image_ref, int32_t given) {
  int32_t slot = resolve_image_ref(image_ref, given != 0, destination_slot());
  if (error_pending()) return nullptr;
  return image_record(slot);
}

std::size_t pixel_bytes(const Image* image) {
  return static_cast<std::size_t>(image->width) * image->height * image->bytes_per_pixel;
}

// The new image takes over the destination's look: palette, font and colours.
void inherit_from_destination(int32_t slot) {
  const Image* d = destination();
  Image* image = image_record(slot);
  if (d->palette != nullptr && image->palette != nullptr) {
    std::memcpy(image->palette, d->palette, 256 * sizeof(uint32_t));
  }
  set_font(static_cast<int32_t>(d->font), -slot, 1);
  image->foreground = d->foreground;
  image->background = d->background;
  image->transparent_color = d->transparent_color;
  image->blend_off = d->blend_off;
  image->print_mode = d->print_mode;
}

// Selections that pointed at an image about to go fall back to the display page.
void deselect(int32_t slot) {
  if (destination_slot() == slot) select_destination(display_page_slot());
  if (source_slot() == slot) select_source(display_page_slot());
}

}  // namespace

int32_t new_image(int32_t width, int32_t height, int32_t mode, int32_t mode_given) {
  if (error_pending()) return 0;
  if (width < 1 || height < 1 || width > kMaxDimension || height > kMaxDimension ||
      (mode_given && !is_image_mode(mode)) || (!mode_given && destination() == nullptr)) {
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  int32_t slot = create_image(width, height, mode_given ? mode : destination()->mode);
  if (slot == 0) return -1;
  if (!mode_given) inherit_from_destination(slot);
  return -slot;
}

int32_t copy_image(int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  const Image* original = referenced_image(image_ref, given);
  if (original == nullptr) return 0;
  auto* pixels = static_cast<uint8_t*>(std::malloc(pixel_bytes(original)));
  uint32_t* palette = nullptr;
  if (original->palette != nullptr) {
    palette = static_cast<uint32_t*>(std::malloc(256 * sizeof(uint32_t)));
  }
  if (pixels == nullptr || (original->palette != nullptr && palette == nullptr)) {
    std::free(pixels);
    std::free(palette);
    return -1;
  }
  int32_t slot = allocate_image_slot();
  if (slot == 0) {
    std::free(pixels);
    std::free(palette);
    return -1;
  }
  // Records never move, so `original` stays valid while the table grows for the copy.
  Image* copy = image_record(slot);
  std::memcpy(static_cast<void*>(copy), original, sizeof(Image));
  std::memcpy(pixels, original->pixels, pixel_bytes(original));
  copy->pixels = pixels;
  if (palette != nullptr) std::memcpy(palette, original->palette, 256 * sizeof(uint32_t));
  copy->palette = palette;
  copy->flags = static_cast<uint32_t>(OWNS_PIXELS) |
                (palette != nullptr ? static_cast<uint32_t>(OWNS_PALETTE) : 0u);
  copy->lock_block = nullptr;
  copy->lock_id = 0;
  copy->valid = 1;
  return -slot;
}

void free_image(int32_t image_ref, int32_t given) {
  if (error_pending()) return;
  if (given && image_ref >= 0) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  int32_t slot = resolve_image_ref(image_ref, given != 0, destination_slot());
  if (error_pending()) return;
  const Image* image = image_record(slot);
  if (image == nullptr || (image->flags & IS_PAGE)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  deselect(slot);
  free_image_storage_and_slot(slot);
}

void free_all_images() {
  if (error_pending()) return;
  for (int32_t slot = 2; slot < image_high_water(); ++slot) {
    const Image* image = image_record(slot);
    if (!image->valid || (image->flags & IS_PAGE)) continue;
    deselect(slot);
    free_image_storage_and_slot(slot);
  }
}

void set_source(int32_t image_ref) {
  if (error_pending()) return;
  int32_t slot = resolve_image_ref(image_ref, true, source_slot());
  if (!error_pending() && slot != 0) select_source(slot);
}

void set_destination(int32_t image_ref) {
  if (error_pending()) return;
  int32_t slot = resolve_image_ref(image_ref, true, destination_slot());
  if (!error_pending() && slot != 0) select_destination(slot);
}

int32_t get_source() { return -source_slot(); }
int32_t get_destination() { return -destination_slot(); }
int32_t get_display() { return -display_page_slot(); }

int32_t image_pixel_size(int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  const Image* image = referenced_image(image_ref, given);
  if (image == nullptr) return 0;
  if (image->is_text) return 0;
  return image->mode == 32 ? 4 : 1;
}

int32_t image_font(int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  const Image* image = referenced_image(image_ref, given);
  return image == nullptr ? 0 : static_cast<int32_t>(image->font);
}

uint32_t image_default_foreground(int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  const Image* image = referenced_image(image_ref, given);
  return image == nullptr ? 0 : image->foreground;
}

uint32_t image_default_background(int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  const Image* image = referenced_image(image_ref, given);
  return image == nullptr ? 0 : image->background;
}

int32_t image_transparent_color(int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  const Image* image = referenced_image(image_ref, given);
  if (image == nullptr) return 0;
  if (image->is_text) return -1;
  return image->mode == 32 ? 0 : image->transparent_color;
}

int32_t image_blending(int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  const Image* image = referenced_image(image_ref, given);
  return image != nullptr && image->mode == 32 && image->blend_off == 0 ? -1 : 0;
}

int32_t image_width(int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  const Image* image = referenced_image(image_ref, given);
  return image == nullptr ? 0 : image->width;
}

int32_t image_height(int32_t image_ref, int32_t given) {
  if (error_pending()) return 0;
  const Image* image = referenced_image(image_ref, given);
  return image == nullptr ? 0 : image->height;
}

void enable_blending(int32_t image_ref, int32_t given) {
  if (error_pending()) return;
  Image* image = referenced_image(image_ref, given);
  if (image == nullptr) return;
  if (image->mode != 32) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  image->blend_off = 0;
}

void disable_blending(int32_t image_ref, int32_t given) {
  if (error_pending()) return;
  Image* image = referenced_image(image_ref, given);
  if (image != nullptr && image->mode == 32) image->blend_off = 1;
}

void set_transparent_color(uint32_t colour, int32_t image_ref, int32_t flags) {
  if (error_pending()) return;
  bool clearing = (flags & kClearingForm) != 0;
  if (clearing == ((flags & kColourGiven) != 0)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  Image* image = referenced_image(image_ref, (flags & kImageGiven) != 0 ? 1 : 0);
  if (image == nullptr) return;
  if (image->is_text) {
    if (!clearing) raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (image->mode == 32) {
    if (clearing) return;
    auto* pixels = reinterpret_cast<uint32_t*>(image->pixels);
    std::size_t count = static_cast<std::size_t>(image->width) * image->height;
    uint32_t key = colour & kRgbMask;
    for (std::size_t i = 0; i < count; ++i) {
      if ((pixels[i] & kRgbMask) == key) pixels[i] = key;
    }
    return;
  }
  if (clearing) {
    image->transparent_color = -1;
  } else if (colour < 256) {
    image->transparent_color = static_cast<int32_t>(colour);
  } else {
    raise_error(kErrIllegalFunctionCall);
  }
}

}  // namespace rt
