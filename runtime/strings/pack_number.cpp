#include "runtime/strings/pack_number.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/core/errors.h"
#include "runtime/strings/string_storage.h"

namespace rt {

namespace {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the extended image is the x87 80-bit format");

constexpr int32_t kExtendedImageBytes = 32;
constexpr int32_t kExtendedSignificantBytes = 10;

// The legacy format: a mantissa 0.1xxx (leading 1 implied, its place holding the sign) times
// 2 to the power (exponent byte - 128); an exponent byte of 0 means zero.
// The mantissa fills every byte but the last (the exponent).
constexpr int kMsbinBias = 128;
constexpr int32_t kMsbinSingleBytes = 4;
constexpr int32_t kMsbinDoubleBytes = 8;

int msbin_mantissa_bits(int32_t size) { return 8 * (size - 1); }

StringValue* empty_temporary() { return string_new(0, true); }

StringValue* image(const void* bytes, int32_t size) {
  if (error_pending()) return empty_temporary();
  StringValue* s = string_new(size, true);
  std::memcpy(s->data, bytes, static_cast<size_t>(size));
  return s;
}

// Little-endian bytes of the low `size` bytes of value.
StringValue* integer_image(uint64_t value, int32_t size) {
  uint8_t bytes[8];
  for (int32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return image(bytes, size);
}

// Copies the first `size` bytes of s; a short, null or released string is error 5.
bool read_image(const StringValue* s, void* out, int32_t size) {
  if (error_pending()) return false;
  if (s == nullptr || s->length < size) {
    raise_error(kErrIllegalFunctionCall);
    return false;
  }
  std::memcpy(out, s->data, static_cast<size_t>(size));
  return true;
}

bool read_integer(const StringValue* s, int32_t size, uint64_t* value) {
  uint8_t bytes[8] = {};
  if (!read_image(s, bytes, size)) return false;
  *value = 0;
  for (int32_t i = 0; i < size; ++i) *value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  return true;
}

uint64_t unpack_integer(const StringValue* s, int32_t size) {
  uint64_t value = 0;
  return read_integer(s, size, &value) ? value : 0;
}

uint64_t bit_mask(int32_t bits) { return bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1; }

bool valid_bit_count(int32_t bits) {
  if (bits >= 1 && bits <= 64) return true;
  raise_error(kErrIllegalFunctionCall);
  return false;
}

int32_t bit_field_bytes(int32_t bits) { return (bits + 7) / 8; }

// Packs a finite value whose significand fits in mantissa_bits. Values too small for the
// smallest exponent become zero; values too large (and infinities, NaN) are error 5.
StringValue* msbin_image(long double value, int32_t size) {
  if (error_pending()) return empty_temporary();
  const int mantissa_bits = msbin_mantissa_bits(size);
  uint8_t bytes[8] = {};
  if (value == 0) return image(bytes, size);
  if (!std::isfinite(value)) {
    raise_error(kErrIllegalFunctionCall);
    return empty_temporary();
  }
  int exponent = 0;
  const long double fraction = std::frexp(std::fabs(value), &exponent);  // in [0.5, 1)
  const int biased = exponent + kMsbinBias;
  if (biased > 255) {
    raise_error(kErrIllegalFunctionCall);
    return empty_temporary();
  }
  if (biased < 1) return image(bytes, size);
  // Exact: the callers' significands are no wider than the mantissa.
  const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, mantissa_bits));
  for (int32_t i = 0; i < size - 1; ++i) bytes[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  bytes[size - 2] &= 0x7F;  // the implied leading 1's place carries the sign
  if (std::signbit(value)) bytes[size - 2] |= 0x80;
  bytes[size - 1] = static_cast<uint8_t>(biased);
  return image(bytes, size);
}

long double msbin_value(const StringValue* s, int32_t size) {
  const int mantissa_bits = msbin_mantissa_bits(size);
  uint8_t bytes[8] = {};
  if (!read_image(s, bytes, size)) return 0;
  const int biased = bytes[size - 1];
  if (biased == 0) return 0;
  const bool negative = (bytes[size - 2] & 0x80) != 0;
  uint64_t mantissa = 0;
  for (int32_t i = 0; i < size - 1; ++i) mantissa |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  mantissa |= uint64_t{1} << (mantissa_bits - 1);
  const long double magnitude =
      std::ldexp(static_cast<long double>(mantissa), biased - kMsbinBias - mantissa_bits);
  return negative ? -magnitude : magnitude;
}

}  // namespace

StringValue* pack_int8(int8_t value) { return integer_image(static_cast<uint8_t>(value), 1); }
StringValue* pack_uint8(uint8_t value) { return integer_image(value, 1); }
StringValue* pack_int16(int16_t value) { return integer_image(static_cast<uint16_t>(value), 2); }
StringValue* pack_uint16(uint16_t value) { return integer_image(value, 2); }
StringValue* pack_int32(int32_t value) { return integer_image(static_cast<uint32_t>(value), 4); }
StringValue* pack_uint32(uint32_t value) { return integer_image(value, 4); }
StringValue* pack_int64(int64_t value) { return integer_image(static_cast<uint64_t>(value), 8); }
StringValue* pack_uint64(uint64_t value) { return integer_image(value, 8); }

StringValue* pack_single(float value) { return image(&value, sizeof value); }
StringValue* pack_double(double value) { return image(&value, sizeof value); }

StringValue* pack_extended(long double value) {
  uint8_t bytes[kExtendedImageBytes] = {};
  std::memcpy(bytes, &value, kExtendedSignificantBytes);
  return image(bytes, kExtendedImageBytes);
}

StringValue* pack_bits(uint64_t value, int32_t bits) {
  if (error_pending()) return empty_temporary();
  if (!valid_bit_count(bits)) return empty_temporary();
  return integer_image(value & bit_mask(bits), bit_field_bytes(bits));
}

StringValue* pack_msbin_single(float value) { return msbin_image(value, kMsbinSingleBytes); }
StringValue* pack_msbin_double(double value) { return msbin_image(value, kMsbinDoubleBytes); }

int8_t unpack_int8(StringValue* s) { return static_cast<int8_t>(unpack_integer(s, 1)); }
uint8_t unpack_uint8(StringValue* s) { return static_cast<uint8_t>(unpack_integer(s, 1)); }
int16_t unpack_int16(StringValue* s) { return static_cast<int16_t>(unpack_integer(s, 2)); }
uint16_t unpack_uint16(StringValue* s) { return static_cast<uint16_t>(unpack_integer(s, 2)); }
int32_t unpack_int32(StringValue* s) { return static_cast<int32_t>(unpack_integer(s, 4)); }
uint32_t unpack_uint32(StringValue* s) { return static_cast<uint32_t>(unpack_integer(s, 4)); }
int64_t unpack_int64(StringValue* s) { return static_cast<int64_t>(unpack_integer(s, 8)); }
uint64_t unpack_uint64(StringValue* s) { return unpack_integer(s, 8); }

float unpack_single(StringValue* s) {
  float value = 0;
  return read_image(s, &value, sizeof value) ? value : 0.0f;
}

double unpack_double(StringValue* s) {
  double value = 0;
  return read_image(s, &value, sizeof value) ? value : 0.0;
}

long double unpack_extended(StringValue* s) {
  uint8_t bytes[kExtendedImageBytes] = {};
  if (!read_image(s, bytes, kExtendedImageBytes)) return 0;
  long double value = 0;
  std::memcpy(&value, bytes, kExtendedSignificantBytes);
  return value;
}

uint64_t unpack_bits_unsigned(StringValue* s, int32_t bits) {
  if (error_pending() || !valid_bit_count(bits)) return 0;
  return unpack_integer(s, bit_field_bytes(bits)) & bit_mask(bits);
}

int64_t unpack_bits_signed(StringValue* s, int32_t bits) {
  if (error_pending() || !valid_bit_count(bits)) return 0;
  uint64_t value = unpack_integer(s, bit_field_bytes(bits)) & bit_mask(bits);
  if (bits < 64 && (value >> (bits - 1)) & 1) value |= ~bit_mask(bits);
  return static_cast<int64_t>(value);
}

float unpack_msbin_single(StringValue* s) {
  return static_cast<float>(msbin_value(s, kMsbinSingleBytes));
}

double unpack_msbin_double(StringValue* s) {
  return static_cast<double>(msbin_value(s, kMsbinDoubleBytes));
}

}  // namespace rt
