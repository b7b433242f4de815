#include "runtime/core/low_memory.h"

#include <cstdlib>
#include <cstring>

namespace rt {

namespace {
// Allocated once and never freed or moved: other threads keep raw addresses into it.
uint8_t* g_block = nullptr;
}  // namespace

void initialise_low_memory() {
  if (g_block == nullptr) {
    g_block = static_cast<uint8_t*>(std::calloc(kLowMemorySize, 1));
    if (g_block == nullptr) std::abort();
    return;
  }
  std::memset(g_block, 0, kLowMemorySize);
}

uint8_t* low_memory() {
  if (g_block == nullptr) initialise_low_memory();
  return g_block;
}

uint8_t low_memory_read_u8(uint32_t linear) { return low_memory()[linear]; }

void low_memory_write_u8(uint32_t linear, uint8_t value) { low_memory()[linear] = value; }

uint16_t low_memory_read_u16(uint32_t linear) {
  const uint8_t* p = low_memory() + linear;
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void low_memory_write_u16(uint32_t linear, uint16_t value) {
  uint8_t* p = low_memory() + linear;
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

uint32_t low_memory_read_u32(uint32_t linear) {
  return low_memory_read_u16(linear) | (static_cast<uint32_t>(low_memory_read_u16(linear + 2)) << 16);
}

void low_memory_write_u32(uint32_t linear, uint32_t value) {
  low_memory_write_u16(linear, static_cast<uint16_t>(value));
  low_memory_write_u16(linear + 2, static_cast<uint16_t>(value >> 16));
}

}  // namespace rt
