// The plain conversions on byte buffers: standard texts of integers and floating values,
// octal and hexadecimal digits, text_to_number and rounding to integers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/strings/number_text.h"

namespace rt {
namespace {

TEST(IntegerText, SignPositionThenDigits) {
  EXPECT_EQ(bytes::int64_to_text(123), " 123");
  EXPECT_EQ(bytes::int64_to_text(-123), "-123");
  EXPECT_EQ(bytes::int64_to_text(0), " 0");
  EXPECT_EQ(bytes::int64_to_text(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(bytes::uint64_to_text(0), " 0");
  EXPECT_EQ(bytes::uint64_to_text(UINT64_MAX), " 18446744073709551615");
}

struct FloatCase {
  double value;
  const char* expected;
};

TEST(SingleText, SevenSignificantDigits) {
  const FloatCase cases[] = {
      {0, " 0"},
      {-0.0, " 0"},
      {0.5, " .5"},
      {-0.25, "-.25"},
      {1234567, " 1234567"},
      {1E7, " 1E+07"},
      {0.0001, " .0001"},
      {1.5E-8, " 1.5E-08"},
      {3.14159265, " 3.141593"},
      {-12.5, "-12.5"},
      {1e-7, " .0000001"},
      {1e-8, " 1E-08"},
      {1.25e-8, " 1.25E-08"},
      {1e38, " 1E+38"},
      {-1.17549435e-38, "-1.175494E-38"},
      {100, " 100"},
      {0.1, " .1"},
      {9999999.0, " 9999999"},
      {16777216.0, " 1.677722E+07"},
  };
  for (const FloatCase& c : cases) {
    EXPECT_EQ(bytes::single_to_text(static_cast<float>(c.value)), c.expected) << c.value;
  }
}

TEST(DoubleText, SixteenSignificantDigitsAndTheNinesRule) {
  const FloatCase cases[] = {
      {434.99999999999994, " 435"},
      {0.1 + 0.2, " .3"},
      {1.0 / 3.0, " .3333333333333333"},
      {2.0 / 3.0, " .6666666666666666"},
      {1.5e20, " 1.5D+20"},
      {1e100, " 1D+100"},
      {-1e-100, "-1D-100"},
      {1e15, " 1000000000000000"},
      {1e16, " 1D+16"},
      {1e-16, " .0000000000000001"},
      {1e-17, " 1D-17"},
      {-2.5, "-2.5"},
      {0.0, " 0"},
      {123456789.125, " 123456789.125"},
      {std::numeric_limits<double>::max(), " 1.797693134862316D+308"},
      {std::numeric_limits<double>::denorm_min(), " 4.940656458412465D-324"},
  };
  for (const FloatCase& c : cases) {
    EXPECT_EQ(bytes::double_to_text(c.value), c.expected) << c.value;
  }
}

TEST(FloatText, NonFiniteValuesShowTheirNames) {
  EXPECT_EQ(bytes::single_to_text(std::numeric_limits<float>::infinity()), " INF");
  EXPECT_EQ(bytes::double_to_text(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(bytes::double_to_text(std::numeric_limits<double>::quiet_NaN()), " NAN");
}

struct RadixCase {
  long double value;
  const char* octal;
  const char* hex;
};

TEST(RadixText, SignificantDigitsOrTwosComplement) {
  const RadixCase cases[] = {
      {0, "0", "0"},
      {255, "377", "FF"},
      {8, "10", "8"},
      {2.5L, "2", "2"},  // ties to even
      {3.5L, "4", "4"},
      {-1, "37777777777", "FFFFFFFF"},
      {-8, "37777777770", "FFFFFFF8"},
      {-2147483648.0L, "20000000000", "80000000"},
      {-2147483649.0L, "1777777777757777777777", "FFFFFFFF7FFFFFFF"},
      {-9223372036854775807.0L, "1000000000000000000001", "8000000000000001"},
      {9223372036854775807.0L, "777777777777777777777", "7FFFFFFFFFFFFFFF"},
  };
  for (const RadixCase& c : cases) {
    std::string octal, hex;
    ASSERT_TRUE(bytes::octal_text(c.value, octal)) << static_cast<double>(c.value);
    ASSERT_TRUE(bytes::hex_text(c.value, hex));
    EXPECT_EQ(octal, c.octal) << static_cast<double>(c.value);
    EXPECT_EQ(hex, c.hex) << static_cast<double>(c.value);
  }
}

TEST(RadixText, MagnitudesFrom2To63Overflow) {
  const long double two63 = 9223372036854775808.0L;
  const long double cases[] = {two63, -two63, two63 - 0.5L, 1e30L,
                               std::numeric_limits<long double>::infinity(),
                               std::numeric_limits<long double>::quiet_NaN()};
  for (long double v : cases) {
    std::string out = "untouched";
    EXPECT_FALSE(bytes::hex_text(v, out)) << static_cast<double>(v);
    EXPECT_FALSE(bytes::octal_text(v, out));
    EXPECT_EQ(out, "untouched");
  }
}

struct NumberCase {
  const char* text;
  long double expected;
  bool overflow;
};

TEST(TextToNumber, DecimalAndRadixTexts) {
  const NumberCase cases[] = {
      {"", 0, false},
      {" 1 2 ", 12, false},
      {"-1.5e2", -150, false},
      {"12abc", 12, false},
      {".5", 0.5L, false},
      {"&H10", 16, false},
      {"-&H10", 0, false},
      {"&H", 0, false},
      {"&", 0, false},
      {"&H ", 0, false},
      {"&h1f", 31, false},
      {"  &H10", 16, false},
      {"& H 1 0", 16, false},
      {"&HFFFF", 65535, false},
      {"&HFFFFFFFFFFFFFFFF", -1, false},
      {"&H00000000000000000001", 1, false},  // leading zeros are not significant
      {"&H10000000000000000", 0, true},
      {"&O17", 15, false},
      {"&o1777777777777777777777", -1, false},
      {"&O777777777777777777777", 9223372036854775807.0L, false},
      {"&O2000000000000000000000", 0, true},
      {"&O10000000000000000000000", 0, true},
      {"&O78", 7, false},
      {"&X12", 0, false},
      {"1e3", 1000, false},
      {"1.5D+2", 150, false},
      {"2d-1", 0.2L, false},
      {"12.5.3", 12.5L, false},
      {"1e2e3", 100, false},
      {"--5", 0, false},
      {"+5", 5, false},
      {"0.00125", 0.00125L, false},
      {"000123", 123, false},
      {"12.", 12, false},
      {"1e", 1, false},
      {"1e-", 1, false},
      {".", 0, false},
      {"E5", 0, false},
      {"-0", 0, false},
      {"\t+ 7 . 2 5 E - 1", 0.725L, false},
      {"1e0000000000000000000000002", 100, false},
      {"9223372036854775808", 9223372036854775808.0L, false},
      {"-9223372036854775808", -9223372036854775808.0L, false},
      {"18446744073709551615", 18446744073709551615.0L, false},
      {"123456789012345678901234", 123456789012345678901234.0L, false},
      {"0.1", 0.1L, false},
      {"1e5000", std::numeric_limits<long double>::infinity(), false},
      {"1e-5000", 0, false},
  };
  for (const NumberCase& c : cases) {
    bytes::NumberScan r =
        bytes::text_to_number(reinterpret_cast<const uint8_t*>(c.text), std::strlen(c.text));
    EXPECT_EQ(r.value, c.expected) << "'" << c.text << "'";
    EXPECT_EQ(r.overflow, c.overflow) << "'" << c.text << "'";
  }
}

TEST(TextToNumber, NullTextIsZero) {
  bytes::NumberScan r = bytes::text_to_number(nullptr, 5);
  EXPECT_EQ(r.value, 0);
  EXPECT_FALSE(r.overflow);
}

TEST(TextToNumber, ScanIsBoundedByTheLengthNotATerminator) {
  // Only the first two bytes belong to the text; the rest of the buffer must not be read.
  const char buffer[] = "12345";
  bytes::NumberScan r = bytes::text_to_number(reinterpret_cast<const uint8_t*>(buffer), 2);
  EXPECT_EQ(r.value, 12);
}

TEST(Rounding, NearestWithTiesToEven) {
  const struct {
    double value;
    int32_t expected;
  } cases32[] = {
      {2.5, 2},          {3.5, 4},       {-2.5, -2},          {-3.5, -4},
      {0.49999999999999994, 0},          {2147483647.4, 2147483647},
      {-2147483648.4, INT32_MIN},        {2147483647.5, INT32_MIN},
      {1e10, INT32_MIN}, {-1e10, INT32_MIN},
      {std::numeric_limits<double>::quiet_NaN(), INT32_MIN},
  };
  for (const auto& c : cases32) EXPECT_EQ(round_to_int32(c.value), c.expected) << c.value;
  EXPECT_EQ(round_to_int32(2.5f), 2);

  const struct {
    long double value;
    int64_t expected;
  } cases64[] = {
      {2.5L, 2},
      {3.5L, 4},
      {-2.5L, -2},
      {9223372036854775807.0L, INT64_MAX},
      {9223372036854775808.0L, INT64_MIN},
      {-9223372036854775808.0L, INT64_MIN},
      {1e30L, INT64_MIN},
      {std::numeric_limits<long double>::infinity(), INT64_MIN},
  };
  for (const auto& c : cases64) {
    EXPECT_EQ(round_to_int64(c.value), c.expected) << static_cast<double>(c.value);
  }
}

}  // namespace
}  // namespace rt
