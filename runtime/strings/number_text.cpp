// The plain conversions on byte buffers. The StringValue forms live in
// number_text_strings.cpp so that these can be tested and fuzzed without string storage.
#include "runtime/strings/number_text.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rt {

namespace {

constexpr long double kTwoTo63 = 9223372036854775808.0L;

// A value written printf-style in scientific form with a fixed count of significant digits.
struct Scientific {
  char sign;          // ' ' or '-'
  char digits[20];    // the significant digits, not terminated
  int count;
  int exponent;
};

Scientific scientific_form(double value, int significant) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "% .*E", significant - 1, value);
  Scientific s{};
  s.sign = buffer[0];
  s.count = significant;
  s.digits[0] = buffer[1];
  std::memcpy(s.digits + 1, buffer + 3, static_cast<size_t>(significant - 1));
  s.exponent = std::atoi(buffer + 3 + (significant - 1) + 1);
  return s;
}

// Digits left after dropping trailing zeros; 0 when every digit is zero.
int significant_count(const Scientific& s) {
  int d = s.count;
  while (d > 0 && s.digits[d - 1] == '0') --d;
  return d;
}

std::string fixed_text(double value, int decimals) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "% .*f", decimals, value);
  std::string text(buffer);
  // A zero integer part shows no digit: ' .5', '-.25'.
  if (text.size() > 2 && text[1] == '0' && text[2] == '.') text.erase(1, 1);
  return text;
}

std::string scientific_text(const Scientific& s, int d, char letter) {
  std::string text(1, s.sign);
  text += s.digits[0];
  if (d > 1) {
    text += '.';
    text.append(s.digits + 1, static_cast<size_t>(d - 1));
  }
  char exponent[16];
  std::snprintf(exponent, sizeof exponent, "%c%c%02d", letter, s.exponent < 0 ? '-' : '+',
                std::abs(s.exponent));
  return text + exponent;
}

// Infinity and not-a-number have no digits to lay out; they show printf's words.
std::string non_finite_text(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-NAN" : " NAN";
  return value < 0 ? "-INF" : " INF";
}

struct FloatStyle {
  int significant;
  char letter;
  int fixed_max_exponent;  // fixed notation needs E <= this
  int fixed_min_gap;       // ... and E - D >= this
};

std::string float_text(double value, const Scientific& s, const FloatStyle& style) {
  int d = significant_count(s);
  if (d == 0) return " 0";
  int e = s.exponent;
  if (e <= style.fixed_max_exponent && e - d >= style.fixed_min_gap) {
    return fixed_text(value, std::max(0, d - e - 1));
  }
  return scientific_text(s, d, style.letter);
}

