// The StringValue front ends of the picture formatter: build the value's digit string, run
// the byte-buffer formatter, append its text to the output variable.
#include <cstring>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/strings/number_format.h"
#include "runtime/strings/string_storage.h"

namespace rt {

namespace {

void append_to(StringValue* output, const std::string& text) {
  if (text.empty()) return;
  StringValue* piece = string_new(static_cast<int32_t>(text.size()), true);
  if (piece == nullptr || piece->length != static_cast<int32_t>(text.size())) return;
  std::memcpy(piece->data, text.data(), text.size());
  string_assign(output, string_concat(output, piece));
}

int32_t run_formatter(StringValue* picture, const bytes::PictureValue& value, int32_t position,
                      StringValue* output, char exponent_letter) {
  if (picture == nullptr || output == nullptr) {
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  std::string text;
  bytes::PictureResult result =
      bytes::format_picture(picture->data, picture->length, value, position, exponent_letter, text);
  // Text laid out before an error stays in the output, so it goes in before the error is
  // raised (storage operations return at once while one is pending).
  append_to(output, text);
  if (result.error != 0) {
    raise_error(result.error);
    return 0;
  }
  return result.next_position;
}

int32_t run_number(StringValue* picture, const DigitString& digits, int32_t position,
                   StringValue* output, char exponent_letter) {
  bytes::PictureValue value{&digits, nullptr, 0};
  return run_formatter(picture, value, position, output, exponent_letter);
}

int32_t run_floating(StringValue* picture, bool made, const DigitString& digits,
                     int32_t position, StringValue* output, char exponent_letter) {
  if (!made) {  // infinity or not-a-number
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  return run_number(picture, digits, position, output, exponent_letter);
}

}  // namespace

int32_t format_picture_int64(StringValue* picture, int64_t value, int32_t position,
                             StringValue* output) {
  if (error_pending()) return 0;
  return run_number(picture, bytes::digits_of_int64(value), position, output, 'E');
}

int32_t format_picture_uint64(StringValue* picture, uint64_t value, int32_t position,
                              StringValue* output) {
  if (error_pending()) return 0;
  return run_number(picture, bytes::digits_of_uint64(value), position, output, 'E');
}

int32_t format_picture_single(StringValue* picture, float value, int32_t position,
                              StringValue* output) {
  if (error_pending()) return 0;
  DigitString digits;
  bool made = bytes::digits_of_double(static_cast<double>(value), digits);
  return run_floating(picture, made, digits, position, output, 'E');
}

int32_t format_picture_double(StringValue* picture, double value, int32_t position,
                              StringValue* output) {
  if (error_pending()) return 0;
  DigitString digits;
  bool made = bytes::digits_of_double(value, digits);
  return run_floating(picture, made, digits, position, output, 'D');
}

int32_t format_picture_extended(StringValue* picture, long double value, int32_t position,
                                StringValue* output) {
  if (error_pending()) return 0;
  DigitString digits;
  bool made = bytes::digits_of_extended(value, digits);
  return run_floating(picture, made, digits, position, output, 'F');
}

int32_t format_picture_string(StringValue* picture, StringValue* value, int32_t position,
                              StringValue* output) {
  if (error_pending()) return 0;
  if (value == nullptr) {
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  bytes::PictureValue pending{nullptr, value->data, value->length};
  return run_formatter(picture, pending, position, output, 'E');
}

}  // namespace rt
