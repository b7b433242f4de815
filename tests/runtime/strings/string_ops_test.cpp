#include "runtime/strings/string_ops.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/strings/string_storage.h"
#include "tests/runtime/strings/string_test_values.h"

namespace rt {
namespace {


// The three kinds of argument reuse-or-copy tells apart.
enum class Kind { Variable, PlainTemporary, Literal };
const Kind kKinds[] = {Kind::Variable, Kind::PlainTemporary, Kind::Literal};
const char* name(Kind k) {
  return k == Kind::Variable ? "variable" : k == Kind::PlainTemporary ? "plain temporary" : "literal";
}

class StringOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initialise_string_storage();
    mark_ = temporary_mark();
  }
  void TearDown() override {
    release_temporaries(mark_, nullptr);
    EXPECT_EQ(temporary_mark(), mark_);
    EXPECT_EQ(check_string_storage_invariants(), "");
  }
  int32_t mark_ = 0;
};

struct Case {
  const char* what;
  std::function<StringValue*(StringValue*)> op;
  std::string input;
  std::string expected;
};

// Checks the result and the ownership rule for every kind of argument.
void check_reuse_or_copy(const Case& c) {
  for (Kind kind : kKinds) {
    SCOPED_TRACE(testing::Message() << c.what << " of '" << c.input << "' as " << name(kind));
    const int32_t mark = temporary_mark();
    const std::string literal_bytes = c.input;
    StringValue* arg = kind == Kind::Literal
                           ? string_from_literal(literal_bytes.data(), static_cast<int32_t>(literal_bytes.size()))
                           : make(c.input, kind == Kind::PlainTemporary);
    StringValue* result = c.op(arg);
    EXPECT_EQ(text(result), c.expected);
    EXPECT_FALSE(error_pending());
    if (c.expected == c.input || kind == Kind::PlainTemporary) {
      EXPECT_EQ(result, arg) << "expected the argument itself";
    } else {
      EXPECT_NE(result, arg) << "expected a copy";
      EXPECT_TRUE(is_plain_temporary(result));
      if (kind == Kind::Variable) {
        EXPECT_EQ(text(arg), c.input);
      }
      EXPECT_EQ(literal_bytes, c.input);
    }
    release_temporaries(mark, nullptr);
    EXPECT_EQ(temporary_mark(), mark);
    EXPECT_EQ(check_string_storage_invariants(), "");
  }
}

TEST_F(StringOpsTest, CaseConversionAndTrimming) {
  const auto upper = [](StringValue* s) { return string_upper(s); };
  const auto lower = [](StringValue* s) { return string_lower(s); };
  const auto trim_left = [](StringValue* s) { return string_trim_left(s); };
  const auto trim_right = [](StringValue* s) { return string_trim_right(s); };
  const Case cases[] = {
      {"upper", upper, "go north", "GO NORTH"},
      {"upper", upper, "ABC 1", "ABC 1"},
      {"upper", upper, "", ""},
      {"upper", upper, "`az{\xe9", "`AZ{\xe9"},  // only a-z; neighbours and high bytes stay
      {"lower", lower, "NoRTH", "north"},
      {"lower", lower, "@[abc", "@[abc"},
      {"trim_left", trim_left, "  a b ", "a b "},
      {"trim_left", trim_left, "abc", "abc"},
      {"trim_left", trim_left, "   ", ""},
      {"trim_left", trim_left, "\t x", "\t x"},  // a tab is not a space
      {"trim_right", trim_right, " a  ", " a"},
      {"trim_right", trim_right, "   ", ""},
      {"trim_right", trim_right, "a\t", "a\t"},
      {"trim_right", trim_right, "", ""},
  };
  for (const Case& c : cases) check_reuse_or_copy(c);
}

