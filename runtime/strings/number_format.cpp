// The picture formatter on byte buffers. The StringValue front ends live in
// number_format_strings.cpp.
#include "runtime/strings/number_format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace rt::bytes {

namespace {

// ---- digit strings --------------------------------------------------------------------

constexpr int kFloatFractionDigits = 255;  // "% .255E" and "% .255Lf"

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Longer strings lose their least significant digits; the exponent keeps the magnitude.
void cap_length(DigitString& d) {
  if (d.digits.size() <= kMaxDigitStringLength) return;
  d.exponent += static_cast<int32_t>(d.digits.size() - kMaxDigitStringLength);
  d.digits.resize(kMaxDigitStringLength);
}

// ---- the numeric field ----------------------------------------------------------------

struct NumericField {
  int32_t end = 0;  // one past the field's last byte
  int64_t integer_positions = 0;
  int64_t fraction_positions = 0;
  int exponent_width = 0;  // 0, 2 or 3
  bool leading_plus = false;
  bool dollar = false;
  bool star_fill = false;
  bool comma = false;
  bool point = false;
  bool trailing_plus = false;
  bool trailing_minus = false;

  bool has_sign_flag() const { return leading_plus || trailing_plus || trailing_minus; }
};

enum class FieldState { Start, AfterPlus, Integer, Fraction, Exponent };

bool starts_with(const uint8_t* t, int32_t n, int32_t i, const char* pattern) {
  int32_t len = static_cast<int32_t>(std::strlen(pattern));
  return n - i >= len && std::memcmp(t + i, pattern, static_cast<size_t>(len)) == 0;
}

// Applies the first grammar rule that fits the bytes at i; returns the bytes used, 0 when
// the field ends before i. A trailing sign ends the field after itself (sets *closed).
int32_t field_step(const uint8_t* t, int32_t n, int32_t i, FieldState& s, NumericField& f,
                   bool* closed) {
  const uint8_t c = t[i];
  const bool in_digits = s == FieldState::Integer || s == FieldState::Fraction;
  const bool opening = s == FieldState::Start || s == FieldState::AfterPlus;
  if ((in_digits || s == FieldState::Exponent) && (c == '+' || c == '-')) {
    (c == '+' ? f.trailing_plus : f.trailing_minus) = true;
    *closed = true;
    return 1;
  }
  if (in_digits && starts_with(t, n, i, "^^^^^")) {
    f.exponent_width = 3;
    s = FieldState::Exponent;
    return 5;
  }
  if (in_digits && starts_with(t, n, i, "^^^^")) {
    f.exponent_width = 2;
    s = FieldState::Exponent;
    return 4;
  }
  if (s == FieldState::Fraction && c == '#') {
    ++f.fraction_positions;
    return 1;
  }
  if (s == FieldState::Integer && c == ',') {
    f.comma = true;
    ++f.integer_positions;
    return 1;
  }
  if ((opening || s == FieldState::Integer) && c == '#') {
    ++f.integer_positions;
    s = FieldState::Integer;
    return 1;
  }
  if ((opening || s == FieldState::Integer) && c == '.') {
    f.point = true;
    s = FieldState::Fraction;
    return 1;
  }
  if (opening && starts_with(t, n, i, "**$")) {
    f.star_fill = f.dollar = true;
    f.integer_positions = 2;
    s = FieldState::Integer;
    return 3;
  }
  if (opening && starts_with(t, n, i, "**")) {
    f.star_fill = true;
    f.integer_positions = 2;
    s = FieldState::Integer;
    return 2;
  }
  if (opening && starts_with(t, n, i, "$$")) {
    f.dollar = true;
    f.integer_positions = 1;
    s = FieldState::Integer;
    return 2;
  }
  if (s == FieldState::Start && c == '+') {
    f.leading_plus = true;
    s = FieldState::AfterPlus;
    return 1;
  }
  return 0;
}

// A lone '.', '$', '*' or '+' is literal text, not a field.
bool scan_numeric_field(const uint8_t* t, int32_t n, int32_t start, NumericField& f) {
  f = NumericField{};
  FieldState s = FieldState::Start;
  int32_t i = start;
  bool closed = false;
  while (i < n && !closed) {
    int32_t used = field_step(t, n, i, s, f, &closed);
    if (used == 0) break;
    i += used;
  }
  f.end = i;
  const bool reached_digits =
      s == FieldState::Integer || s == FieldState::Fraction || s == FieldState::Exponent;
  return reached_digits && f.integer_positions + f.fraction_positions > 0;
}

// ---- laying digits out ----------------------------------------------------------------

// Hands out the digit string left to right; past its end every digit is '0'.
class DigitCursor {
 public:
  explicit DigitCursor(const std::string& digits) : digits_(digits) {}
  char take() {
    char c = next_ < digits_.size() ? digits_[next_] : '0';
    ++next_;
    return c;
  }
  size_t taken() const { return next_; }

