#include "runtime/strings/pack_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/strings/string_ops.h"
#include "runtime/strings/string_storage.h"

namespace rt {
namespace {

std::string bytes(const StringValue* s) {
  return std::string(reinterpret_cast<const char*>(s->data), static_cast<size_t>(s->length));
}

StringValue* literal(const std::string& b) {
  return string_from_literal(b.data(), static_cast<int32_t>(b.size()));
}

class PackNumberTest : public ::testing::Test {
 protected:
  void SetUp() override { initialise_string_storage(); }
  void TearDown() override {
    clear_pending_error();
    EXPECT_EQ(check_string_storage_invariants(), "");
  }
};

TEST_F(PackNumberTest, IntegerImagesAreLittleEndianAndRoundTrip) {
  struct Image {
    StringValue* packed;
    std::string expected;
    std::function<int64_t(StringValue*)> unpack;
    int64_t value;
  };
  const Image cases[] = {
      {pack_int8(-2), "\xfe", [](StringValue* s) { return unpack_int8(s); }, -2},
      {pack_uint8(200), "\xc8", [](StringValue* s) { return unpack_uint8(s); }, 200},
      {pack_int16(-2), "\xfe\xff", [](StringValue* s) { return unpack_int16(s); }, -2},
      {pack_uint16(0xABCD), "\xcd\xab", [](StringValue* s) { return unpack_uint16(s); }, 0xABCD},
      {pack_int32(INT32_MIN), std::string("\0\0\0\x80", 4), [](StringValue* s) { return unpack_int32(s); },
       INT32_MIN},
      {pack_uint32(0x01020304), "\x04\x03\x02\x01", [](StringValue* s) { return unpack_uint32(s); },
       0x01020304},
      {pack_int64(-1), std::string(8, '\xff'), [](StringValue* s) { return unpack_int64(s); }, -1},
      {pack_uint64(0x0102030405060708ull), "\x08\x07\x06\x05\x04\x03\x02\x01",
       [](StringValue* s) { return static_cast<int64_t>(unpack_uint64(s)); }, 0x0102030405060708ll},
  };
  for (const Image& c : cases) {
    EXPECT_EQ(bytes(c.packed), c.expected);
    EXPECT_TRUE(is_plain_temporary(c.packed));
    EXPECT_EQ(c.unpack(c.packed), c.value);
  }
  // Longer strings unpack from their first bytes.
  EXPECT_EQ(unpack_int16(literal("\x01\x02\x03")), 0x0201);
  EXPECT_FALSE(error_pending());
}

TEST_F(PackNumberTest, FloatingImages) {
  EXPECT_EQ(bytes(pack_single(1.0f)), std::string("\0\0\x80\x3f", 4));
  EXPECT_EQ(bytes(pack_double(-2.0)), std::string("\0\0\0\0\0\0\0\xc0", 8));
  EXPECT_EQ(unpack_single(pack_single(3.25f)), 3.25f);
  EXPECT_EQ(unpack_double(pack_double(0.1)), 0.1);
  // x87: 64-bit significand with explicit leading 1, then sign and 15-bit exponent.
  StringValue* one = pack_extended(1.0L);
  ASSERT_EQ(one->length, 32);
  EXPECT_EQ(bytes(one), std::string("\0\0\0\0\0\0\0\x80\xff\x3f", 10) + std::string(22, '\0'));
  const long double third = 1.0L / 3.0L;
  EXPECT_EQ(unpack_extended(pack_extended(third)), third);
  EXPECT_TRUE(std::isnan(unpack_double(pack_double(std::numeric_limits<double>::quiet_NaN()))));
}

TEST_F(PackNumberTest, BitFields) {
  struct Field {
    uint64_t value;
    int32_t bits;
    std::string image;
    uint64_t as_unsigned;
    int64_t as_signed;
  };
  const Field cases[] = {
      {1, 1, "\x01", 1, -1},
      {0x1FF, 9, "\xff\x01", 0x1FF, -1},
      {0xFFFF, 9, "\xff\x01", 0x1FF, -1},  // masked to the field
      {0x0FF, 9, std::string("\xff\x00", 2), 0xFF, 0xFF},
      {0x80, 8, "\x80", 0x80, -128},
      {~0ull, 64, std::string(8, '\xff'), ~0ull, -1},
      {0x123456789ull, 36, "\x89\x67\x45\x23\x01", 0x123456789ull, 0x123456789ll},
  };
  for (const Field& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits of " << c.value);
    StringValue* packed = pack_bits(c.value, c.bits);
    EXPECT_EQ(bytes(packed), c.image);
    EXPECT_EQ(unpack_bits_unsigned(packed, c.bits), c.as_unsigned);
    EXPECT_EQ(unpack_bits_signed(packed, c.bits), c.as_signed);
  }
  // Bits above the field in the last byte are ignored when unpacking.
  EXPECT_EQ(unpack_bits_signed(literal("\xfe\x05"), 9), -2);
  EXPECT_FALSE(error_pending());
  for (int32_t bits : {0, -1, 65}) {
    clear_pending_error();
    EXPECT_EQ(pack_bits(1, bits)->length, 0);
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
    clear_pending_error();
    EXPECT_EQ(unpack_bits_unsigned(literal("\xff"), bits), 0u);
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
  }
}

TEST_F(PackNumberTest, LegacyBinaryFormat) {
  struct Known {
    double value;
    std::string single_image;
  };
  // The exponent byte is last, biased by 128, for a mantissa 0.1xxx with the sign in its top bit.
  const Known cases[] = {
      {1.0, std::string("\0\0\0\x81", 4)},   {-1.0, std::string("\0\0\x80\x81", 4)},
      {0.5, std::string("\0\0\0\x80", 4)},   {10.0, std::string("\0\0\x20\x84", 4)},
      {0.0, std::string(4, '\0')},           {-0.0, std::string(4, '\0')},
      {0.15625, std::string("\0\0\x20\x7e", 4)},
  };
  for (const Known& c : cases) {
    SCOPED_TRACE(c.value);
    StringValue* single = pack_msbin_single(static_cast<float>(c.value));
    EXPECT_EQ(bytes(single), c.single_image);
    EXPECT_EQ(unpack_msbin_single(single), static_cast<float>(c.value));
    StringValue* dbl = pack_msbin_double(c.value);
    EXPECT_EQ(bytes(dbl), std::string(4, '\0') + c.single_image);
    EXPECT_EQ(unpack_msbin_double(dbl), c.value);
  }
  for (double v : {0.1, -123456.789, 1e-30, 1.7e38, -3.0e-39}) {
    EXPECT_EQ(unpack_msbin_double(pack_msbin_double(v)), v) << v;
    EXPECT_EQ(unpack_msbin_single(pack_msbin_single(static_cast<float>(v))), static_cast<float>(v)) << v;
  }
  // A zero exponent byte is zero whatever the mantissa holds.
  EXPECT_EQ(unpack_msbin_single(literal(std::string("\x12\x34\xd6\0", 4))), 0.0f);
  // Too small for the lowest exponent: zero.
  EXPECT_EQ(bytes(pack_msbin_double(1e-300)), std::string(8, '\0'));
  EXPECT_FALSE(error_pending());
}

TEST_F(PackNumberTest, LegacyFormatRefusesValuesItCannotHold) {
  const std::vector<std::function<StringValue*()>> packs = {
      [] { return pack_msbin_single(3.0e38f); },
      [] { return pack_msbin_single(std::numeric_limits<float>::infinity()); },
      [] { return pack_msbin_single(std::numeric_limits<float>::quiet_NaN()); },
      [] { return pack_msbin_double(1e300); },
      [] { return pack_msbin_double(-std::ldexp(1.0, 127)); },
  };
  for (const auto& pack : packs) {
    clear_pending_error();
    EXPECT_EQ(pack()->length, 0);
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
  }
  clear_pending_error();
  EXPECT_EQ(unpack_msbin_double(pack_msbin_double(std::ldexp(0.99, 127))), std::ldexp(0.99, 127));
}

// One byte short of every image: error 5 and 0; exactly long enough: no error. Unpacking
// never consumes its argument.
TEST_F(PackNumberTest, ShortStringsRaiseFiveAndYieldZero) {
  struct Unpack {
    int32_t needed;
    std::function<double(StringValue*)> run;
  };
  const Unpack cases[] = {
      {1, [](StringValue* s) { return unpack_int8(s); }},
      {1, [](StringValue* s) { return unpack_uint8(s); }},
      {2, [](StringValue* s) { return unpack_int16(s); }},
      {2, [](StringValue* s) { return unpack_uint16(s); }},
      {4, [](StringValue* s) { return unpack_int32(s); }},
      {4, [](StringValue* s) { return unpack_uint32(s); }},
      {8, [](StringValue* s) { return static_cast<double>(unpack_int64(s)); }},
      {8, [](StringValue* s) { return static_cast<double>(unpack_uint64(s)); }},
      {4, [](StringValue* s) { return unpack_single(s); }},
      {8, [](StringValue* s) { return unpack_double(s); }},
      {32, [](StringValue* s) { return static_cast<double>(unpack_extended(s)); }},
      {2, [](StringValue* s) { return static_cast<double>(unpack_bits_unsigned(s, 9)); }},
      {8, [](StringValue* s) { return static_cast<double>(unpack_bits_signed(s, 57)); }},
      {4, [](StringValue* s) { return unpack_msbin_single(s); }},
      {8, [](StringValue* s) { return unpack_msbin_double(s); }},
  };
  for (const Unpack& c : cases) {
    SCOPED_TRACE(c.needed);
    const int32_t mark = temporary_mark();
    StringValue* shorter = string_repeat(c.needed - 1, 0x41);
    clear_pending_error();
    EXPECT_EQ(c.run(shorter), 0.0);
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
    EXPECT_EQ(shorter->length, c.needed - 1);
    clear_pending_error();
    c.run(string_repeat(c.needed, 0x41));
    EXPECT_FALSE(error_pending());
    release_temporaries(mark, nullptr);
  }
  EXPECT_EQ(unpack_int32(nullptr), 0);
  EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
}

}  // namespace
}  // namespace rt
