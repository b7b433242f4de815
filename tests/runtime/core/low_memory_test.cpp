#include <gtest/gtest.h>

#include <algorithm>

#include "runtime/core/low_memory.h"

namespace {

TEST(LowMemory, OneZeroFilledBlockReachingFourBytesPastTheTopAddress) {
  rt::initialise_low_memory();
  uint8_t* base = rt::low_memory();
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(rt::kLowMemorySize, 0xFFFFu * 16 + 0xFFFF + 4);
  EXPECT_TRUE(std::all_of(base, base + rt::kLowMemorySize, [](uint8_t b) { return b == 0; }));
  // The last four bytes are part of the block (FFFF:FFFF read as a 32-bit word).
  rt::low_memory_write_u32(0x10FFEF, 0xA1B2C3D4u);
  EXPECT_EQ(rt::low_memory_read_u32(0x10FFEF), 0xA1B2C3D4u);
  EXPECT_EQ(base[rt::kLowMemorySize - 1], 0xA1);
}

TEST(LowMemory, FieldsAreLittleEndian) {
  rt::initialise_low_memory();
  rt::low_memory_write_u16(rt::kKeyboardRingHead, 0x001E);
  EXPECT_EQ(rt::low_memory_read_u8(0x41A), 0x1E);
  EXPECT_EQ(rt::low_memory_read_u8(0x41B), 0x00);
  rt::low_memory_write_u32(rt::kTickCounter, 0x00123456u);
  EXPECT_EQ(rt::low_memory_read_u8(0x46C), 0x56);
  EXPECT_EQ(rt::low_memory_read_u8(0x46D), 0x34);
  EXPECT_EQ(rt::low_memory_read_u8(0x46E), 0x12);
  EXPECT_EQ(rt::low_memory_read_u8(0x46F), 0x00);
  EXPECT_EQ(rt::low_memory_read_u16(0x46D), 0x1234);
}

TEST(LowMemory, SegmentAndOffsetMapToTheLinearAddress) {
  rt::initialise_low_memory();
  // B800:0001 is the attribute of the top-left text cell.
  rt::low_memory_write_u8(0xB800 * 16 + 1, 0x07);
  EXPECT_EQ(rt::low_memory_at(rt::kTextVideoMemory)[1], 0x07);
  EXPECT_EQ(rt::low_memory_at(rt::kKeyboardRingStart), rt::low_memory() + 0x41E);
}

TEST(LowMemory, StartUpClearsAgainWithoutMovingTheBlock) {
  rt::initialise_low_memory();
  uint8_t* before = rt::low_memory();
  rt::low_memory_write_u8(rt::kMode13Pixels, 0x0F);
  rt::initialise_low_memory();
  EXPECT_EQ(rt::low_memory(), before);
  EXPECT_EQ(rt::low_memory_read_u8(rt::kMode13Pixels), 0);
}

}  // namespace
