// The refresh pass: tick count, lock keys, exits, the display hand-over with a live
// refresh thread, and a full ring holding a hand-over until the window draws.
#include <chrono>

#include "tests/runtime/display/display_fixture.h"

namespace {

using std::chrono::milliseconds;

uint32_t tick_counter() {
  return rt::low_memory_read_u8(rt::kTickCounter) | rt::low_memory_read_u8(rt::kTickCounter + 1) << 8 |
         rt::low_memory_read_u8(rt::kTickCounter + 2) << 16;
}

TEST_F(DisplayTest, TickCounterFollowsTheTimeOfDayAndWrapsAtMidnight) {
  rt::low_memory_write_u8(rt::kTickCounter + 3, 0x5A);  // never written by the counter
  rt::clock_base_ms.store(1000);
  struct Case {
    uint32_t day_offset;
    int64_t now;
    uint32_t ticks;
  };
  const Case cases[] = {
      {86'399'000, 1999, 1'572'479},  // 23:59:59.999
      {86'399'000, 2000, 0},          // midnight
      {43'200'000, 1000, 786'240},    // noon
      {0, 1000 + 55, 1},              // 55 ms is the first whole tick
  };
  for (const Case& c : cases) {
    rt::day_offset_ms.store(c.day_offset);
    host::set_clock_hook([now = c.now] { return now; });
    rt::update_tick_counter();
    EXPECT_EQ(tick_counter(), c.ticks) << c.now;
  }
  EXPECT_EQ(rt::low_memory_read_u8(rt::kTickCounter + 3), 0x5A);
}

TEST_F(DisplayTest, LockKeysFollowTheHost) {
  host::HostKeyState host_keys;
  host::set_host_key_state_hook([&] { return host_keys; });
  host_keys.caps_lock_on = host_keys.scroll_lock_on = true;
  rt::sync_lock_keys();
  EXPECT_NE(rt::key_is_down(rt::kKeyCapsLockState), 0);
  EXPECT_NE(rt::key_is_down(rt::kKeyScrollLockState), 0);
  EXPECT_EQ(rt::key_is_down(rt::kKeyNumLockState), 0);
  host_keys = {};
  host_keys.num_lock_on = true;
  rt::sync_lock_keys();
  EXPECT_EQ(rt::key_is_down(rt::kKeyCapsLockState), 0);
  EXPECT_EQ(rt::key_is_down(rt::kKeyScrollLockState), 0);
  EXPECT_NE(rt::key_is_down(rt::kKeyNumLockState), 0);
}

TEST_F(DisplayTest, PassesComposeEverySecondTimeWhileDisplayIsAutomatic) {
  rt::auto_display.store(1);
  rt::refresh_pass();
  EXPECT_EQ(rt::latest_frame(), 1);
  EXPECT_EQ(rt::frame_counter(), 1u);
  put_cell(0, 0, 'Q', 0x07);
  rt::refresh_pass();  // the lock-key pass
  EXPECT_EQ(rt::latest_frame(), 1);
  EXPECT_EQ(rt::frame_counter(), 1u);
  rt::auto_display.store(0);
  rt::refresh_pass();  // manual display: counted, not composed
  EXPECT_EQ(rt::latest_frame(), 1);
  EXPECT_EQ(rt::frame_counter(), 2u);
}

TEST_F(DisplayTest, CloseRequestOrStopEndsTheProcessThroughTheExitSequence) {
  for (int which = 0; which < 2; ++which) {
    EXPECT_EXIT(
        {
          rt::parked_threads.store(3);
          (which == 0 ? rt::close_requests.store(1) : rt::stop_requested.store(1));
          rt::refresh_pass();
          std::exit(7);  // not reached
        },
        ::testing::ExitedWithCode(0), "")
        << which;
  }
}

TEST_F(DisplayTest, CloseRequestIsLeftToAProgramThatHandlesIt) {
  rt::close_requests.store(1);
  rt::program_handles_close.store(1);
  rt::refresh_pass();
  EXPECT_EQ(rt::exit_in_progress.load(), 0);
  rt::program_handles_close.store(0);
  rt::close_requests.store(0);
}

TEST_F(DisplayTest, RequestDisplayHandsOverThenComposesOnTheCaller) {
  rt::auto_display.store(1);
  start_refresh_loop();
  put_cell(0, 0, 'H', 0x07);
  rt::request_display();  // returns once the refresh thread has composed
  EXPECT_EQ(rt::auto_display.load(), 0);
  const int32_t handed_over = rt::latest_frame();
  EXPECT_GE(handed_over, 1);

  put_cell(1, 0, 'I', 0x07);
  std::this_thread::sleep_for(milliseconds(80));
  EXPECT_EQ(rt::latest_frame(), handed_over);  // manual: the refresh thread stays off
  rt::request_display();
  EXPECT_EQ(rt::latest_frame(), handed_over + 1);  // composed before returning
  int ink = 0;  // the new 'I' is in the frame
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 8; x < 16; ++x) ink += pixel(x, y) == page()->palette[7];
  EXPECT_GT(ink, 0);

  rt::enable_auto_display();
  put_cell(2, 0, 'J', 0x07);
  const int32_t before = rt::latest_frame();
  for (int i = 0; i < 100 && rt::latest_frame() == before; ++i) std::this_thread::sleep_for(milliseconds(5));
  EXPECT_NE(rt::latest_frame(), before);  // automatic again
}

TEST_F(DisplayTest, FullRingHoldsTheHandOverUntilTheWindowDraws) {
  for (int32_t i = 1; i <= 64; ++i) {
    put_cell(0, 0, static_cast<uint8_t>('a' + i % 2), 0x07);
    rt::compose_frame();
  }
  ASSERT_EQ(rt::latest_frame(), 64);
  rt::enable_auto_display();
  start_refresh_loop();
  put_cell(5, 5, 'W', 0x07);
  std::atomic<bool> returned{false};
  std::thread script([&] {
    rt::request_display();
    returned = true;
  });
  std::this_thread::sleep_for(milliseconds(120));  // several composition passes
  EXPECT_FALSE(returned.load());
  EXPECT_EQ(rt::auto_display.load(), -1);
  EXPECT_EQ(rt::latest_frame(), 64);
  window_draws();
  script.join();
  EXPECT_TRUE(returned.load());
  EXPECT_EQ(rt::auto_display.load(), 0);
  EXPECT_EQ(rt::latest_frame(), 1);
}

TEST_F(DisplayTest, RequestDisplayDoesNothingWhileAnErrorIsPending) {
  rt::raise_error(rt::kErrIllegalFunctionCall);
  rt::auto_display.store(1);
  rt::request_display();  // no refresh thread: a real wait would never end
  EXPECT_EQ(rt::auto_display.load(), 1);
  rt::auto_display.store(0);
  rt::request_display();
  EXPECT_EQ(rt::latest_frame(), 0);
  EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall);
}

TEST_F(DisplayTest, HandOverGivesUpWhenTheProgramIsExiting) {
  rt::auto_display.store(1);
  rt::exit_in_progress.store(1);
  rt::request_display();  // the refresh thread composes no more once it is exiting
  EXPECT_EQ(rt::latest_frame(), 0);
  rt::exit_in_progress.store(0);
}

}  // namespace
