#include <gtest/gtest.h>
#include <fpu_control.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "runtime/host/host.h"
#include "runtime/host/message_layout.h"

namespace {

// Every test in this file runs in its own process, so the environment can be changed.
void without_display() { unsetenv("DISPLAY"); }

TEST(MessageLayout, WrapsAtSpacesKeepsLineFeedsAndCutsLongWords) {
  struct Case {
    const char* text;
    size_t columns;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", 10, {""}},
      {"Line:79\nRETURN without GOSUB\nContinue?", 60,
       {"Line:79", "RETURN without GOSUB", "Continue?"}},
      {"one two three four", 9, {"one two", "three", "four"}},
      {"abcdefghijkl", 5, {"abcde", "fghij", "kl"}},
      {"a\n\nb", 5, {"a", "", "b"}},
      {"trailing\n", 20, {"trailing", ""}},
      {"exactly ten", 11, {"exactly ten"}},
      {"x y", 0, {"x", "y"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(host::wrap_message_text(c.text, c.columns), c.lines) << c.text;
  }
}

TEST(MessageBox, WithoutADisplayWritesToStderrAndAnswersNoOrOk) {
  without_display();
  testing::internal::CaptureStderr();
  EXPECT_EQ(host::message_box("Line:3\nOverflow\nContinue?", "Unhandled Error #6",
                              host::MessageBoxButtons::YesNo),
            host::MessageBoxAnswer::No);
  EXPECT_EQ(host::message_box("Out of memory", "Critical Error #2", host::MessageBoxButtons::Ok),
            host::MessageBoxAnswer::Ok);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("[Unhandled Error #6]\nLine:3\nOverflow\nContinue?\n"), std::string::npos);
  EXPECT_NE(err.find("[Critical Error #2]\nOut of memory\n"), std::string::npos);
}

TEST(MessageBox, AHookAnswersAndAnEmptyHookRestoresTheRealBox) {
  without_display();
  int calls = 0;
  host::set_message_box_hook([&](const std::string& text, const std::string& caption,
                                 host::MessageBoxButtons buttons) {
    ++calls;
    EXPECT_EQ(text, "t");
    EXPECT_EQ(caption, "c");
    EXPECT_EQ(buttons, host::MessageBoxButtons::YesNo);
    return host::MessageBoxAnswer::Yes;
  });
  EXPECT_EQ(host::message_box("t", "c", host::MessageBoxButtons::YesNo),
            host::MessageBoxAnswer::Yes);
  host::set_message_box_hook(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(host::message_box("t", "c", host::MessageBoxButtons::YesNo),
            host::MessageBoxAnswer::No);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(calls, 1);
}

TEST(HostKeyState, AllClearWithoutADisplayAndReplaceableByTests) {
  without_display();
  host::HostKeyState none = host::query_host_key_state();
  EXPECT_FALSE(none.caps_lock_on || none.num_lock_on || none.scroll_lock_on ||
               none.scroll_lock_down || none.left_shift_down || none.right_shift_down ||
               none.left_ctrl_down || none.right_ctrl_down || none.left_alt_down ||
               none.right_alt_down);
  host::set_host_key_state_hook([] {
    host::HostKeyState s;
    s.num_lock_on = true;
    s.right_ctrl_down = true;
    return s;
  });
  host::HostKeyState faked = host::query_host_key_state();
  EXPECT_TRUE(faked.num_lock_on);
  EXPECT_TRUE(faked.right_ctrl_down);
  EXPECT_FALSE(faked.caps_lock_on);
  host::set_host_key_state_hook(nullptr);
  EXPECT_FALSE(host::query_host_key_state().num_lock_on);
}

TEST(HostClock, FakeClockReplacesTheProcessClockUntilCleared) {
  int64_t real = host::process_milliseconds();
  EXPECT_GE(real, 0);
  host::set_clock_hook([] { return int64_t{600000}; });
  EXPECT_EQ(host::process_milliseconds(), 600000);
  host::set_clock_hook(nullptr);
  int64_t later = host::process_milliseconds();
  EXPECT_GE(later, real);
  EXPECT_LT(later, 600000);
}

TEST(HostClock, CalendarHookAndLocalTimeOfDay) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_GT(host::calendar_seconds(), 0);
  host::set_calendar_hook([] { return int64_t{86400 * 3 + 3600 * 13 + 60 * 5 + 9}; });
  host::LocalTime t;
  ASSERT_TRUE(host::local_time_of_day(host::calendar_seconds(), t));
  EXPECT_EQ(t.hour, 13);
  EXPECT_EQ(t.minute, 5);
  EXPECT_EQ(t.second, 9);
  EXPECT_FALSE(host::local_time_of_day(-1, t));
  host::set_calendar_hook(nullptr);
}

TEST(HostThreads, StartedThreadRunsItsBody) {
  static std::atomic<int> ran{0};
  host::start_thread([] { ran = 1; });
  for (int i = 0; i < 10000 && ran.load() == 0; ++i) host::sleep_milliseconds(1);
  EXPECT_EQ(ran.load(), 1);
  host::sleep_milliseconds(0);  // a yield, not an error
  host::sleep_milliseconds(-5);
}

#if defined(__i386__) || defined(__x86_64__)
TEST(HostFloatingPoint, ExtendedPrecisionSetsThe64BitMantissa) {
  fpu_control_t cw;
  _FPU_GETCW(cw);
  cw = (cw & ~_FPU_EXTENDED) | _FPU_DOUBLE;
  _FPU_SETCW(cw);
  host::set_extended_precision();
  _FPU_GETCW(cw);
  EXPECT_EQ(cw & _FPU_EXTENDED, _FPU_EXTENDED);
  // 1 + 2^-60 survives only with a 64-bit mantissa.
  volatile long double one = 1.0L, tiny = 0x1p-60L;
  EXPECT_NE(one + tiny, one);
}
#endif

TEST(HostPaths, ExecutablePathAndDirectoryChanges) {
  std::string exe = host::executable_path();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe.front(), '/');
  EXPECT_NE(exe.find("host_test"), std::string::npos);

  std::string before = host::current_directory();
  EXPECT_FALSE(host::change_directory(""));
  EXPECT_FALSE(host::change_directory("/nonexistent/marrowick/folder"));
  EXPECT_EQ(host::current_directory(), before);
  ASSERT_TRUE(host::change_directory("/"));
  EXPECT_EQ(host::current_directory(), "/");
}

TEST(HostExit, ExitHookSeesTheCodeAndTheProcessEndsWithIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        host::set_exit_hook([](int code) { std::fprintf(stderr, "exiting with %d\n", code); });
        host::process_exit(3);
      },
      ::testing::ExitedWithCode(3), "exiting with 3");
  EXPECT_EXIT(host::process_exit(0), ::testing::ExitedWithCode(0), "");
}

}  // namespace
