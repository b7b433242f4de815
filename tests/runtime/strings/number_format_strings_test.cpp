// The StringValue front ends of the number formatting: appending to the output variable,
// the error paths through raise_error, and the plain conversions as temporaries.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/strings/number_format.h"
#include "runtime/strings/number_text.h"
#include "runtime/strings/string_storage.h"
#include "tests/runtime/strings/string_test_values.h"

namespace rt {
namespace {


class NumberFormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initialise_string_storage();
    clear_pending_error();
  }
  void TearDown() override {
    clear_pending_error();
    EXPECT_EQ(check_string_storage_invariants(), "");
  }
};

TEST_F(NumberFormatTest, ClockAppendsToTheOutputVariableAcrossStatements) {
  StringValue* picture = make(" ###:##.###", false);
  StringValue* output = make("T", false);
  const int32_t mark = temporary_mark();
  int32_t next = format_picture_single(picture, 12.0f, 0, output);
  EXPECT_EQ(next, 5);
  release_temporaries(mark, nullptr);
  next = format_picture_single(picture, 59.999f, next, output);
  EXPECT_EQ(next, 0);
  release_temporaries(mark, nullptr);
  EXPECT_EQ(text(output), "T  12:59.999");
  EXPECT_FALSE(output->is_temporary);
  EXPECT_EQ(text(picture), " ###:##.###");
  EXPECT_EQ(pending_error(), 0u);
}

TEST_F(NumberFormatTest, EachFrontEndLaysOutItsValueWithItsExponentLetter) {
  StringValue* picture = make("##.##^^^^|", false);
  StringValue* output = make("", false);
  format_picture_int64(picture, -12345, 0, output);
  format_picture_uint64(picture, 12345, 0, output);
  format_picture_single(picture, 12345.0f, 0, output);
  format_picture_double(picture, 12345.0, 0, output);
  format_picture_extended(picture, 12345.0L, 0, output);
  EXPECT_EQ(text(output), "-1.23E+04| 1.23E+04| 1.23E+04| 1.23D+04| 1.23F+04|");
  StringValue* strings = make("<\\  \\>", false);
  StringValue* out2 = make("", false);
  format_picture_string(strings, make("abcdef", true), 0, out2);
  EXPECT_EQ(text(out2), "<abcd>");
  EXPECT_EQ(pending_error(), 0u);
}

TEST_F(NumberFormatTest, TemplateMayBeTheOutputVariableItself) {
  StringValue* both = make("##", false);
  EXPECT_EQ(format_picture_single(both, 5.0f, 0, both), 0);
  EXPECT_EQ(text(both), "## 5");
}

TEST_F(NumberFormatTest, MismatchedValueRaises13AndKeepsTheTextBeforeIt) {
  StringValue* output = make("", false);
  EXPECT_EQ(format_picture_string(make("ab##", false), make("x", true), 0, output), 0);
  EXPECT_EQ(pending_error(), kErrTypeMismatch);
  EXPECT_EQ(text(output), "ab");
  clear_pending_error();
  StringValue* out2 = make("", false);
  EXPECT_EQ(format_picture_int64(make("ab&", false), 5, 0, out2), 0);
  EXPECT_EQ(pending_error(), kErrTypeMismatch);
  EXPECT_EQ(text(out2), "ab");
}

TEST_F(NumberFormatTest, TemplateWithoutAFieldRaises5AfterItsText) {
  StringValue* output = make("", false);
  EXPECT_EQ(format_picture_double(make("abc", false), 1.0, 0, output), 0);
  EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
  EXPECT_EQ(text(output), "abc");
}

TEST_F(NumberFormatTest, EmptyTemplateAndBadArgumentsRaise5AndAppendNothing) {
  StringValue* output = make("keep", false);
  StringValue* empty = make("", false);
  StringValue* field = make("##", false);
  const auto calls = {
      +[](StringValue* p, StringValue* o) { return format_picture_single(p, 1.0f, 0, o); },
      +[](StringValue* p, StringValue* o) { return format_picture_int64(p, 1, 0, o); },
      +[](StringValue* p, StringValue* o) { return format_picture_single(p, 1.0f, 7, o); },
      +[](StringValue* p, StringValue* o) { return format_picture_single(p, 1.0f, -1, o); },
  };
  for (auto call : calls) {
    EXPECT_EQ(call(empty, output), 0);
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
    clear_pending_error();
  }
  EXPECT_EQ(format_picture_single(field, 1.0f, 7, output), 0);
  EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
  clear_pending_error();
  EXPECT_EQ(format_picture_single(nullptr, 1.0f, 0, output), 0);
  EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
  clear_pending_error();
  EXPECT_EQ(format_picture_single(field, 1.0f, 0, nullptr), 0);
  EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
  clear_pending_error();
  EXPECT_EQ(format_picture_string(field, nullptr, 0, output), 0);
  EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
  EXPECT_EQ(text(output), "keep");
  EXPECT_EQ(text(field), "##");
}

