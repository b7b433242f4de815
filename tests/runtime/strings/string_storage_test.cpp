#include "runtime/strings/string_storage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/host/host.h"
#include "tests/runtime/strings/string_test_values.h"

namespace rt {
namespace {

StringValue* variable(const std::string& value) { return make(value, false); }
StringValue* temporary(const std::string& value) { return make(value, true); }

int64_t heap_offset(const StringValue* s) { return s->data - string_storage_stats().heap_base; }

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

TEST_F(StringStorageTest, AssigningALiteralCopiesAndLeavesTheLiteralsBytesAlone) {
  static const char kLiteral[] = "NORTH";
  const int32_t mark = temporary_mark();
  StringValue* v = variable("");
  string_assign(v, string_from_literal(kLiteral, 5));
  EXPECT_EQ(text(v), "NORTH");
  EXPECT_NE(static_cast<const void*>(v->data), static_cast<const void*>(kLiteral));
  EXPECT_EQ(temporary_mark(), mark);  // the literal's temporary was consumed
  string_assign(v, string_from_c_text("up"));
  EXPECT_EQ(text(v), "up");
  EXPECT_STREQ(kLiteral, "NORTH");
}

// A variable followed by another string grows in place into its 32 bytes of slack, and no
// further; the last string of the heap grows in place up to the end of the block.
TEST_F(StringStorageTest, GrowingAVariableInPlaceOrMovingItToTheTop) {
  struct Case {
    int32_t grown_by;
    bool followed;
    bool in_place;
  };
  const Case cases[] = {{1, true, true}, {32, true, true}, {33, true, false},
                        {33, false, true}, {500000, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "grown by " << c.grown_by << (c.followed ? ", followed" : ""));
    StringValue* v = variable("0123456789");
    StringValue* after = c.followed ? variable("next") : nullptr;
    const uint8_t* before = v->data;
    const int64_t top = string_storage_stats().heap_used;
    const std::string value(static_cast<size_t>(10 + c.grown_by), 'x');
    StringValue* source = variable(value);  // not a temporary: no take-over
    if (!c.followed) {
      string_release(source);  // v must be the last string again
      source = string_fixed_length(const_cast<char*>(value.data()), static_cast<int32_t>(value.size()));
    }
    string_assign(v, source);
    EXPECT_EQ(text(v), value);
    if (c.in_place) {
      EXPECT_EQ(v->data, before);
    } else {
      // Behind the source, which was created at the old top with its slack.
      EXPECT_EQ(heap_offset(v), top + static_cast<int64_t>(value.size()) + 32);
    }
    if (after != nullptr) {
      EXPECT_EQ(text(after), "next");
    }
    EXPECT_EQ(check_string_storage_invariants(), "");
    string_release(source);
    string_release(v);
    if (after != nullptr) string_release(after);
  }
}

TEST_F(StringStorageTest, TheLastStringMovesWhenTheBlockEnds) {
  StringValue* v = variable("abc");
  const int64_t room = string_storage_stats().heap_size - heap_offset(v);
  const std::string value(static_cast<size_t>(room + 1), 'y');
  string_assign(v, string_from_literal(value.data(), static_cast<int32_t>(value.size())));
  EXPECT_EQ(text(v), value);
  EXPECT_GE(string_storage_stats().heap_growths, 1);
}

TEST_F(StringStorageTest, FixedLengthAssignmentTruncatesOrPads) {
  struct Case {
    const char* source;
    const char* expected;
  };
  const Case cases[] = {{"", "     "}, {"ab", "ab   "}, {"abcde", "abcde"}, {"abcdefgh", "abcde"}};
  for (const Case& c : cases) {
    char buffer[6] = "-----";
    StringValue* fixed = string_fixed_length(buffer, 5);
    const int32_t mark = temporary_mark();
    string_assign(fixed, temporary(c.source));
    EXPECT_EQ(std::string(buffer), c.expected) << c.source;
    EXPECT_EQ(fixed->length, 5);
    EXPECT_EQ(temporary_mark(), mark);
    string_release(fixed);
    EXPECT_EQ(std::string(buffer), c.expected);  // the caller's bytes are never freed
  }
}

TEST_F(StringStorageTest, ConcatHandsEmptyOperandsThroughAndReleasesConsumedTemporaries) {
  const int32_t mark = temporary_mark();
  StringValue* v = variable("left");
  StringValue* empty = temporary("");
  EXPECT_EQ(string_concat(v, empty), v);
  EXPECT_EQ(string_concat(empty, v), v);
  EXPECT_EQ(string_concat(shared_empty_string(), v), v);

  StringValue* joined = string_concat(temporary("one "), string_concat(v, string_from_c_text("!")));
  EXPECT_EQ(text(joined), "one left!");
  EXPECT_EQ(text(v), "left");
  release_temporaries(mark, nullptr);
  EXPECT_EQ(temporary_mark(), mark);
  EXPECT_EQ(text(v), "left");
}

TEST_F(StringStorageTest, ReleaseTemporariesReturnsToTheMarkAndKeepsOuterMarksValid) {
  const int32_t outer = temporary_mark();
  StringValue* kept = temporary("outer");
  const int32_t inner = temporary_mark();
  for (int i = 0; i < 5; ++i) string_concat(temporary("a"), string_from_c_text("b"));
  StringValue* result = temporary("result");
  EXPECT_EQ(release_temporaries(inner, result), result);
  EXPECT_EQ(text(result), "result");
  EXPECT_EQ(text(kept), "outer");
  release_temporaries(inner, nullptr);
  EXPECT_EQ(temporary_mark(), inner);
  release_temporaries(outer, nullptr);
  EXPECT_EQ(temporary_mark(), outer);
}

TEST_F(StringStorageTest, ReleasingTheNewestStringsReturnsTheirSpace) {
  StringValue* a = variable("first");
  const int64_t after_a = heap_offset(a) + 5 + 32;
  StringValue* b = variable(std::string(100, 'b'));
  StringValue* c = temporary(std::string(100, 'c'));
  string_release(b);  // from the middle: nothing returned yet
  EXPECT_GT(string_storage_stats().heap_used, after_a);
  string_release(c);
  EXPECT_EQ(string_storage_stats().heap_used, after_a);
  string_release(a);
}

TEST_F(StringStorageTest, CompactionMovesOnlyStringsFarAboveTheirPackedPlace) {
  // a at 0, b at 132 (32 bytes of slack behind a: close enough to stay), a gap, c at 396.
  StringValue* a = variable(std::string(100, 'a'));
  StringValue* b = variable(std::string(100, 'b'));
  StringValue* gap = variable(std::string(100, '-'));
  StringValue* c = variable(std::string(100, 'c'));
  string_release(gap);
  ASSERT_EQ(heap_offset(a), 0);
  ASSERT_EQ(heap_offset(c), 396);
  const int64_t compactions = string_storage_stats().compactions;
  StringValue* big = string_new(static_cast<int32_t>(string_storage_stats().heap_size), false);
  EXPECT_EQ(string_storage_stats().compactions, compactions + 1);
  EXPECT_GE(string_storage_stats().heap_growths, 1);
  // The block may have moved: compare offsets.
  EXPECT_EQ(heap_offset(a), 0);
  EXPECT_EQ(heap_offset(b), 132);
  EXPECT_EQ(heap_offset(c), 232);
  EXPECT_EQ(heap_offset(big), 332);
  EXPECT_EQ(text(a), std::string(100, 'a'));
  EXPECT_EQ(text(b), std::string(100, 'b'));
  EXPECT_EQ(text(c), std::string(100, 'c'));
  string_release(big);
}

TEST_F(StringStorageTest, SqueezingTheHeapListKeepsOrderAndRenumbers) {
  std::vector<StringValue*> kept;
  StringValue* pending = nullptr;
  for (int i = 0; i < 70000; ++i) {
    StringValue* s = variable(std::to_string(i));
    // Released behind the newest string: the slot stays dead until a squeeze.
    if (pending != nullptr) string_release(pending);
    pending = nullptr;
    if (i % 4 == 0) {
      kept.push_back(s);
    } else {
      pending = s;
    }
  }
  EXPECT_EQ(string_storage_stats().list_squeezes, 1);
  // Three quarters were dead: the list is reused at its old size.
  EXPECT_EQ(string_storage_stats().heap_list_capacity, 65535);
  EXPECT_EQ(check_string_storage_invariants(), "");
  for (size_t k = 0; k < kept.size(); ++k) EXPECT_EQ(text(kept[k]), std::to_string(4 * k));
}

TEST_F(StringStorageTest, StartUpStringsLiveInLowMemoryWithTheirRecords) {
  StringValue* empty = shared_empty_string();
  StringValue* space = shared_space_string();
  EXPECT_EQ(empty->length, 0);
  ASSERT_EQ(text(space), " ");
  EXPECT_TRUE(empty->in_low_memory && space->in_low_memory);
  const uint32_t area = kLowMemoryStringArea;
  EXPECT_EQ(space->data, low_memory_at(area + 256));
  // The 8 reserved bytes at the top, then one 4-byte record per string, downward.
  for (uint32_t i = 65528; i < 65536; ++i) EXPECT_EQ(low_memory_read_u8(area + i), 0) << i;
  EXPECT_EQ(empty->low_memory_descriptor_offset, 65524);
  EXPECT_EQ(space->low_memory_descriptor_offset, 65520);
  EXPECT_EQ(low_memory_read_u16(area + 65520), 1);
  EXPECT_EQ(low_memory_read_u16(area + 65522), 256);
  EXPECT_EQ(string_storage_stats().low_memory_top, 65520);
  // Shared by everyone: a release leaves them in place.
  string_release(space);
  EXPECT_EQ(text(shared_space_string()), " ");
}

TEST_F(StringStorageTest, LowMemoryAssignmentRewritesTheDescriptorRecord) {
  StringValue* v = string_new_low_memory(0, false);
  StringValue* other = string_new_low_memory(2, false);
  const uint32_t record = kLowMemoryStringArea + v->low_memory_descriptor_offset;
  string_assign(v, string_from_c_text("moved up"));  // cannot grow in front of `other`
  EXPECT_EQ(text(v), "moved up");
  EXPECT_EQ(low_memory_read_u16(record), 8);
  EXPECT_EQ(low_memory_read_u16(record + 2), v->data - low_memory_at(kLowMemoryStringArea));
  StringValue* t = string_new_low_memory(3, true);
  std::memcpy(t->data, "tmp", 3);
  string_assign(v, t);  // same area: taken over
  EXPECT_EQ(text(v), "tmp");
  EXPECT_EQ(low_memory_read_u16(record), 3);
  string_release(other);
}

TEST_F(StringStorageTest, LowMemoryAreaPacksBeforeGivingUp) {
  const int32_t room = string_storage_stats().low_memory_top - string_storage_stats().low_memory_fill;
  StringValue* held = string_new_low_memory(10, false);
  std::memcpy(held->data, "0123456789", 10);
  StringValue* filler = string_new_low_memory(room - 30, true);
  string_release(filler);  // the fill offset stays up: only packing recovers the bytes
  StringValue* after = string_new_low_memory(room - 100, true);
  EXPECT_GE(string_storage_stats().low_memory_packs, 1);
  EXPECT_EQ(text(held), "0123456789");
  string_release(after);
}

TEST_F(StringStorageTest, LocalStorageGrowsWithoutMovingOldAddressesAndRestoresMarks) {
  void* mark = local_storage_mark();
  auto* first = static_cast<uint8_t*>(local_storage_allocate(100));
  EXPECT_EQ(first, mark);
  first[99] = 7;
  auto* big = static_cast<uint8_t*>(local_storage_allocate(2u << 20));  // a new block
  big[(2u << 20) - 1] = 9;
  EXPECT_EQ(first[99], 7);
  void* inner = local_storage_mark();
  local_storage_allocate(16);
  local_storage_restore(inner);
  EXPECT_EQ(local_storage_mark(), inner);
  local_storage_restore(mark);  // from the old block: the current block starts over
  EXPECT_EQ(local_storage_mark(), big);
}

TEST_F(StringStorageTest, MemoryLocksStartAtTheFirstIdentityAndRetireCleanly) {
  MemoryLock* a = memory_lock_new();
  EXPECT_EQ(a->identity, 0x40000000u);
  MemoryLock* b = memory_lock_new();
  EXPECT_EQ(b->identity, 0x40000001u);
  b->kind = 1;
  b->owned = std::malloc(64);  // freed on retirement (the leak checker would notice)
  memory_lock_free(b);
  EXPECT_EQ(b->identity, 0u);
  MemoryLock* c = memory_lock_new();
  EXPECT_EQ(c, b);
  EXPECT_EQ(c->identity, 0x40000002u);
  EXPECT_EQ(c->owned, nullptr);
  memory_lock_free(a);
  memory_lock_free(a);  // a second retirement is refused
  EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
}

// Bad calls raise error 5 and leave the storage whole.
TEST_F(StringStorageTest, BadCallsRaiseIllegalFunctionCallAndChangeNothing) {
  static const char kLiteral[] = "LIT";
  const std::vector<std::pair<const char*, std::function<void()>>> calls = {
      {"release null", [] { string_release(nullptr); }},
      {"release twice",
       [] {
         StringValue* s = variable("x");
         string_release(s);
         string_release(s);
       }},
      {"negative length", [] { EXPECT_EQ(string_new(-1, true)->length, 0); }},
      {"negative literal length", [] { EXPECT_EQ(string_from_literal("x", -3)->length, 0); }},
      {"assign into a literal",
       [] {
         StringValue* lit = string_from_literal(kLiteral, 3);
         string_assign(lit, string_from_c_text("xyz"));
         EXPECT_STREQ(kLiteral, "LIT");
       }},
      {"assign into the shared empty string",
       [] {
         string_assign(shared_empty_string(), string_from_c_text("xyz"));
         EXPECT_EQ(shared_empty_string()->length, 0);
       }},
      {"assign from a released string",
       [] {
         StringValue* destination = variable("v");
         StringValue* gone = variable("x");
         string_release(gone);
         string_assign(destination, gone);
         EXPECT_EQ(text(destination), "v");
       }},
      {"concat with null", [] { EXPECT_EQ(string_concat(nullptr, temporary("a"))->length, 0); }},
      {"temporary of null", [] { string_make_temporary(nullptr); }},
      {"lock of null", [] { memory_lock_free(nullptr); }},
  };
  for (const auto& [name, call] : calls) {
    SCOPED_TRACE(name);
    const int32_t mark = temporary_mark();
    clear_pending_error();
    call();
    EXPECT_EQ(pending_error(), kErrIllegalFunctionCall);
    release_temporaries(mark, nullptr);
    EXPECT_EQ(temporary_mark(), mark);
    EXPECT_EQ(check_string_storage_invariants(), "");
  }
  clear_pending_error();
  EXPECT_EQ(text(variable("still works")), "still works");
}

// ---- exhausted storage ends the program with its critical box ------------------------

struct Exhaustion {
  const char* name;
  const char* caption;
  std::function<void()> run;
};

struct ProgramEnded : std::runtime_error {
  ProgramEnded() : std::runtime_error("process_exit") {}
};

class StorageExhaustionTest : public ::testing::TestWithParam<Exhaustion> {};

void refuse_list_sized_blocks() {
  // 131,072 slot pointers: the first doubling of a list or the free-record stack.
  set_storage_allocation_hook([](size_t bytes) { return bytes != (size_t{1} << 20); });
}

TEST_P(StorageExhaustionTest, ShowsTheCriticalBoxAndExitsWithZero) {
  initialise_string_storage();
  std::string caption;
  std::string message;
  host::set_message_box_hook([&](const std::string& text, const std::string& cap, host::MessageBoxButtons) {
    message = text;
    caption = cap;
    return host::MessageBoxAnswer::Ok;
  });
  int exit_code = -1;
  host::set_exit_hook([&](int code) {
    exit_code = code;
    throw ProgramEnded();
  });
  EXPECT_THROW(GetParam().run(), ProgramEnded);
  EXPECT_EQ(message, "Out of memory");
  EXPECT_EQ(caption, GetParam().caption);
  EXPECT_EQ(exit_code, 0);
  host::set_exit_hook(nullptr);
  host::set_message_box_hook(nullptr);
  set_storage_allocation_hook(nullptr);
}

const Exhaustion kExhaustions[] = {
    {"LocalStorageBlock", "Critical Error #4",
     [] {
       set_storage_allocation_hook([](size_t) { return false; });
       local_storage_allocate(2u << 20);
     }},
    {"FreeRecordStack", "Critical Error #8",
     [] {
       std::vector<StringValue*> all;
       for (int i = 0; i <= 65536; ++i) all.push_back(string_new(0, false));
       set_storage_allocation_hook([](size_t) { return false; });
       for (StringValue* s : all) string_release(s);
     }},
    {"LowMemoryList", "Critical Error #9",
     [] {
       refuse_list_sized_blocks();
       for (int i = 0; i < 65536; ++i) string_new_low_memory(0, true);
     }},
    {"HeapList", "Critical Error #10",
     [] {
       refuse_list_sized_blocks();
       for (int i = 0; i <= 65536; ++i) string_new(0, false);
     }},
    {"TemporaryList", "Critical Error #11",
     [] {
       refuse_list_sized_blocks();
       for (int i = 0; i <= 65536; ++i) string_new(0, true);
     }},
    {"HeapBlock", "Critical Error #12",
     [] {
       set_storage_allocation_hook([](size_t) { return false; });
       string_new(2 << 20, true);
     }},
    {"LowMemoryAreaFull", "Critical Error #13", [] { string_new_low_memory(70000, true); }},
    {"LowMemoryDescriptor", "Critical Error #14",
     [] {
       const StringStorageStats st = string_storage_stats();
       string_new_low_memory(st.low_memory_top - st.low_memory_fill - 2, true);
       string_new_low_memory(0, false);
     }},
};

INSTANTIATE_TEST_SUITE_P(Codes, StorageExhaustionTest, ::testing::ValuesIn(kExhaustions),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rt
