// The picture formatter: lays one value per call into a template such as " ###:##.###".
// The caller passes position 0 with the first value of a statement and the returned
// position with each following value; the formatted text is appended to `output`.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/strings/string_value.h"

namespace rt {

// A number as the formatter sees it: magnitude = (digits read as an integer) x 10^exponent.
struct DigitString {
  std::string digits;  // decimal digit characters, most significant first
  int32_t exponent = 0;
  bool negative = false;
};
inline constexpr size_t kMaxDigitStringLength = 1024;

// Each returns the position the next value starts at (0 at the end of the template or on
// an error). While an error is pending they return 0 and append nothing.
int32_t format_picture_int64(StringValue* picture, int64_t value, int32_t position,
                             StringValue* output);
int32_t format_picture_uint64(StringValue* picture, uint64_t value, int32_t position,
                              StringValue* output);
int32_t format_picture_single(StringValue* picture, float value, int32_t position,
                              StringValue* output);
int32_t format_picture_double(StringValue* picture, double value, int32_t position,
                              StringValue* output);
int32_t format_picture_extended(StringValue* picture, long double value, int32_t position,
                                StringValue* output);
int32_t format_picture_string(StringValue* picture, StringValue* value, int32_t position,
                              StringValue* output);

// The byte-buffer core the front ends above wrap; usable without string storage.
namespace bytes {

// The digit strings the front ends build. The floating forms return false for infinity and
// not-a-number.
DigitString digits_of_int64(int64_t value);
DigitString digits_of_uint64(uint64_t value);
bool digits_of_double(double value, DigitString& out);
bool digits_of_extended(long double value, DigitString& out);

// The value pending in one call: a number or a string of bytes.
struct PictureValue {
  const DigitString* number;  // null for a string value
  const uint8_t* text;
  int32_t text_length;
};

struct PictureResult {
  int32_t next_position;
  ErrorCode error;  // 0, or the code the caller raises after appending `out`
};

// Appends the formatted text to out. exponent_letter is 'E', 'D' or 'F'.
PictureResult format_picture(const uint8_t* picture, int32_t picture_length,
                             const PictureValue& value, int32_t position, char exponent_letter,
                             std::string& out);

}  // namespace bytes

}  // namespace rt
