// Numbers as binary string images and back, little-endian. Packing gives a new temporary;
// unpacking a string shorter than the image raises error 5 and yields 0, and never releases
// its argument.
#pragma once

#include <cstdint>

#include "runtime/strings/string_value.h"

namespace rt {

StringValue* pack_int8(int8_t value);
StringValue* pack_uint8(uint8_t value);
StringValue* pack_int16(int16_t value);
StringValue* pack_uint16(uint16_t value);
StringValue* pack_int32(int32_t value);
StringValue* pack_uint32(uint32_t value);
StringValue* pack_int64(int64_t value);
StringValue* pack_uint64(uint64_t value);
StringValue* pack_single(float value);
StringValue* pack_double(double value);
StringValue* pack_extended(long double value);  // 10 bytes of x87 image, zero-padded to 32

// A bit field of `bits` (1-64) bits in (bits + 7) / 8 bytes; other widths raise error 5.
StringValue* pack_bits(uint64_t value, int32_t bits);

// The legacy Microsoft binary formats: a value they cannot hold raises error 5 and gives
// an empty string.
StringValue* pack_msbin_single(float value);
StringValue* pack_msbin_double(double value);

int8_t unpack_int8(StringValue* s);
uint8_t unpack_uint8(StringValue* s);
int16_t unpack_int16(StringValue* s);
uint16_t unpack_uint16(StringValue* s);
int32_t unpack_int32(StringValue* s);
uint32_t unpack_uint32(StringValue* s);
int64_t unpack_int64(StringValue* s);
uint64_t unpack_uint64(StringValue* s);
float unpack_single(StringValue* s);
double unpack_double(StringValue* s);
long double unpack_extended(StringValue* s);
uint64_t unpack_bits_unsigned(StringValue* s, int32_t bits);  // masked to `bits`
int64_t unpack_bits_signed(StringValue* s, int32_t bits);     // bit bits-1 extended
float unpack_msbin_single(StringValue* s);
double unpack_msbin_double(StringValue* s);

}  // namespace rt