bool radix_text(long double value, int bits_per_digit, std::string& out) {
  long double rounded = std::rintl(value);
  if (!(std::fabs(rounded) < kTwoTo63)) return false;
  int64_t n = static_cast<int64_t>(rounded);
  uint64_t bits = static_cast<uint64_t>(n);
  int width = 0;  // 0: significant digits only
  if (n < 0) {
    // Negative values keep the two's complement digits of the narrowest width that holds them.
    int value_bits = n >= INT32_MIN ? 32 : 64;
    if (value_bits == 32) bits &= 0xFFFFFFFFu;
    width = (value_bits + bits_per_digit - 1) / bits_per_digit;
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const uint64_t mask = (uint64_t{1} << bits_per_digit) - 1;
  char buffer[24];
  int used = 0;
  do {
    buffer[used++] = kDigits[bits & mask];
    bits >>= bits_per_digit;
  } while ((width == 0 && bits != 0) || (width != 0 && used < width));
  out.assign(buffer, static_cast<size_t>(used));
  std::reverse(out.begin(), out.end());
  return true;
}

bool is_blank(uint8_t c) { return c == ' ' || c == '\t'; }

int digit_value(uint8_t c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  return v < base ? v : -1;
}

// '&H' / '&O' digits after the '&' at index amp. Reads as signed two's complement.
bytes::NumberScan scan_radix(const uint8_t* s, size_t n, size_t amp) {
  bytes::NumberScan zero{0.0L, false};
  if (n - amp - 1 < 2) return zero;
  size_t i = amp + 1;
  while (i < n && is_blank(s[i])) ++i;
  if (i == n) return zero;
  int base = 0;
  if (s[i] == 'H' || s[i] == 'h') base = 16;
  else if (s[i] == 'O' || s[i] == 'o') base = 8;
  else return zero;
  const int max_digits = base == 16 ? 16 : 22;
  uint64_t bits = 0;
  int significant = 0;
  int first = 0;
  for (++i; i < n; ++i) {
    if (is_blank(s[i])) continue;
    int d = digit_value(s[i], base);
    if (d < 0) break;
    if (significant == 0 && d == 0) continue;
    if (significant == 0) first = d;
    ++significant;
    // The 22nd octal digit holds only the 64th bit.
    if (significant > max_digits || (base == 8 && significant == 22 && first > 1)) {
      return {0.0L, true};
    }
    bits = bits * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  return {static_cast<long double>(static_cast<int64_t>(bits)), false};
}

// Significant mantissa digits kept for the floating conversion; further integer digits only
// move the exponent, further fraction digits are dropped.
constexpr size_t kMaxMantissaDigits = 1024;
constexpr int kMaxExponentDigits = 18;
constexpr int kMaxExactIntegerDigits = 19;  // 10^19 - 1 < 2^64
constexpr int64_t kExponentClamp = 100000;  // far beyond every extended value

struct DecimalScan {
  bool negative = false;
  bool exponent_negative = false;
  std::string mantissa;       // significant digits
  int64_t integer_digits = 0; // significant digits before the point, dropped ones included
  int64_t leading_fraction_zeros = 0;
  int64_t fraction_digits = 0;
  int64_t exponent = 0;
  int exponent_digits = 0;
  uint64_t integer_value = 0; // exact while integer_digits <= 19
};

enum class ScanState { Start, Integer, Fraction, ExponentMark, ExponentDigits };

void take_mantissa_digit(DecimalScan& scan, uint8_t c, bool in_fraction) {
  if (in_fraction) ++scan.fraction_digits;
  if (scan.mantissa.empty() && c == '0') {
    if (in_fraction) ++scan.leading_fraction_zeros;
    return;
  }
  if (!in_fraction) {
    ++scan.integer_digits;
    if (scan.integer_digits <= kMaxExactIntegerDigits) {
      scan.integer_value = scan.integer_value * 10 + static_cast<uint64_t>(c - '0');
    }
  }
  if (scan.mantissa.size() < kMaxMantissaDigits) scan.mantissa += static_cast<char>(c);
}

// Returns false when the byte ends the scan.
bool take_decimal_byte(DecimalScan& scan, ScanState& state, uint8_t c) {
  const bool digit = c >= '0' && c <= '9';
  const bool exponent_mark = c == 'E' || c == 'e' || c == 'D' || c == 'd';
  switch (state) {
    case ScanState::Start:
    case ScanState::Integer:
      if (digit) {
        take_mantissa_digit(scan, c, false);
        state = ScanState::Integer;
      } else if (state == ScanState::Start && (c == '+' || c == '-')) {
        scan.negative = c == '-';
        state = ScanState::Integer;
      } else if (c == '.') {
        state = ScanState::Fraction;
      } else if (exponent_mark) {
        state = ScanState::ExponentMark;
      } else {
        return false;
      }
      return true;
    case ScanState::Fraction:
      if (digit) take_mantissa_digit(scan, c, true);
      else if (exponent_mark) state = ScanState::ExponentMark;
      else return false;
      return true;
    case ScanState::ExponentMark:
    case ScanState::ExponentDigits:
      if (state == ScanState::ExponentMark && (c == '+' || c == '-')) {
        scan.exponent_negative = c == '-';
        state = ScanState::ExponentDigits;
        return true;
      }
      if (!digit) return false;
      state = ScanState::ExponentDigits;
      if (scan.exponent_digits == 0 && c == '0') return true;
      if (scan.exponent_digits == kMaxExponentDigits) return false;
      ++scan.exponent_digits;
      scan.exponent = scan.exponent * 10 + (c - '0');
      return true;
  }
  return false;
}

long double decimal_value(const DecimalScan& scan) {
  if (scan.mantissa.empty()) return 0.0L;
  if (scan.fraction_digits == 0 && scan.exponent == 0 &&
      scan.integer_digits <= kMaxExactIntegerDigits) {
    long double v = static_cast<long double>(scan.integer_value);
    return scan.negative ? -v : v;
  }
  int64_t first_digit_power = scan.integer_digits > 0 ? scan.integer_digits - 1
                                                      : -(scan.leading_fraction_zeros + 1);
  int64_t power = first_digit_power + (scan.exponent_negative ? -scan.exponent : scan.exponent);
  power = std::clamp(power, -kExponentClamp, kExponentClamp);
  std::string text;
  text.reserve(scan.mantissa.size() + 32);
  if (scan.negative) text += '-';
  text += scan.mantissa[0];
  text += '.';
  text.append(scan.mantissa, 1, std::string::npos);
  text += 'E';
  text += std::to_string(power);
  return std::strtold(text.c_str(), nullptr);
}

}  // namespace

namespace bytes {

std::string int64_to_text(int64_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "% " PRId64, value);
  return buffer;
}

std::string uint64_to_text(uint64_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " %" PRIu64, value);
  return buffer;
}

std::string single_to_text(float value) {
  double wide = value;
  if (!std::isfinite(wide)) return non_finite_text(wide);
  return float_text(wide, scientific_form(wide, 7), FloatStyle{7, 'E', 6, -8});
}

std::string double_to_text(double value) {
  if (!std::isfinite(value)) return non_finite_text(value);
  Scientific s = scientific_form(value, 16);
  if (s.digits[15] == '9') {
    // A 16th digit of 9 is binary noise of a shorter decimal: 434.99999999999994 shows 435.
    s = scientific_form(value, 15);
    s.digits[15] = '0';
    s.count = 16;
  }
  return float_text(value, s, FloatStyle{16, 'D', 15, -17});
}

bool octal_text(long double value, std::string& out) { return radix_text(value, 3, out); }

bool hex_text(long double value, std::string& out) { return radix_text(value, 4, out); }

NumberScan text_to_number(const uint8_t* text, size_t length) {
  if (text == nullptr) return {0.0L, false};
  size_t i = 0;
  while (i < length && is_blank(text[i])) ++i;
  if (i < length && text[i] == '&') return scan_radix(text, length, i);
  DecimalScan scan;
  ScanState state = ScanState::Start;
  for (; i < length; ++i) {
    if (is_blank(text[i])) continue;
    if (!take_decimal_byte(scan, state, text[i])) break;
  }
  return {decimal_value(scan), false};
}

}  // namespace bytes

int32_t round_to_int32(double value) {
  double rounded = std::rint(value);
  if (!(rounded >= -2147483648.0 && rounded < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(rounded);
}

int64_t round_to_int64(long double value) {
  long double rounded = std::rintl(value);
  if (!(rounded >= -kTwoTo63 && rounded < kTwoTo63)) return INT64_MIN;
  return static_cast<int64_t>(rounded);
}

}  // namespace rt