 private:
  const std::string& digits_;
  size_t next_ = 0;
};

// Rounds half away from zero at the first digit not taken. Returns true when the string
// changed, after which the field is laid out again.
bool round_after(std::string& digits, size_t taken) {
  if (taken >= digits.size() || digits[taken] < '5') return false;
  digits.insert(digits.begin(), '0');
  size_t i = taken;  // the last digit taken, or the front '0' when none was
  while (digits[i] == '9') {
    digits[i] = '0';
    --i;
  }
  ++digits[i];
  if (digits[0] == '0') digits.erase(digits.begin());
  return true;
}

// A zero integer part needs no position when the field has none for it. Dropping a
// leading zero digit keeps the value, unlike lowering the exponent alone would.
void drop_zero_integer_digit(std::string& digits, int64_t exponent, int64_t integer_positions) {
  const int64_t integer_digits = exponent + static_cast<int64_t>(digits.size());
  if (integer_positions == 0 && integer_digits == 1 && !digits.empty() && digits[0] == '0') {
    digits.erase(digits.begin());
  }
}

void append_trailing_sign(const NumericField& f, bool negative, std::string& out) {
  if (f.trailing_plus) out += negative ? '-' : '+';
  if (f.trailing_minus) out += negative ? '-' : ' ';
}

// One pass of the field without exponent marks; `cursor_taken` reports where it stopped.
std::string fixed_pass(const NumericField& f, std::string& digits, int64_t exponent,
                       bool negative, size_t& cursor_taken) {
  int64_t integers = f.integer_positions;
  const bool reserve_minus = negative && !f.has_sign_flag();
  if (reserve_minus) --integers;
  int64_t width = 0;
  if (f.comma) {
    width = integers;
    integers -= integers / 4;
  }
  drop_zero_integer_digit(digits, exponent, integers);
  int64_t length = exponent + static_cast<int64_t>(digits.size());
  const bool overflow = integers < length;
  if (overflow) {
    integers = length;
    if (f.comma) width = length + (length - 1) / 3;
  }
  if (!f.comma) width = integers;
  const int64_t zeros = std::max<int64_t>(0, -length);
  if (f.comma) length += (length - 1) / 3;
  length = std::max<int64_t>(length, 0);
  int64_t pad = std::max<int64_t>(0, width - length);
  const bool leading_zero = length == 0 && pad > 0;
  if (leading_zero) --pad;

  std::string out;
  if (overflow) out += '%';
  if (f.leading_plus) out += negative ? '-' : '+';
  out.append(static_cast<size_t>(pad), f.star_fill ? '*' : ' ');
  if (reserve_minus) out += '-';
  if (f.dollar) out += '$';
  if (leading_zero) out += '0';
  DigitCursor cursor(digits);
  for (int64_t still = length; still > 0; --still) {
    out += (f.comma && still % 4 == 0) ? ',' : cursor.take();
  }
  if (f.point) out += '.';
  for (int64_t j = 0; j < f.fraction_positions; ++j) {
    out += j < zeros ? '0' : cursor.take();
  }
  append_trailing_sign(f, negative, out);
  cursor_taken = cursor.taken();
  return out;
}

int decimal_digit_count(int64_t v) {
  int count = 1;
  while (v >= 10) {
    v /= 10;
    ++count;
  }
  return count;
}

// One pass of the field with exponent marks. Star fill and commas have no effect here.
std::string exponent_pass(const NumericField& f, std::string& digits, int64_t exponent,
                          bool negative, char letter, size_t& cursor_taken) {
  int64_t integers = f.integer_positions;
  int64_t fractions = f.fraction_positions;
  bool point = f.point;
  const bool reserve_sign = !f.has_sign_flag();
  if (reserve_sign) {
    if (integers > 0) {
      --integers;
    } else if (--fractions == 0) {
      point = false;
      integers = 1;
    }
  }
  drop_zero_integer_digit(digits, exponent, integers);
  bool sign_shows_zero = false;
  if (!negative && reserve_sign && integers <= 0) {
    if (fractions > 0) sign_shows_zero = true;
    else integers += 1;
  }
  bool overflow = false;
  if (integers == 0 && fractions == 0) {
    overflow = true;
    integers = 1;
  }
  const int64_t power = exponent + static_cast<int64_t>(digits.size()) - 1 - (integers - 1);
  const int64_t magnitude = power < 0 ? -power : power;
  if (decimal_digit_count(magnitude) > f.exponent_width) overflow = true;

  std::string out;
  if (overflow) out += '%';
  if (f.leading_plus) out += negative ? '-' : '+';
  if (f.dollar) out += '$';
  if (reserve_sign) out += negative ? '-' : (sign_shows_zero ? '0' : ' ');
  DigitCursor cursor(digits);
  for (int64_t j = 0; j < integers; ++j) out += cursor.take();
  if (point) out += '.';
  for (int64_t j = 0; j < fractions; ++j) out += cursor.take();
  out += letter;
  out += power < 0 ? '-' : '+';
  const int shown = decimal_digit_count(magnitude);
  out.append(static_cast<size_t>(std::max(0, f.exponent_width - shown)), '0');
  out += std::to_string(magnitude);
  append_trailing_sign(f, negative, out);
  cursor_taken = cursor.taken();
  return out;
}

std::string format_number(const NumericField& f, const DigitString& value, char letter) {
  std::string digits = value.digits;
  bool rounded = false;
  while (true) {
    size_t taken = 0;
    std::string text =
        f.exponent_width == 0
            ? fixed_pass(f, digits, value.exponent, value.negative, taken)
            : exponent_pass(f, digits, value.exponent, value.negative, letter, taken);
    // Rounding happens at most once per field; digits after the rounded one stay as they were.
    if (rounded || !round_after(digits, taken)) return text;
    rounded = true;
  }
}

// ---- string fields --------------------------------------------------------------------

// Width of a string field starting at i ('&' and '!' count 1 and 1), 0 when none starts.
int32_t string_field_width(const uint8_t* t, int32_t n, int32_t i) {
  if (t[i] == '&' || t[i] == '!') return 1;
  if (t[i] != '\\') return 0;
  int32_t j = i + 1;
  while (j < n && t[j] == ' ') ++j;
  return (j < n && t[j] == '\\') ? j - i + 1 : 0;
}

void append_string_field(uint8_t kind, int32_t width, const PictureValue& v, std::string& out) {
  const char* text = reinterpret_cast<const char*>(v.text);
  const int32_t length = v.text == nullptr ? 0 : std::max(v.text_length, 0);
  if (kind == '&') {
    out.append(text, static_cast<size_t>(length));
  } else if (kind == '!') {
    out += length > 0 ? text[0] : ' ';
  } else {
    int32_t shown = std::min(width, length);
    out.append(text, static_cast<size_t>(shown));
    out.append(static_cast<size_t>(width - shown), ' ');
  }
}

}  // namespace

