// Choosing, measuring, loading and freeing fonts.
#pragma once

#include <cstdint>

#include "runtime/strings/string_value.h"

namespace rt {

void set_font(int32_t font, int32_t image_ref, int32_t image_given);
int32_t font_width(int32_t font, int32_t given);
int32_t font_height(int32_t font, int32_t given);
// There is no rasteriser: a readable file with good arguments still gives -1.
int32_t load_font(const StringValue* file_name, int32_t size, const StringValue* options,
                  int32_t options_given);
void free_font(int32_t font);

}  // namespace rt
