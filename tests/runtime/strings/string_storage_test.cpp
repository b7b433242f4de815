#include "runtime/strings/string_storage.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"

namespace rt {
namespace {

std::string text(const StringValue* s) {
  return std::string(reinterpret_cast<const char*>(s->data), static_cast<size_t>(s->length));
}

StringValue* variable(const std::string& value) {
  StringValue* s = string_new(static_cast<int32_t>(value.size()), false);
  value.copy(reinterpret_cast<char*>(s->data), value.size());
  return s;
}

StringValue* temporary(const std::string& value) {
  StringValue* s = string_new(static_cast<int32_t>(value.size()), true);
  value.copy(reinterpret_cast<char*>(s->data), value.size());
  return s;
}

class StringStorageTest : public ::testing::Test {
 protected:
  void SetUp() override { initialise_string_storage(); }
  void TearDown() override { EXPECT_EQ(check_string_storage_invariants(), ""); }
};

TEST_F(StringStorageTest, AssigningATemporaryTakesOverItsBytesWithoutCopying) {
  const int32_t mark = temporary_mark();
  StringValue* v = variable("old");
  StringValue* t = temporary("a longer value");
  const uint8_t* bytes = t->data;
  EXPECT_EQ(string_assign(v, t), v);
  EXPECT_EQ(v->data, bytes);
  EXPECT_EQ(text(v), "a longer value");
  EXPECT_EQ(temporary_mark(), mark);
  EXPECT_FALSE(v->is_temporary);
}

TEST_F(StringStorageTest, ConcatJoinsAndReleasesTemporaryOperands) {
  const int32_t mark = temporary_mark();
  StringValue* v = variable("left ");
  StringValue* r = string_concat(v, string_from_c_text("right"));
  EXPECT_EQ(text(r), "left right");
  EXPECT_EQ(text(v), "left ");
  release_temporaries(mark, nullptr);
  EXPECT_EQ(temporary_mark(), mark);
}

}  // namespace
}  // namespace rt
