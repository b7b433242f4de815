#include <gtest/gtest.h>

#include "runtime/core/control_words.h"
#include "runtime/display/keyboard.h"
#include "runtime/display/window.h"

namespace {

TEST(WindowEventHook, CloseRequestSetsBitZeroOnly) {
  rt::close_requests.store(2);
  rt::window_event_hook(1, 0, 0);
  EXPECT_EQ(rt::close_requests.load(), 3u);
  EXPECT_EQ(rt::stop_requested.load(), 0u);
}

TEST(WindowEventHook, PauseGoesDownAndUpThroughTheKeyboard) {
  rt::window_event_hook(2, rt::kKeyPause, 1);
  EXPECT_NE(rt::key_is_down(rt::kKeyPause), 0);
  EXPECT_EQ(rt::paused.load() & 1u, 1u);
  EXPECT_EQ(rt::event_pending.load(), 1u);
  rt::window_event_hook(2, rt::kKeyPause, -1);
  EXPECT_EQ(rt::key_is_down(rt::kKeyPause), 0);
}

TEST(WindowEventHook, BreakWithoutProgramCloseHandlingRequestsTheStop) {
  rt::window_event_hook(2, rt::kKeyBreak, 1);
  EXPECT_EQ(rt::stop_requested.load(), 1u);
  rt::window_event_hook(2, rt::kKeyBreak, -1);
  EXPECT_EQ(rt::key_is_down(rt::kKeyBreak), 0);
}

TEST(WindowEventHook, OtherKindsCodesAndDirectionsAreIgnored) {
  struct Case { int32_t kind, a, b; };
  const Case cases[] = {{0, 0, 0},        {3, rt::kKeyPause, 1}, {-1, 0, 0},
                        {2, 'a', 1},      {2, 0x4800, 1},        {2, rt::kKeyPause, 0},
                        {2, rt::kKeyBreak, 2}};
  for (const Case& c : cases) rt::window_event_hook(c.kind, c.a, c.b);
  EXPECT_EQ(rt::close_requests.load(), 0u);
  EXPECT_EQ(rt::stop_requested.load(), 0u);
  EXPECT_EQ(rt::paused.load(), 0u);
  EXPECT_EQ(rt::key_is_down('a'), 0);
  EXPECT_EQ(rt::key_is_down(rt::kKeyPause), 0);
  EXPECT_EQ(rt::read_key_hit(), 0);
}

}  // namespace