TEST_F(StringOpsTest, ExtractionClampsCountsAndPositions) {
  const auto left = [](int32_t n) { return [n](StringValue* s) { return string_left(s, n); }; };
  const auto right = [](int32_t n) { return [n](StringValue* s) { return string_right(s, n); }; };
  const auto mid = [](int32_t start, int32_t count) {
    return [=](StringValue* s) { return string_mid(s, start, count, true); };
  };
  const auto mid_from = [](int32_t start) {
    return [=](StringValue* s) { return string_mid(s, start, 0, false); };
  };
  const Case cases[] = {
      {"left -1", left(-1), "HELLO", ""},
      {"left 0", left(0), "HELLO", ""},
      {"left 2", left(2), "HELLO", "HE"},
      {"left 5", left(5), "HELLO", "HELLO"},
      {"left 9", left(9), "HELLO", "HELLO"},
      {"right 2", right(2), "HELLO", "LO"},
      {"right -5", right(-5), "HELLO", ""},
      {"right max", right(INT32_MAX), "HELLO", "HELLO"},
      {"mid 0,3", mid(0, 3), "ABCDE", "AB"},
      {"mid -1,4", mid(-1, 4), "ABCDE", "AB"},
      {"mid 2,2", mid(2, 2), "ABCDE", "BC"},
      {"mid 5,1", mid(5, 1), "ABCDE", "E"},
      {"mid 4,100", mid(4, 100), "ABCDE", "DE"},
      {"mid 1,5", mid(1, 5), "ABCDE", "ABCDE"},
      {"mid 1,max", mid(1, INT32_MAX), "ABCDE", "ABCDE"},
      {"mid 3,0", mid(3, 0), "ABCDE", ""},
      {"mid 6,1", mid(6, 1), "ABCDE", ""},
      {"mid min,3", mid(INT32_MIN, 3), "ABCDE", ""},
      {"mid max,max", mid(INT32_MAX, INT32_MAX), "ABCDE", ""},
      {"mid from 2", mid_from(2), "ABCDE", "BCDE"},
      {"mid from 6", mid_from(6), "ABCDE", ""},
      {"mid from -3", mid_from(-3), "ABCDE", "ABCDE"},
      {"mid from max", mid_from(INT32_MAX), "ABCDE", ""},
  };
  for (const Case& c : cases) check_reuse_or_copy(c);
}

TEST_F(StringOpsTest, ConstructionFromCountsAndCodes) {
  struct Built {
    StringValue* s;
    std::string expected;
  };
  const Built cases[] = {
      {string_spaces(3), "   "},
      {string_spaces(-4), ""},
      {string_repeat(3, 'x'), "xxx"},
      {string_repeat(2, 0x141), "AA"},  // low 8 bits of the code
      {string_repeat(-1, 'x'), ""},
      {string_from_code(0), std::string(1, '\0')},
      {string_from_code(255), "\xff"},
      {string_from_code_pair(0x101, 0x1234), std::string("\x01\x34\x12", 3)},
      {string_from_code_pair(7, -1), std::string("\x07\xff\xff", 3)},
  };
  for (const Built& b : cases) {
    EXPECT_EQ(text(b.s), b.expected);
    EXPECT_TRUE(is_plain_temporary(b.s));
  }
  EXPECT_FALSE(error_pending());
}

TEST_F(StringOpsTest, FromCodeOutsideAByteRaisesFiveAndGivesAnEmptyString) {
  for (int32_t code : {256, -1, INT32_MIN, INT32_MAX}) {
    clear_pending_error();
    StringValue* s = string_from_code(code);
    EXPECT_EQ(s->length, 0) << code;
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall) << code;
  }
  clear_pending_error();
}

TEST_F(StringOpsTest, Find) {
  struct Search {
    std::string s;
    std::string pattern;
    int32_t start;
    bool start_given;
    int32_t expected;
  };
  const Search cases[] = {
      {"ABCB", "B", 3, true, 4},      {"ABCB", "B", 5, true, 0},     {"ABCB", "B", 0, false, 2},
      {"ABC", "", 0, false, 1},       {"ABC", "", 2, true, 2},       {"ABC", "", 0, true, 0},
      {"ABC", "", 4, true, 0},        {"", "", 0, false, 0},         {"", "A", 1, true, 0},
      {"ABC", "CD", 1, true, 0},      {"ABCBC", "BC", 3, true, 4},   {"ABCBC", "BC", -7, true, 2},
      {"AB", "ABC", 1, true, 0},      {"AAAB", "AAB", 1, true, 2},   {"a\x80z", "\x80", 1, true, 2},
      {"ABC", "C", INT32_MAX, true, 0}, {"ABC", "A", INT32_MIN, true, 1},
  };
  for (const Search& c : cases) {
    StringValue* s = string_from_literal(c.s.data(), static_cast<int32_t>(c.s.size()));
    StringValue* p = string_from_literal(c.pattern.data(), static_cast<int32_t>(c.pattern.size()));
    EXPECT_EQ(string_find(c.start, s, p, c.start_given), c.expected)
        << "'" << c.pattern << "' in '" << c.s << "' from " << c.start;
    EXPECT_EQ(s->length, static_cast<int32_t>(c.s.size()));  // numbers never consume arguments
  }
  EXPECT_FALSE(error_pending());
}

