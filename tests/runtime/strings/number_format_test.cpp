// The picture formatter on byte buffers: field grammar, layout, rounding, multi-value
// templates and the error paths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/strings/number_format.h"

namespace rt::bytes {
namespace {

struct Laid {
  std::string out;
  int32_t next;
  ErrorCode error;
};

Laid run(const std::string& picture, const PictureValue& value, int32_t position = 0,
        char letter = 'E') {
  Laid r;
  PictureResult result =
      format_picture(reinterpret_cast<const uint8_t*>(picture.data()),
                     static_cast<int32_t>(picture.size()), value, position, letter, r.out);
  r.next = result.next_position;
  r.error = result.error;
  return r;
}

Laid run_digits(const std::string& picture, const DigitString& d, int32_t position = 0,
               char letter = 'E') {
  return run(picture, PictureValue{&d, nullptr, 0}, position, letter);
}

DigitString single_digits(float v) {
  DigitString d;
  EXPECT_TRUE(digits_of_double(static_cast<double>(v), d));
  return d;
}

Laid run_single(const std::string& picture, float v, int32_t position = 0) {
  return run_digits(picture, single_digits(v), position);
}

Laid run_text(const std::string& picture, const std::string& text, int32_t position = 0) {
  return run(picture,
             PictureValue{nullptr, reinterpret_cast<const uint8_t*>(text.data()),
                          static_cast<int32_t>(text.size())},
             position);
}

DigitString digits(const char* text, int32_t exponent, bool negative = false) {
  DigitString d;
  d.digits = text;
  d.exponent = exponent;
  d.negative = negative;
  return d;
}

struct FieldCase {
  const char* picture;
  float value;
  const char* expected;
};

TEST(PictureFields, SingleValuesLaidOutAsTheFieldSays) {
  const FieldCase cases[] = {
      {"##.##", 3.14159f, " 3.14"},
      {"##.##", -3.14159f, "-3.14"},
      {"###", -5, " -5"},
      {"+##", 5, "+ 5"},
      {"+###", -5, "-  5"},
      {"##-", -5, " 5-"},
      {"##-", 5, " 5 "},
      {"##+", 5, " 5+"},
      {"##+", -5, " 5-"},
      {"**##", 12, "**12"},
      {"$$##", 12, " $12"},
      {"**$#.##", -3.5f, "*-$3.50"},
      {"#,###", 1234567, "%1,234,567"},
      {"##,###.##", 1234.5f, " 1,234.50"},
      {"#,###", 12, "   12"},
      {"#.##", 0.5f, "0.50"},
      {"#.##", -0.5f, "-.50"},
      {".##", 0, ".00"},
      {"###", 999.5f, "%1000"},
      {"#####", 0.5f, "    1"},
      {"##.##", 0.125f, " 0.13"},
      {"##.##", -0.125f, "-0.13"},
      {"###", 0, "  0"},
      {"#", 12, "%12"},
      {"##.##^^^^", 12345, " 1.23E+04"},
      {"#.##^^^^", 12345, "0.12E+05"},
      {".##^^^^", 5, "0.5E+01"},
      {"###.##^^^^^", 0.000123f, " 12.30E-005"},
      {"##.##^^^^", -12345, "-1.23E+04"},
      {"+#.#^^^^", 9.96f, "+1.0E+01"},
      {"#.#^^^^-", -250, "2.5E+02-"},
      {"#^^^^", 1e30f, " 1E+30"},
      {"#^^^^", 1e-30f, " 1E-30"},
      {"#.#^^^^", 1e-30f, "0.1E-29"},
      {"#.#^^^^", 1e30f, "0.1E+31"},
      {"##^^^^", 1e38f, " 1E+38"},
      {"_###", 5, "# 5"},
  };
  for (const FieldCase& c : cases) {
    Laid r = run_single(c.picture, c.value);
    EXPECT_EQ(r.out, c.expected) << c.picture << " with " << c.value;
    EXPECT_EQ(r.error, 0u) << c.picture;
    EXPECT_EQ(r.next, 0) << c.picture;
  }
}

TEST(PictureFields, ExponentTooWideForItsMarksOverflows) {
  // 1E-100 needs three exponent digits; '^^^^' leaves room for two.
  DigitString d = digits("1", -100);
  EXPECT_EQ(run_digits("#.#^^^^", digits("1", -101)).out, "%0.1E-100");
  EXPECT_EQ(run_digits("#.#^^^^", d).out, "0.1E-99");
  EXPECT_EQ(run_digits("##^^^^", d).out, "% 1E-100");
  EXPECT_EQ(run_digits("##^^^^^", d).out, " 1E-100");
}

TEST(PictureFields, NegativeValueWithNoRoomForItsSignOverflows) {
  EXPECT_EQ(run_single(".##", -0.5f).out, "%-.50");
  // With exponent marks the sign takes the only integer position.
  EXPECT_EQ(run_single("#^^^^", -5).out, "%-5E+00");
}

TEST(PictureFields, LettersOfDoubleAndExtendedScientificFields) {
  DigitString d = digits("12345", 0);
  EXPECT_EQ(run_digits("##.##^^^^", d, 0, 'D').out, " 1.23D+04");
  EXPECT_EQ(run_digits("##.##^^^^", d, 0, 'F').out, " 1.23F+04");
}

TEST(PictureRounding, HalfAwayFromZeroOnTheDecimalDigits) {
  struct Case {
    const char* picture;
    DigitString value;
    const char* expected;
  };
  const Case cases[] = {
      {"#.#", digits("1249", -3), "1.2"},
      {"#.#", digits("125", -2), "1.3"},
      {"#.#", digits("125", -2, true), "%-1.3"},
      {"#.##", digits("1999", -3), "2.00"},
      // Rounding happens once: the 5 left behind the carry is not looked at again.
      {"##", digits("9951", -2), "%100"},
      {"#.##", digits("19951", -4), "2.00"},
      // Past the end of the digit string every digit is 0: nothing to round.
      {"#.####", digits("15", -1), "1.5000"},
      {"#.#^^^^", digits("995", 0), "0.1E+04"},
      {"##", digits("05", -1), " 1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run_digits(c.picture, c.value).out, c.expected) << c.picture << " " << c.value.digits;
  }
}

TEST(PictureIntegers, Int64AndUint64DigitStrings) {
  EXPECT_EQ(run_digits("#", digits_of_int64(INT64_MIN)).out, "%-9223372036854775808");
  EXPECT_EQ(run_digits("#", digits_of_uint64(UINT64_MAX)).out, "%18446744073709551615");
  EXPECT_EQ(run_digits("#,###,###", digits_of_int64(1234567)).out, "1,234,567");
  // The reserved minus costs an integer position, and with it the room for the commas.
  EXPECT_EQ(run_digits("#,###,###", digits_of_int64(-1234567)).out, "%-1,234,567");
  EXPECT_EQ(run_digits(".##", digits_of_int64(0)).out, ".00");
  EXPECT_EQ(run_digits("##.#", digits_of_int64(7)).out, " 7.0");
}

struct ClockCase {
  float minutes;
  float seconds;
  const char* expected;
};

TEST(PictureClock, TwoValuesIntoTheClockTemplate) {
  const std::string clock = " ###:##.###";
  const ClockCase cases[] = {
      {0, 0, "   0: 0.000"},        {5, 3.25f, "   5: 3.250"},
      {12, 59.999f, "  12:59.999"},  {123, 7.0625f, " 123: 7.063"},
      {999, 59.9996f, " 999:60.000"}, {-3, -2.5f, "  -3:-2.500"},
      {1234, 5.5f, " %1234: 5.500"}, {1, -0.3f, "   1:-0.300"},
      {1441, 5, " %1441: 5.000"},
  };
  for (const ClockCase& c : cases) {
    Laid first = run_single(clock, c.minutes, 0);
    ASSERT_EQ(first.error, 0u);
    EXPECT_EQ(first.next, 5);
    Laid second = run_single(clock, c.seconds, first.next);
    EXPECT_EQ(second.error, 0u);
    EXPECT_EQ(second.next, 0);
    EXPECT_EQ(first.out + second.out, c.expected) << c.minutes << ", " << c.seconds;
  }
}

// The seconds field shows the value rounded half up at the third decimal. A float times
// 1000 is exact in long double, so this oracle needs no decimal text at all.
std::string expected_seconds(float s) {
  long long thousandths = static_cast<long long>(std::floor(static_cast<long double>(s) * 1000 + 0.5L));
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%2lld.%03lld", thousandths / 1000, thousandths % 1000);
  return buffer;
}

void check_clock(float m, float s) {
  Laid first = run_single(" ###:##.###", m, 0);
  Laid second = run_single(" ###:##.###", s, first.next);
  std::string shown = first.out + second.out;
  ASSERT_EQ(shown.size(), 11u) << m << ":" << s << " gave '" << shown << "'";
  ASSERT_EQ(shown.substr(5), expected_seconds(s)) << "seconds " << s;
  if (s < 59.9995f) {
    ASSERT_EQ(shown.find("60.000"), std::string::npos) << s;
  }
}

TEST(PictureClock, ElevenCharactersAndCorrectRoundingAcrossAMinute) {
  // Every float in the last hundredth before 60, where 60.000 may first appear.
  for (float s = 59.99f; s < 60.0f; s = std::nextafter(s, 61.0f)) check_clock(7, s);
  // A spread of floats over [0, 60) for every minute 0 to 9.
  uint32_t top;
  const float sixty = 60.0f;
  std::memcpy(&top, &sixty, sizeof top);
  for (uint32_t bits = 0; bits < top; bits += 104729) {
    float s;
    std::memcpy(&s, &bits, sizeof s);
    for (int m = 0; m <= 9; ++m) check_clock(static_cast<float>(m), s);
  }
  // Ties at the third decimal round up: k + 0.0005 is exact for some k in binary.
  check_clock(0, 0.0625f);  // 0.063
  EXPECT_EQ(expected_seconds(0.0625f), " 0.063");
}

TEST(PictureTemplate, OneFieldServesConsecutiveCalls) {
  const std::string picture = "x##y##z";
  Laid one = run_single(picture, 1, 0);
  EXPECT_EQ(one.out, "x 1y");
  EXPECT_EQ(one.next, 4);
  Laid two = run_single(picture, 2, one.next);
  EXPECT_EQ(two.out, " 2z");
  EXPECT_EQ(two.next, 0);
  Laid three = run_single(picture, 3, two.next);
  EXPECT_EQ(three.out, "x 3y");
  EXPECT_EQ(three.next, 4);
}

TEST(PictureTemplate, LiteralTextAndEscapes) {
  EXPECT_EQ(run_single("_#_##", 7).out, "##7");
  EXPECT_EQ(run_single("##_", 7).out, " 7_");  // '_' as the last byte is itself
  EXPECT_EQ(run_single("$ +. ##", 7).out, "$ +.  7");
  EXPECT_EQ(run_single("*##", 7).out, "* 7");
}

TEST(PictureTemplate, WrapsToTheStartForTheNextValue) {
  // Called past the last field, the walk wraps and fills the first field.
  Laid r = run_single("a##b", 9, 3);
  EXPECT_EQ(r.out, "ba 9b");
  EXPECT_EQ(r.next, 0);
  EXPECT_EQ(r.error, 0u);
}

TEST(PictureStrings, StringFields) {
  struct Case {
    const char* picture;
    const char* value;
    const char* expected;
  };
  const Case cases[] = {
      {"[&]", "hello", "[hello]"}, {"[!]", "hello", "[h]"},   {"[!]", "", "[ ]"},
      {"[\\\\]", "hello", "[he]"}, {"[\\  \\]", "hi", "[hi  ]"}, {"[\\  \\]", "", "[    ]"},
  };
  for (const Case& c : cases) {
    Laid r = run_text(c.picture, c.value);
    EXPECT_EQ(r.out, c.expected) << c.picture;
    EXPECT_EQ(r.error, 0u);
  }
}

TEST(PictureErrors, BadTemplatesAndMismatchedValues) {
  DigitString five = digits("5", 0);
  struct Case {
    const char* picture;
    bool string_value;
    int32_t position;
    ErrorCode error;
    const char* appended;
  };
  const Case cases[] = {
      {"", false, 0, kErrIllegalFunctionCall, ""},
      {"abc", false, 0, kErrIllegalFunctionCall, "abc"},
      {"abc", true, 0, kErrIllegalFunctionCall, "abc"},
      {". $ * +", false, 0, kErrIllegalFunctionCall, ". $ * +"},
      // Started past the start, a template without a field is walked once round, not for ever.
      {"abc", false, 1, kErrIllegalFunctionCall, "bcabc"},
      {"ab##", true, 0, kErrTypeMismatch, "ab"},
      {"[\\ ]", true, 0, kErrIllegalFunctionCall, "[\\ ]"},  // no closing backslash
      {"ab&", false, 0, kErrTypeMismatch, "ab"},
      {"ab!", false, 0, kErrTypeMismatch, "ab"},
      {"##", false, -1, kErrIllegalFunctionCall, ""},
      {"##", false, 2, kErrIllegalFunctionCall, ""},
  };
  for (const Case& c : cases) {
    std::string text = "text";
    Laid r = c.string_value ? run_text(c.picture, text, c.position)
                           : run_digits(c.picture, five, c.position);
    EXPECT_EQ(r.error, c.error) << "'" << c.picture << "' at " << c.position;
    EXPECT_EQ(r.next, 0);
    EXPECT_EQ(r.out, c.appended) << "'" << c.picture << "'";
  }
}

TEST(PictureErrors, NullTemplate) {
  DigitString five = digits("5", 0);
  std::string out;
  PictureResult r = format_picture(nullptr, 3, PictureValue{&five, nullptr, 0}, 0, 'E', out);
  EXPECT_EQ(r.error, kErrIllegalFunctionCall);
  EXPECT_TRUE(out.empty());
}

TEST(DigitStrings, FloatingFrontEnds) {
  DigitString d;
  ASSERT_TRUE(digits_of_double(0.5, d));
  EXPECT_EQ(d.digits.size(), 256u);
  EXPECT_EQ(d.digits.substr(0, 3), "500");
  EXPECT_EQ(d.exponent, -256);
  EXPECT_FALSE(d.negative);
  ASSERT_TRUE(digits_of_double(-0.0, d));
  EXPECT_TRUE(d.negative);
  EXPECT_FALSE(digits_of_double(INFINITY, d));
  EXPECT_FALSE(digits_of_double(-INFINITY, d));
  EXPECT_FALSE(digits_of_double(NAN, d));
  EXPECT_FALSE(digits_of_extended(INFINITY, d));
  EXPECT_FALSE(digits_of_extended(NAN, d));
  // Huge extended values keep 1,024 digits and their magnitude.
  ASSERT_TRUE(digits_of_extended(1e4000L, d));
  EXPECT_EQ(d.digits.size(), kMaxDigitStringLength);
  char integer_part[4096 + 8];
  int integer_digits = std::snprintf(integer_part, sizeof integer_part, "%.0Lf", 1e4000L);
  EXPECT_EQ(d.exponent + static_cast<int64_t>(d.digits.size()), integer_digits);
  EXPECT_EQ(d.digits[0], integer_part[0]);
}

TEST(DigitStrings, ExtendedValuesBelowOneLayOutLikeTheOthers) {
  struct Case {
    const char* picture;
    long double value;
    const char* expected;
  };
  const Case cases[] = {
      {"#.##", 0.5L, "0.50"},       {"#.##", -0.5L, "-.50"},
      {".##", 0.25L, ".25"},         {"##.##", 0.125L, " 0.13"},
      {"#.##^^^^", 0.5L, "0.50F+00"}, {"##.##^^^^", 0.05L, " 5.00F-02"},
      {".##", 0.0L, ".00"},          {"###.#", 123.25L, "123.3"}, {"###.#", 123.45L, "123.4"},
  };
  for (const Case& c : cases) {
    DigitString d;
    ASSERT_TRUE(digits_of_extended(c.value, d));
    EXPECT_EQ(run_digits(c.picture, d, 0, 'F').out, c.expected) << c.picture;
  }
}

}  // namespace
}  // namespace rt::bytes
