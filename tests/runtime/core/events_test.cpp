#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "box_recorder.h"
#include "runtime/core/control_words.h"
#include "runtime/core/events.h"

namespace {

using frame_test::eventually;

rt::TimedEvent on_timer(double interval, double last) {
  return rt::TimedEvent{1, 5, 0, 1, 0, interval, last};
}

TEST(EventTables, StartUpPresets) {
  rt::preset_event_tables();
  for (int32_t i = 1; i <= 10; ++i) {
    EXPECT_EQ(rt::key_event(i)->key_code, 0x3B00 + (i - 1) * 0x100) << i;
    EXPECT_EQ(rt::key_event(i)->alternative_key_code, 0) << i;
  }
  struct Case { int32_t index, code, alternative; };
  const Case cases[] = {{11, 0x4800, 100264}, {12, 0x4B00, 100260}, {13, 0x4D00, 100262},
                        {14, 0x5000, 100258}, {30, 0x8500, 0},      {31, 0x8600, 0},
                        {15, 0, 0},           {29, 0, 0},           {0, 0, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(rt::key_event(c.index)->key_code, c.code) << c.index;
    EXPECT_EQ(rt::key_event(c.index)->alternative_key_code, c.alternative) << c.index;
    EXPECT_EQ(rt::key_event(c.index)->handler, 0) << c.index;
  }
  ASSERT_EQ(rt::timed_event_count(), 1);
  const rt::TimedEvent* first = rt::timed_event(0);
  EXPECT_EQ(first->in_use, 1);
  EXPECT_EQ(first->handler, 0);
  EXPECT_NE(first->state, 1);
  EXPECT_EQ(first->pending, 0);
  EXPECT_EQ(rt::timed_event(1), nullptr);
  EXPECT_EQ(rt::timed_event(-1), nullptr);
  EXPECT_EQ(rt::key_event(32), nullptr);
  EXPECT_EQ(rt::key_event(-1), nullptr);
}

// One timer with a 1 s interval followed through arming, the strict due test, a pending
// event that blocks further firing, and catching up after the scanner fell behind.
TEST(TimedEventScan, ArmsThenFiresStrictlyAfterEachInterval) {
  rt::resize_timed_event_table(2);
  rt::TimedEvent& t = *rt::timed_event(1);
  t = on_timer(1.0, 0.0);
  struct Step {
    double now;
    bool retire_first;  // the checkpoint handled the previous event
    double last;
    uint8_t pending;
    uint32_t event_pending;
  };
  const Step steps[] = {
      {0.5, false, 0.0, 0, 0},    // less than one interval since the clock's start
      {1.0, false, 0.0, 0, 0},    // exactly one interval: not yet
      {1.25, false, 1.25, 0, 0},  // armed only
      {2.25, false, 1.25, 0, 0},  // exactly one interval after arming: not due
      {2.3, false, 2.25, 1, 1},   // due: last moves by one interval
      {9.0, false, 2.25, 1, 0},   // still pending: the scanner leaves it alone
      {9.0, true, 9.0, 1, 1},     // fell behind: last jumps to now instead of a burst
      {10.5, true, 10.0, 1, 1},   // due again, half an interval late: no catch-up
  };
  for (const Step& s : steps) {
    if (s.retire_first) t.pending = 0;
    rt::event_pending.store(0);
    EXPECT_TRUE(rt::scan_timed_events(s.now));
    EXPECT_DOUBLE_EQ(t.last, s.last) << s.now;
    EXPECT_EQ(t.pending, s.pending) << s.now;
    EXPECT_EQ(rt::event_pending.load(), s.event_pending) << s.now;
  }
}

TEST(TimedEventScan, OnlyEntriesInUseWithAHandlerAndSwitchedOnFire) {
  rt::resize_timed_event_table(5);
  *rt::timed_event(1) = on_timer(1.0, 1.0);
  *rt::timed_event(2) = on_timer(1.0, 1.0);
  rt::timed_event(2)->in_use = 0;
  *rt::timed_event(3) = on_timer(1.0, 1.0);
  rt::timed_event(3)->handler = 0;
  *rt::timed_event(4) = on_timer(1.0, 1.0);
  rt::timed_event(4)->state = 2;
  rt::scan_timed_events(5.0);
  EXPECT_EQ(rt::timed_event(1)->pending, 1);
  for (int i = 2; i <= 4; ++i) EXPECT_EQ(rt::timed_event(i)->pending, 0) << i;
  EXPECT_EQ(rt::timed_event(0)->pending, 0);
}

TEST(TimedEventScan, ResizeKeepsEntriesAndZeroesNewOnes) {
  rt::resize_timed_event_table(2);
  *rt::timed_event(1) = on_timer(2.5, 3.0);
  rt::resize_timed_event_table(40);
  ASSERT_EQ(rt::timed_event_count(), 40);
  EXPECT_DOUBLE_EQ(rt::timed_event(1)->interval, 2.5);
  EXPECT_EQ(rt::timed_event(39)->in_use, 0);
  EXPECT_EQ(rt::timed_event(39)->handler, 0);
  rt::resize_timed_event_table(3);  // never shrinks
  EXPECT_EQ(rt::timed_event_count(), 40);
}

// The thread runs on a fake clock; a timer added through the handshake while it scans
// becomes due, and the thread returns on exit_in_progress marking bit 1.
TEST(EventTimerThread, ScansOnTheClockHonoursTheHandshakeAndReturnsOnExit) {
  std::atomic<int64_t> now_ms{0};
  host::set_clock_hook([&] { return now_ms.load(); });
  rt::start_event_timer_thread();

  rt::resize_timed_event_table(8);  // moves the table under the running scanner
  rt::hold_timed_event_scanner();
  *rt::timed_event(7) = on_timer(0.5, 0.0);
  rt::release_timed_event_scanner();

  now_ms = 600;  // arms
  // `last` belongs to the scanner; it is read with the scanner held off.
  ASSERT_TRUE(eventually([] {
    rt::hold_timed_event_scanner();
    bool armed = rt::timed_event(7)->last != 0;
    rt::release_timed_event_scanner();
    return armed;
  }));
  EXPECT_EQ(std::atomic_ref<uint8_t>(rt::timed_event(7)->pending).load(), 0);
  now_ms = 1200;  // due
  ASSERT_TRUE(eventually(
      [] { return std::atomic_ref<uint8_t>(rt::timed_event(7)->pending).load() == 1; }));
  EXPECT_EQ(rt::event_pending.load(), 1u);

  EXPECT_EQ(rt::parked_threads.load(), 0u);
  rt::exit_in_progress.store(1);
  ASSERT_TRUE(eventually([] { return rt::parked_threads.load() != 0; }));
  EXPECT_EQ(rt::parked_threads.load(), 2u);
  host::set_clock_hook(nullptr);
}

TEST(EventTimerThread, HoldReturnsWhenNoScannerRuns) {
  // Without a running scanner nobody would answer; holding must not wait for ever.
  rt::hold_timed_event_scanner();
  rt::release_timed_event_scanner();
  rt::resize_timed_event_table(4);
  EXPECT_EQ(rt::timed_event_count(), 4);
}

}  // namespace
