// The emulated real-mode memory: one zero-filled block addressed by linear address
// (segment * 16 + offset), reaching 4 bytes past FFFF:FFFF. Multi-byte fields are
// little-endian. The block never moves, so addresses into it stay valid.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

inline constexpr uint32_t kLowMemorySize = 1114099;  // 0x10FFEF + 4

// BIOS data area.
inline constexpr uint32_t kBiosDataArea = 0x400;           // ring offsets are relative to it
inline constexpr uint32_t kShiftFlags1 = 0x417;
inline constexpr uint32_t kShiftFlags2 = 0x418;
inline constexpr uint32_t kKeyboardRingHead = 0x41A;
inline constexpr uint32_t kKeyboardRingTail = 0x41C;
inline constexpr uint32_t kKeyboardRingStart = 0x41E;      // 16 entries: character, scan
inline constexpr uint32_t kKeyboardRingEnd = 0x43E;        // one past the last entry
inline constexpr uint8_t kKeyboardRingFirstOffset = 0x1E;  // relative to kBiosDataArea
inline constexpr uint8_t kKeyboardRingLimitOffset = 0x3E;  // wraps to the first offset
inline constexpr uint32_t kTickCounter = 0x46C;            // 3 bytes; 0x46F stays 0
inline constexpr uint32_t kKeyboardStatusFlags = 0x496;

// Low-memory string area: string bytes upward from 0x600, descriptors downward from the top.
inline constexpr uint32_t kLowMemoryStringArea = 0x500;
inline constexpr uint32_t kLowMemoryStringAreaSize = 0x10000;

// Emulated video memory.
inline constexpr uint32_t kMode13Pixels = 0xA0000;  // 320 x 200 bytes of page 0
inline constexpr uint32_t kMode13PixelBytes = 64000;
inline constexpr uint32_t kTextVideoMemory = 0xB8000;  // text pages, character then attribute
inline constexpr uint32_t kTextVideoMemorySize = 0x10000;

// Allocates and zero-fills the block (start-up; a second call clears it again).
void initialise_low_memory();

// Base of the block; valid after initialise_low_memory().
uint8_t* low_memory();
inline uint8_t* low_memory_at(uint32_t linear) { return low_memory() + linear; }

uint8_t low_memory_read_u8(uint32_t linear);
void low_memory_write_u8(uint32_t linear, uint8_t value);
uint16_t low_memory_read_u16(uint32_t linear);
void low_memory_write_u16(uint32_t linear, uint16_t value);
uint32_t low_memory_read_u32(uint32_t linear);
void low_memory_write_u32(uint32_t linear, uint32_t value);

}  // namespace rt
