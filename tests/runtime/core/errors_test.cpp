#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <string>

#include "box_recorder.h"
#include "runtime/core/arithmetic_fault.h"
#include "runtime/core/control_words.h"
#include "runtime/core/error_messages.h"
#include "runtime/core/errors.h"

namespace {

using frame_test::report_boxes_on_stderr;
using host::MessageBoxAnswer;

class ErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ErrorsTest, FirstErrorWinsAndSetsEventPending) {
  EXPECT_EQ(rt::raise_error(9), 9u);
  EXPECT_EQ(rt::event_pending.load(), 1u);
  rt::event_pending.store(0);
  EXPECT_EQ(rt::raise_error(5), 9u);
  EXPECT_EQ(rt::pending_error(), 9u);
  EXPECT_TRUE(rt::error_pending());
  rt::clear_pending_error();
  EXPECT_FALSE(rt::error_pending());
  EXPECT_EQ(rt::raise_error(3), 3u);
}

TEST_F(ErrorsTest, ZeroAndNegativeCodesRecordIllegalFunctionCall) {
  for (int64_t code : {int64_t{0}, int64_t{-1}, int64_t{-70000}, INT64_MIN}) {
    rt::clear_pending_error();
    EXPECT_EQ(rt::raise_error(code), rt::kErrIllegalFunctionCall) << code;
  }
}

TEST_F(ErrorsTest, MessageTableHasEveryCodeInOrderAndGapsAreUnprintable) {
  EXPECT_EQ(std::size(rt::kErrorMessages), 69u);
  uint32_t previous = 0;
  for (const rt::ErrorMessage& m : rt::kErrorMessages) {
    EXPECT_GT(m.code, previous);
    previous = m.code;
  }
  struct Case { rt::ErrorCode code; const char* message; };
  const Case cases[] = {
      {3, "RETURN without GOSUB"}, {9, "Subscript out of range"},
      {76, "Path not found"},      {262, "Function unavailable in NIMBARO"},
      {313, "Source and destination memory have been freed"},
      {11, "Unprintable error"},   {15, "Unprintable error"},
      {0, "Unprintable error"},    {314, "Unprintable error"},
  };
  for (const Case& c : cases) EXPECT_STREQ(rt::error_message(c.code), c.message) << c.code;
}

// Each critical code shows its OK-only box and ends the process with 0 from the thread
// that raised it, without recording anything.
TEST_F(ErrorsTest, CriticalCodesShowTheirBoxAndExitWithZero) {
  struct Case { int64_t code; const char* expected; };
  const Case cases[] = {
      {256, "caption=\\[Critical Error\\] text=\\[Out of stack space\\] buttons=OK"},
      {257, "caption=\\[Critical Error #1\\] text=\\[Out of memory\\] buttons=OK"},
      {512, "caption=\\[Critical Error #12\\] text=\\[Out of memory\\] buttons=OK"},
      {263, "caption=\\[Critical Error\\] text=\\[Paths/Filename illegal in NIMBARO\\]"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          report_boxes_on_stderr(MessageBoxAnswer::Ok);
          rt::raise_error(c.code);
          std::fprintf(stderr, "raise_error returned\n");
          std::_Exit(7);
        },
        ::testing::ExitedWithCode(0), c.expected)
        << c.code;
  }
}

TEST_F(ErrorsTest, CriticalCodeEndsTheProcessFromAnotherThread) {
  EXPECT_EXIT(
      {
        report_boxes_on_stderr(MessageBoxAnswer::Ok);
        std::thread([] { rt::raise_error(508); }).join();
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0), "Critical Error #8");
}

TEST_F(ErrorsTest, ArithmeticFaultShowsDivisionByZeroAndExitsWithZero) {
  EXPECT_EXIT(
      {
        report_boxes_on_stderr(MessageBoxAnswer::Ok);
        host::install_arithmetic_fault_handler(rt::arithmetic_fault_handler);
        std::raise(SIGFPE);
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0),
      "caption=\\[Critical Error\\] text=\\[Division by zero\\] buttons=OK");
}

TEST_F(ErrorsTest, IntegerDivisionFaultIsCaughtLikeTheSignal) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the undefined-behaviour checker stops the division before the fault";
#endif
  EXPECT_EXIT(
      {
        report_boxes_on_stderr(MessageBoxAnswer::Ok);
        host::install_arithmetic_fault_handler(rt::arithmetic_fault_handler);
        volatile int zero = 0;
        volatile int result = 10 / zero;
        (void)result;
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0), "Division by zero");
}

}  // namespace
