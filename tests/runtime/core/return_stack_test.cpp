#include <gtest/gtest.h>

#include "runtime/core/errors.h"
#include "runtime/core/return_stack.h"

namespace {

TEST(ReturnStack, NestedCallsGrowByDoublingAndUnwindInOrder) {
  EXPECT_EQ(rt::return_stack_capacity(), 16384);
  for (int32_t i = 0; i < 16384; ++i) rt::push_return_point(i % 11 + 1);
  EXPECT_FALSE(rt::error_pending());
  EXPECT_EQ(rt::return_stack_top(), 16384);
  EXPECT_EQ(rt::return_stack_capacity(), 32768);
  for (int32_t i = 16383; i >= 0; --i) {
    ASSERT_EQ(rt::pop_return_point(11), i % 11 + 1) << i;
  }
  EXPECT_FALSE(rt::error_pending());
  EXPECT_EQ(rt::return_stack_top(), 0);
  EXPECT_EQ(rt::return_stack_capacity(), 32768);  // never shrinks
}

TEST(ReturnStack, OneBelowTheCapacityDoesNotGrow) {
  for (int32_t i = 0; i < 16383; ++i) rt::push_return_point(1);
  EXPECT_EQ(rt::return_stack_capacity(), 16384);
}

TEST(ReturnStack, ReturnWithoutCallRaisesThreeAndKeepsTheStackUsable) {
  EXPECT_EQ(rt::pop_return_point(11), 0);
  EXPECT_EQ(rt::pending_error(), rt::kErrReturnWithoutGosub);
  rt::clear_pending_error();
  rt::push_return_point(4);
  EXPECT_EQ(rt::pop_return_point(11), 4);
  EXPECT_FALSE(rt::error_pending());
}

TEST(ReturnStack, AReturnPointBeyondTheLargestIssuedRaisesThree) {
  rt::push_return_point(12);
  EXPECT_EQ(rt::pop_return_point(11), 0);
  EXPECT_EQ(rt::pending_error(), rt::kErrReturnWithoutGosub);
  EXPECT_EQ(rt::return_stack_top(), 0);
}

TEST(ReturnStack, BadPushRaisesFiveAndPushesNothing) {
  for (int32_t bad : {0, -1, INT32_MIN}) {
    rt::clear_pending_error();
    rt::push_return_point(bad);
    EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall) << bad;
    EXPECT_EQ(rt::return_stack_top(), 0) << bad;
  }
}

TEST(ReturnStack, NothingMovesWhileAnErrorIsPending) {
  rt::push_return_point(2);
  rt::raise_error(9);
  rt::push_return_point(3);
  EXPECT_EQ(rt::return_stack_top(), 1);
  EXPECT_EQ(rt::pop_return_point(11), 0);
  EXPECT_EQ(rt::return_stack_top(), 1);
  EXPECT_EQ(rt::pending_error(), 9u);
}

TEST(ArrayIndexCheck, OffsetsInsideAndOutsideTheBounds) {
  struct Case { int64_t offset, count, result; bool raises; };
  const Case cases[] = {
      {0, 9, 0, false}, {8, 9, 8, false}, {9, 9, 0, true},  {10, 9, 0, true},
      {-1, 9, 0, true}, {0, 0, 0, true},  {INT64_MIN, 9, 0, true},
  };
  for (const Case& c : cases) {
    rt::clear_pending_error();
    EXPECT_EQ(rt::array_index_check(c.offset, c.count), c.result) << c.offset;
    EXPECT_EQ(rt::pending_error(), c.raises ? rt::kErrSubscriptOutOfRange : 0u) << c.offset;
  }
}

// The script stores only when no error is pending after the check, so an index one
// past the upper bound writes nothing, not even at offset 0.
TEST(ArrayIndexCheck, AStoreOnePastTheUpperBoundWritesNothing) {
  int32_t exits[9] = {10, 11, 12, 13, 14, 15, 16, 17, 18};
  const int32_t lower_bound = 1;
  auto store = [&](int64_t index, int32_t value) {
    int64_t offset = rt::array_index_check(index - lower_bound, 9);
    if (!rt::error_pending()) exits[offset] = value;
  };
  store(10, -5);
  EXPECT_EQ(rt::pending_error(), rt::kErrSubscriptOutOfRange);
  const int32_t unchanged[9] = {10, 11, 12, 13, 14, 15, 16, 17, 18};
  EXPECT_TRUE(std::equal(std::begin(exits), std::end(exits), std::begin(unchanged)));
  rt::clear_pending_error();
  store(9, -5);
  EXPECT_EQ(exits[8], -5);
}

}  // namespace
