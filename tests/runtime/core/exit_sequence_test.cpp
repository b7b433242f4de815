#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "box_recorder.h"
#include "runtime/core/checkpoint.h"
#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/events.h"
#include "runtime/core/program.h"

namespace {

using frame_test::eventually;
using frame_test::report_boxes_on_stderr;
using host::MessageBoxAnswer;

std::atomic<bool> g_statement_after_error_ran{false};

// A script that runs statements until the checkpoint parks it.
void busy_script() {
  for (uint32_t line = 1;; ++line) {
    host::sleep_milliseconds(1);
    if (rt::event_pending.load()) rt::statement_checkpoint(line);
  }
}

void report_exit(int code) {
  std::fprintf(stderr, "EXIT code=%d parked=%u exit_in_progress=%u after_error=%d\n", code,
               rt::parked_threads.load(), rt::exit_in_progress.load(),
               g_statement_after_error_ran.load() ? 1 : 0);
}

class ExitSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ExitSequenceTest, EndsTheProcessOnceScriptAndTimerThreadHaveStopped) {
  EXPECT_EXIT(
      {
        host::set_exit_hook(report_exit);
        rt::start_event_timer_thread();
        host::start_thread(busy_script);
        rt::run_exit_sequence();
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0), "EXIT code=0 parked=3 exit_in_progress=1");
}

// Neither bit is set by anyone here, so the process must still be alive when the test
// sets them by hand; the exit then follows.
TEST_F(ExitSequenceTest, WaitsForBothParkedBits) {
  EXPECT_EXIT(
      {
        std::atomic<bool> exited{false};
        host::set_exit_hook([&](int code) {
          exited = true;
          report_exit(code);
        });
        std::thread([] { rt::run_exit_sequence(); }).detach();
        if (!eventually([] { return rt::exit_in_progress.load() == 1; })) std::_Exit(5);
        if (rt::event_pending.load() != 1) std::_Exit(6);
        rt::parked_threads.fetch_or(1);
        host::sleep_milliseconds(50);
        std::fprintf(stderr, "one bit: exited=%d\n", exited.load() ? 1 : 0);
        rt::parked_threads.fetch_or(2);
        host::sleep_milliseconds(10000);
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0), "one bit: exited=0\nEXIT code=0 parked=3");
}

// The error dialog's No: the statement after the failing one never runs, the stop
// reaches the refresh side and the process exits with 0 through the exit sequence.
TEST_F(ExitSequenceTest, ErrorDialogNoEndsTheProgramWithZero) {
  EXPECT_EXIT(
      {
        host::set_exit_hook(report_exit);
        report_boxes_on_stderr(MessageBoxAnswer::No);
        rt::start_event_timer_thread();
        host::start_thread([] {
          rt::raise_error(9);
          if (rt::event_pending.load()) rt::statement_checkpoint(20);
          g_statement_after_error_ran = true;
          busy_script();
        });
        if (!eventually([] { return rt::stop_requested.load() == 1; })) std::_Exit(5);
        rt::run_exit_sequence();
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0),
      "Unhandled Error #9\\] text=\\[Line:20~Subscript out of range~Continue\\?\\] "
      "buttons=YESNO\nEXIT code=0 parked=3 exit_in_progress=1 after_error=0");
}

// The exit sequence may start while the script waits in the pause; it parks there.
TEST_F(ExitSequenceTest, APausedScriptStillParks) {
  EXPECT_EXIT(
      {
        host::set_exit_hook(report_exit);
        rt::paused.store(1);
        rt::start_event_timer_thread();
        host::start_thread([] {
          rt::event_pending.store(1);
          busy_script();
        });
        if (!eventually([] { return rt::event_pending.load() == 0; })) std::_Exit(5);
        rt::run_exit_sequence();
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0), "EXIT code=0 parked=3");
}

}  // namespace
