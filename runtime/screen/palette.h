// Palettes of images: mode defaults and the operations that change them.
#pragma once

#include <cstdint>

#include "runtime/screen/image.h"

namespace rt {

// The mode's default entries; entries the mode does not name keep their value.
void load_default_palette(Image* image);

void set_palette_entry(int32_t attribute, uint32_t colour, int32_t given);
uint32_t get_palette_color(int32_t index, int32_t image_ref, int32_t given);
void set_palette_color(int32_t index, uint32_t colour, int32_t image_ref, int32_t given);
// flags: 1 source given, 2 target given.
void copy_palette(int32_t source_ref, int32_t target_ref, int32_t flags);

}  // namespace rt