TEST_F(StringOpsTest, OverwriteKeepsTheTargetLength) {
  struct Write {
    int32_t start;
    std::string source;
    int32_t count;
    bool count_given;
    std::string expected;
  };
  const Write cases[] = {
      {4, "XYZ", 0, false, "HELXY"}, {1, "XYZ", 0, false, "XYZLO"}, {0, "XYZ", 0, false, "YZLLO"},
      {-5, "XYZ", 0, false, "HELLO"}, {6, "XYZ", 0, false, "HELLO"}, {2, "XYZ", 1, true, "HXLLO"},
      {2, "XYZ", 0, true, "HELLO"},  {2, "XYZ", -3, true, "HELLO"}, {2, "XYZ", 99, true, "HXYZO"},
      {1, "", 0, false, "HELLO"},    {-1, "XYZ", 5, true, "ZELLO"}, {INT32_MIN, "XYZ", INT32_MAX, true, "HELLO"},
  };
  for (const Write& c : cases) {
    StringValue* target = make("HELLO", false);
    StringValue* source = string_from_literal(c.source.data(), static_cast<int32_t>(c.source.size()));
    string_overwrite(target, c.start, c.count, source, c.count_given);
    EXPECT_EQ(text(target), c.expected) << "from " << c.start << " with '" << c.source << "'";
  }
  // Writing a string over itself moves the overlapping bytes correctly.
  StringValue* same = make("HELLO", false);
  string_overwrite(same, 3, 0, same, false);
  EXPECT_EQ(text(same), "HEHEL");
  string_overwrite(same, 1, 0, same, false);
  EXPECT_EQ(text(same), "HEHEL");
  // The shared empty string is never written.
  string_overwrite(shared_empty_string(), 1, 0, string_from_c_text("X"), false);
  EXPECT_EQ(shared_empty_string()->length, 0);
  EXPECT_FALSE(error_pending());
}

TEST_F(StringOpsTest, ComparisonsUseUnsignedByteOrder) {
  struct Pair {
    std::string a;
    std::string b;
    int order;  // -1 a < b, 0 equal, 1 a > b
  };
  const Pair cases[] = {{"AB", "ABC", -1}, {"ABC", "AB", 1}, {"AB", "AB", 0},     {"", "", 0},
                        {"", "A", -1},     {"B", "AZ", 1},   {"\x80", "z", 1},    {"a", "A", 1},
                        {std::string("A\0B", 3), std::string("A\0C", 3), -1}};
  for (const Pair& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.a << "' vs '" << c.b << "'");
    StringValue* a = make(c.a, false);
    StringValue* b = make(c.b, true);
    const auto truth = [](bool v) { return v ? -1 : 0; };
    EXPECT_EQ(string_equal(a, b), truth(c.order == 0));
    EXPECT_EQ(string_not_equal(a, b), truth(c.order != 0));
    EXPECT_EQ(string_less(a, b), truth(c.order < 0));
    EXPECT_EQ(string_greater(a, b), truth(c.order > 0));
    EXPECT_EQ(string_less_equal(a, b), truth(c.order <= 0));
    EXPECT_EQ(string_greater_equal(a, b), truth(c.order >= 0));
    EXPECT_EQ(text(b), c.b);  // still enrolled and intact
  }
}

TEST_F(StringOpsTest, CodesAndLength) {
  StringValue* s = make("AZ\xff", true);
  EXPECT_EQ(string_code(s), 'A');
  EXPECT_EQ(string_code_at(s, 3), 0xff);
  EXPECT_EQ(string_length(s), 3);
  EXPECT_FALSE(error_pending());
  const std::vector<std::function<int32_t()>> failing = {
      [] { return string_code(string_from_c_text("")); },
      [&] { return string_code_at(s, 0); },
      [&] { return string_code_at(s, 4); },
      [&] { return string_code_at(s, INT32_MIN); },
  };
  for (const auto& call : failing) {
    clear_pending_error();
    EXPECT_EQ(call(), 0);
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
  }
  clear_pending_error();
}

