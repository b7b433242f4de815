// Plain number conversions: integers and floating values to their standard text, octal and
// hexadecimal digits, the numeric value of a text, and rounding floating values to integers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/strings/string_value.h"

namespace rt {

// Results are temporaries. While an error is pending they are empty (or 0) and nothing runs.
StringValue* int64_to_text(int64_t value);
StringValue* int32_to_text(int32_t value);
StringValue* int16_to_text(int16_t value);
StringValue* int8_to_text(int8_t value);
StringValue* uint64_to_text(uint64_t value);
StringValue* uint32_to_text(uint32_t value);
StringValue* uint16_to_text(uint16_t value);
StringValue* uint8_to_text(uint8_t value);
StringValue* single_to_text(float value);
StringValue* double_to_text(double value);
StringValue* extended_to_text(long double value);
// Error 6 and an empty string for magnitudes of 2^63 or more (not-a-number included).
StringValue* octal_text(long double value);
StringValue* hex_text(long double value);
// Never raises for malformed text; raises 6 for too many '&H' / '&O' digits. Null gives 0.
long double text_to_number(const StringValue* text);

// Round to nearest, ties to even; out of range (or not-a-number) gives the most negative
// integer of the width.
int32_t round_to_int32(double value);
int64_t round_to_int64(long double value);

// The same conversions on plain byte buffers, free of string storage, so they can be tested
// and fuzzed alone. The StringValue forms above wrap these.
namespace bytes {

std::string int64_to_text(int64_t value);
std::string uint64_to_text(uint64_t value);
std::string single_to_text(float value);
std::string double_to_text(double value);

// Octal or hexadecimal digits of value; false when its magnitude is 2^63 or more.
bool octal_text(long double value, std::string& out);
bool hex_text(long double value, std::string& out);

struct NumberScan {
  long double value;
  bool overflow;  // too many radix digits: the value is 0 and error 6 is due
};
NumberScan text_to_number(const uint8_t* text, size_t length);

}  // namespace bytes

}  // namespace rt