// ---- digit strings from values --------------------------------------------------------

DigitString digits_of_uint64(uint64_t value) {
  DigitString d;
  d.digits = std::to_string(value);
  return d;
}

DigitString digits_of_int64(int64_t value) {
  // The magnitude of the most negative value only fits unsigned.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  DigitString d = digits_of_uint64(magnitude);
  d.negative = value < 0;
  return d;
}

bool digits_of_double(double value, DigitString& out) {
  // Sign, digit, '.', 255 digits, 'E', sign, up to 3 digits, NUL: 264 bytes at most.
  char buffer[320];
  int n = std::snprintf(buffer, sizeof buffer, "% .255E", value);
  const int mark = 3 + kFloatFractionDigits;  // where the 'E' stands
  if (n <= mark + 2 || (buffer[0] != ' ' && buffer[0] != '-') || !is_digit(buffer[1]) ||
      buffer[2] != '.' || buffer[mark] != 'E') {
    return false;
  }
  out.digits.assign(1, buffer[1]);
  out.digits.append(buffer + 3, kFloatFractionDigits);
  out.exponent = std::atoi(buffer + mark + 1) - kFloatFractionDigits;
  out.negative = buffer[0] == '-';
  return true;
}

bool digits_of_extended(long double value, DigitString& out) {
  int n = std::snprintf(nullptr, 0, "% .255Lf", value);
  if (n <= 0) return false;
  std::vector<char> buffer(static_cast<size_t>(n) + 1);
  std::snprintf(buffer.data(), buffer.size(), "% .255Lf", value);
  const char* text = buffer.data();
  const char* point = std::strchr(text, '.');
  if ((text[0] != ' ' && text[0] != '-') || point == nullptr || point == text + 1 ||
      std::strlen(point + 1) != kFloatFractionDigits) {
    return false;
  }
  out.digits.assign(text + 1, point);
  out.digits.append(point + 1);
  // Leading zeros of a value below 1 carry no magnitude; dropping them gives the same
  // digit string as the other front ends (first digit significant). Zero keeps its digits.
  size_t first = out.digits.find_first_not_of('0');
  if (first != std::string::npos) out.digits.erase(0, first);
  out.exponent = -kFloatFractionDigits;
  out.negative = text[0] == '-';
  cap_length(out);
  return true;
}