TEST_F(StringOpsTest, FillLeftAndRight) {
  struct Fill {
    std::string source;
    std::string left;
    std::string right;
  };
  const Fill cases[] = {{"ab", "ab   ", "   ab"}, {"", "     ", "     "}, {"abcde", "abcde", "abcde"},
                        {"abcdefg", "abcde", "abcde"}};
  for (const Fill& c : cases) {
    StringValue* target = make("-----", false);
    string_fill_left(target, string_from_literal(c.source.data(), static_cast<int32_t>(c.source.size())));
    EXPECT_EQ(text(target), c.left);
    string_fill_right(target, make(c.source, true));
    EXPECT_EQ(text(target), c.right);
    EXPECT_EQ(target->length, 5);
  }
  StringValue* self = make("ab ", false);
  string_fill_right(self, self);
  EXPECT_EQ(text(self), "ab ");
}

// A chain on a plain temporary works in place: no new heap string at any step.
TEST_F(StringOpsTest, ChainOnATemporaryNeverCopies) {
  StringValue* t = make("   go north   ", true);
  const int32_t heap_strings = string_storage_stats().heap_list_count;
  StringValue* r = string_left(string_upper(string_trim_left(string_trim_right(t))), 5);
  EXPECT_EQ(r, t);
  EXPECT_EQ(text(r), "GO NO");
  EXPECT_EQ(string_storage_stats().heap_list_count, heap_strings);
}

TEST_F(StringOpsTest, WritesIntoBytesOwnedElsewhereAreRefused) {
  static const char kLiteral[] = "LITERAL";
  StringValue* lit = string_from_literal(kLiteral, 7);
  const std::vector<std::function<void()>> writes = {
      [&] { string_overwrite(lit, 1, 0, string_from_c_text("X"), false); },
      [&] { string_fill_left(lit, string_from_c_text("X")); },
      [&] { string_fill_right(lit, string_from_c_text("X")); },
  };
  for (const auto& write : writes) {
    clear_pending_error();
    write();
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
    EXPECT_STREQ(kLiteral, "LITERAL");
  }
  clear_pending_error();
}

TEST_F(StringOpsTest, NullArgumentsRaiseFiveAndGiveNeutralValues) {
  const std::vector<std::function<void()>> calls = {
      [] { EXPECT_EQ(string_upper(nullptr)->length, 0); },
      [] { EXPECT_EQ(string_mid(nullptr, 1, 1, true)->length, 0); },
      [] { EXPECT_EQ(string_trim_right(nullptr)->length, 0); },
      [] { EXPECT_EQ(string_find(1, string_from_c_text("a"), nullptr, false), 0); },
      [] { EXPECT_EQ(string_equal(nullptr, string_from_c_text("")), 0); },
      [] { EXPECT_EQ(string_length(nullptr), 0); },
      [] { string_overwrite(nullptr, 1, 1, string_from_c_text("a"), true); },
      [] { string_fill_left(string_new(2, true), nullptr); },
  };
  for (const auto& call : calls) {
    clear_pending_error();
    call();
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
  }
  clear_pending_error();
}

// With an error pending, string results are empty temporaries, numbers 0, and writes do
// nothing; the arguments are left for release_temporaries.
TEST_F(StringOpsTest, OperationsReturnAtOnceWhileAnErrorIsPending) {
  StringValue* v = make("abc", false);
  StringValue* t = make("xyz", true);
  raise_error(kErrOverflow);
  EXPECT_EQ(string_upper(t)->length, 0);
  EXPECT_EQ(text(t), "xyz");
  EXPECT_EQ(string_left(v, 1)->length, 0);
  EXPECT_EQ(string_spaces(4)->length, 0);
  EXPECT_EQ(string_find(1, v, t, false), 0);
  string_overwrite(v, 1, 0, t, false);
  string_fill_right(v, t);
  EXPECT_EQ(text(v), "abc");
  EXPECT_EQ(pending_error(), kErrOverflow);
  clear_pending_error();
}

}  // namespace
}  // namespace rt