TEST_F(NumberFormatTest, NonFiniteValuesRaise5AndAppendNothing) {
  StringValue* picture = make("x##", false);
  StringValue* output = make("keep", false);
  const float fi = std::numeric_limits<float>::infinity();
  const double dn = std::numeric_limits<double>::quiet_NaN();
  const long double li = -std::numeric_limits<long double>::infinity();
  const auto calls = {
      +[](StringValue* p, StringValue* o, float f, double, long double) {
        return format_picture_single(p, f, 0, o);
      },
      +[](StringValue* p, StringValue* o, float f, double, long double) {
        return format_picture_single(p, -f, 0, o);
      },
      +[](StringValue* p, StringValue* o, float, double d, long double) {
        return format_picture_double(p, d, 0, o);
      },
      +[](StringValue* p, StringValue* o, float, double d, long double) {
        return format_picture_extended(p, static_cast<long double>(d), 0, o);
      },
      +[](StringValue* p, StringValue* o, float, double, long double l) {
        return format_picture_extended(p, l, 0, o);
      },
  };
  for (auto call : calls) {
    EXPECT_EQ(call(picture, output, fi, dn, li), 0);
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
    EXPECT_EQ(text(output), "keep");
    clear_pending_error();
  }
}

TEST_F(NumberFormatTest, NothingRunsWhileAnErrorIsPending) {
  StringValue* picture = make("##", false);
  StringValue* output = make("keep", false);
  raise_error(kErrOverflow);
  EXPECT_EQ(format_picture_int64(picture, 1, 0, output), 0);
  EXPECT_EQ(format_picture_uint64(picture, 1, 0, output), 0);
  EXPECT_EQ(format_picture_single(picture, 1, 0, output), 0);
  EXPECT_EQ(format_picture_double(picture, 1, 0, output), 0);
  EXPECT_EQ(format_picture_extended(picture, 1, 0, output), 0);
  EXPECT_EQ(format_picture_string(make("&", false), make("s", true), 0, output), 0);
  EXPECT_EQ(text(output), "keep");
  EXPECT_EQ(text_to_number(make("12", true)), 0);
  EXPECT_EQ(int32_to_text(5)->length, 0);
  EXPECT_EQ(hex_text(255)->length, 0);
  EXPECT_EQ(pending_error(), kErrOverflow);
}

TEST_F(NumberFormatTest, PlainConversionsGiveTemporaries) {
  const struct {
    StringValue* value;
    const char* expected;
  } cases[] = {
      {int64_to_text(-123), "-123"},   {int32_to_text(123), " 123"},
      {int16_to_text(-32768), "-32768"}, {int8_to_text(-128), "-128"},
      {uint64_to_text(7), " 7"},       {uint32_to_text(4294967295u), " 4294967295"},
      {uint16_to_text(65535), " 65535"}, {uint8_to_text(255), " 255"},
      {single_to_text(0.5f), " .5"},   {double_to_text(1.5e20), " 1.5D+20"},
      {extended_to_text(434.99999999999994L), " 435"}, {extended_to_text(1e400L), " INF"},
      {octal_text(8), "10"},           {hex_text(-1), "FFFFFFFF"},
  };
  for (const auto& c : cases) {
    ASSERT_NE(c.value, nullptr);
    EXPECT_TRUE(c.value->is_temporary) << c.expected;
    EXPECT_EQ(text(c.value), c.expected);
  }
  EXPECT_EQ(text_to_number(make(" 1 2 ", true)), 12);
  EXPECT_EQ(text_to_number(nullptr), 0);
  EXPECT_EQ(pending_error(), 0u);
}

TEST_F(NumberFormatTest, OverflowingRadixConversionsRaise6) {
  StringValue* hex = hex_text(1e19L);
  EXPECT_EQ(pending_error(), kErrOverflow);
  EXPECT_EQ(hex->length, 0);
  clear_pending_error();
  StringValue* octal = octal_text(-9223372036854775808.0L);
  EXPECT_EQ(pending_error(), kErrOverflow);
  EXPECT_EQ(octal->length, 0);
  clear_pending_error();
  EXPECT_EQ(text_to_number(make("&H1234567890ABCDEF0", true)), 0);
  EXPECT_EQ(pending_error(), kErrOverflow);
  clear_pending_error();
  EXPECT_EQ(text_to_number(make("&O3777777777777777777777", true)), 0);
  EXPECT_EQ(pending_error(), kErrOverflow);
}

}  // namespace
}  // namespace rt
