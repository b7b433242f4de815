// The StringValue forms of the plain conversions: thin wrappers over the byte-buffer forms.
#include <cstring>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/strings/number_text.h"
#include "runtime/strings/string_storage.h"

namespace rt {

namespace {

StringValue* temporary_text(const std::string& text) {
  StringValue* s = string_new(static_cast<int32_t>(text.size()), true);
  if (s != nullptr && s->length == static_cast<int32_t>(text.size())) {
    std::memcpy(s->data, text.data(), text.size());
  }
  return s;
}

StringValue* empty_text() { return string_new(0, true); }

StringValue* signed_text(int64_t value) {
  if (error_pending()) return empty_text();
  return temporary_text(bytes::int64_to_text(value));
}

StringValue* unsigned_text(uint64_t value) {
  if (error_pending()) return empty_text();
  return temporary_text(bytes::uint64_to_text(value));
}

StringValue* radix_text(long double value, bool (*convert)(long double, std::string&)) {
  if (error_pending()) return empty_text();
  std::string digits;
  if (!convert(value, digits)) {
    raise_error(kErrOverflow);
    return empty_text();
  }
  return temporary_text(digits);
}

}  // namespace

StringValue* int64_to_text(int64_t value) { return signed_text(value); }
StringValue* int32_to_text(int32_t value) { return signed_text(value); }
StringValue* int16_to_text(int16_t value) { return signed_text(value); }
StringValue* int8_to_text(int8_t value) { return signed_text(value); }
StringValue* uint64_to_text(uint64_t value) { return unsigned_text(value); }
StringValue* uint32_to_text(uint32_t value) { return unsigned_text(value); }
StringValue* uint16_to_text(uint16_t value) { return unsigned_text(value); }
StringValue* uint8_to_text(uint8_t value) { return unsigned_text(value); }

StringValue* single_to_text(float value) {
  if (error_pending()) return empty_text();
  return temporary_text(bytes::single_to_text(value));
}

StringValue* double_to_text(double value) {
  if (error_pending()) return empty_text();
  return temporary_text(bytes::double_to_text(value));
}

StringValue* extended_to_text(long double value) {
  return double_to_text(static_cast<double>(value));
}

StringValue* octal_text(long double value) { return radix_text(value, bytes::octal_text); }

StringValue* hex_text(long double value) { return radix_text(value, bytes::hex_text); }

long double text_to_number(const StringValue* text) {
  if (error_pending() || text == nullptr) return 0.0L;
  bytes::NumberScan scan =
      bytes::text_to_number(text->data, static_cast<size_t>(text->length < 0 ? 0 : text->length));
  if (scan.overflow) {
    raise_error(kErrOverflow);
    return 0.0L;
  }
  return scan.value;
}

}  // namespace rt
