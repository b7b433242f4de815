// Drawing primitives on graphics images, and the pixel writer text output uses.
#pragma once

#include <cstdint>

#include "runtime/screen/image.h"

namespace rt {

// Builds the two blend tables the first time a 32-bit image is created.
void ensure_blend_tables();

}  // namespace rt