// ---- the walk over the template -------------------------------------------------------

PictureResult format_picture(const uint8_t* picture, int32_t picture_length,
                             const PictureValue& value, int32_t position, char exponent_letter,
                             std::string& out) {
  const PictureResult failed{0, kErrIllegalFunctionCall};
  if (picture == nullptr || picture_length <= 0) return failed;
  if (position < 0 || position >= picture_length) return failed;
  const uint8_t* t = picture;
  const int32_t n = picture_length;
  const bool started_at_zero = position == 0;
  bool placed = false;
  bool wrapped = false;
  int32_t i = position;
  while (true) {
    NumericField field;
    int32_t string_width = 0;
    if (scan_numeric_field(t, n, i, field)) {
      if (placed) return {i, 0};
      if (value.number == nullptr) return {0, kErrTypeMismatch};
      out += format_number(field, *value.number, exponent_letter);
      placed = true;
      i = field.end;
    } else if ((string_width = string_field_width(t, n, i)) > 0) {
      if (placed) return {i, 0};
      if (value.number != nullptr) return {0, kErrTypeMismatch};
      append_string_field(t[i], string_width, value, out);
      placed = true;
      i += string_width;
    } else {
      // '_' takes the byte after it literally, unless it is the template's last byte.
      if (t[i] == '_' && i + 1 < n) ++i;
      out += static_cast<char>(t[i]);
      ++i;
    }
    if (i < n) continue;
    if (placed) return {0, 0};
    // A template without a usable field would otherwise be walked for ever.
    if (started_at_zero || wrapped) return failed;
    wrapped = true;
    i = 0;
  }
}

}  // namespace rt::bytes
