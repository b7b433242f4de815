// Fuzzes the picture formatter with both the template and the value chosen by the input.
// Layout of an input: kind byte, position byte, the value's bytes, then the template.
//   kind % 7: 0 int64 (8 bytes), 1 uint64 (8), 2 single (4), 3 double (8),
//             4 extended (10), 5 string (length byte + bytes), 6 raw digit string
//             (length byte, digit bytes, 2 exponent bytes, sign byte).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/strings/number_format.h"

namespace {

using rt::DigitString;
using rt::bytes::PictureResult;
using rt::bytes::PictureValue;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  void take(void* to, size_t n) {
    uint8_t* out = static_cast<uint8_t*>(to);
    for (size_t i = 0; i < n; ++i) out[i] = byte();
  }
  std::string bytes(size_t n) {
    std::string s;
    for (size_t i = 0; i < n && at_ < size_; ++i) s += static_cast<char>(byte());
    return s;
  }
  std::string rest() { return bytes(size_ - at_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

void check(bool holds) {
  if (!holds) std::abort();
}

struct Value {
  DigitString number;
  std::string text;
  bool is_text = false;
  char letter = 'E';
};

// False when the value has no digit string (infinity, not-a-number): the front ends stop
// with error 5 before the formatter runs.
bool read_value(Input& in, uint8_t kind, Value& v) {
  switch (kind % 7) {
    case 0: {
      int64_t x;
      in.take(&x, sizeof x);
      v.number = rt::bytes::digits_of_int64(x);
      return true;
    }
    case 1: {
      uint64_t x;
      in.take(&x, sizeof x);
      v.number = rt::bytes::digits_of_uint64(x);
      return true;
    }
    case 2: {
      float x;
      in.take(&x, sizeof x);
      return rt::bytes::digits_of_double(static_cast<double>(x), v.number);
    }
    case 3: {
      double x;
      in.take(&x, sizeof x);
      v.letter = 'D';
      return rt::bytes::digits_of_double(x, v.number);
    }
    case 4: {
      long double x = 0;
      in.take(&x, 10);
      v.letter = 'F';
      return rt::bytes::digits_of_extended(x, v.number);
    }
    case 5:
      v.is_text = true;
      v.text = in.bytes(in.byte());
      return true;
    default: {
      std::string raw = in.bytes(in.byte() * 4u);
      for (char& c : raw) c = static_cast<char>('0' + static_cast<uint8_t>(c) % 10);
      int16_t exponent;
      in.take(&exponent, sizeof exponent);
      v.number.digits = raw;
      v.number.exponent = exponent % 2000;
      v.number.negative = in.byte() & 1;
      return true;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const uint8_t kind = in.byte();
  int32_t position = static_cast<int8_t>(in.byte());
  Value v;
  if (!read_value(in, kind, v)) return 0;
  const std::string picture = in.rest();
  const PictureValue value = v.is_text
      ? PictureValue{nullptr, reinterpret_cast<const uint8_t*>(v.text.data()),
                     static_cast<int32_t>(v.text.size())}
      : PictureValue{&v.number, nullptr, 0};
  const int32_t length = static_cast<int32_t>(picture.size());
  // A statement places several values; chain the positions as the script does.
  for (int call = 0; call < 4; ++call) {
    std::string out;
    PictureResult r = rt::bytes::format_picture(reinterpret_cast<const uint8_t*>(picture.data()),
                                                length, value, position, v.letter, out);
    check(r.error == 0 || r.error == rt::kErrIllegalFunctionCall ||
          r.error == rt::kErrTypeMismatch);
    check(r.next_position >= 0 && (r.next_position == 0 || r.next_position < length));
    if (r.error != 0) check(r.next_position == 0);
    // Literal text at most twice round the template, one field with at most 5,000 digits.
    check(out.size() <= 2 * picture.size() + v.text.size() + 8192);
    if (r.error != 0) break;
    position = r.next_position;
  }
  return 0;
}
