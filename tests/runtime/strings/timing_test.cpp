// The millisecond clock, the time of day and the waits, run on a scripted fake clock.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/host/host.h"
#include "runtime/strings/timing.h"

namespace {

// A clock that plays a list of readings, then advances by `step` per reading.
struct ScriptedClock {
  std::vector<int64_t> readings;
  size_t next = 0;
  int64_t step = 0;
  int64_t last = 0;
  int reads = 0;
  int64_t read() {
    ++reads;
    last = next < readings.size() ? readings[next++] : last + step;
    return last;
  }
};

class TimingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::clear_pending_error();
    rt::reset_limit_rate();
    rt::clock_base_ms.store(0);
    rt::day_offset_ms.store(0);
    host::set_clock_hook([this] { return clock_.read(); });
    host::set_message_box_hook([](const std::string&, const std::string&, host::MessageBoxButtons) {
      return host::MessageBoxAnswer::Yes;
    });
  }
  void TearDown() override {
    host::set_clock_hook(nullptr);
    host::set_calendar_hook(nullptr);
    rt::clear_pending_error();
  }
  void play(std::vector<int64_t> readings, int64_t then_step) {
    clock_ = ScriptedClock{};
    clock_.readings = std::move(readings);
    clock_.step = then_step;
  }
  void hold_at(int64_t ms) { play({}, 0), clock_.last = ms; }
  ScriptedClock clock_;
};

// ---- read_timer ----------------------------------------------------------------

TEST_F(TimingTest, ReadTimerMapsTheClockOntoTheTimeOfDay) {
  struct Case {
    uint32_t base, offset;
    int64_t now;
    double accuracy;
    bool given;
    double expected;
  };
  const Case cases[] = {
      // 01:00:00 at clock 1000; 12.345 s later, to the millisecond.
      {1000, 3'600'000, 13'345, 0.001, true, 3612.345},
      // Whole seconds and tenths round to nearest.
      {0, 0, 1'499, 1.0, true, 1.0},
      {0, 0, 1'501, 1.0, true, 2.0},
      {0, 0, 2'500, 1.0, true, 2.0},  // a tie goes to the even count
      {0, 0, 3'500, 1.0, true, 4.0},
      {0, 0, 1'250, 0.1, true, 1.2},  // 12.5 tenths is a tie: even
      // Without an accuracy: steps of 1/18.2 s, then single precision.
      {1000, 3'600'000, 13'345, 0, false, static_cast<double>(static_cast<float>(65745 / 18.2))},
      // One second before midnight, exactly midnight, and after.
      {0, 86'399'000, 999, 0.001, true, 86399.999},
      {0, 86'399'000, 1'000, 0.001, true, 0.0},
      {0, 86'399'000, 1'500, 0.001, true, 0.5},
      // 2^32 ms after the base the day still runs on, without a jump.
      {0, 0, (int64_t{1} << 32) + 5'000, 0.001, true,
       static_cast<double>(((int64_t{1} << 32) + 5'000) % 86'400'000) / 1000.0},
  };
  for (const Case& c : cases) {
    rt::clock_base_ms.store(c.base);
    rt::day_offset_ms.store(c.offset);
    hold_at(c.now);
    EXPECT_DOUBLE_EQ(rt::read_timer(c.accuracy, c.given), c.expected)
        << "now " << c.now << " offset " << c.offset << " accuracy " << c.accuracy;
    EXPECT_FALSE(rt::error_pending());
  }
}

TEST_F(TimingTest, MillisecondAccuracyGivesWholeMilliseconds) {
  rt::day_offset_ms.store(45'296'000);  // 12:34:56
  for (int64_t now = 0; now < 3000; now += 7) {
    hold_at(now);
    double t = rt::read_timer(0.001, true);
    double thousandths = t * 1000.0;
    EXPECT_NEAR(thousandths, std::nearbyint(thousandths), 1e-6) << t;
    EXPECT_NEAR(t, 45296.0 + now / 1000.0, 1e-9);
  }
}

TEST_F(TimingTest, ReadTimerRejectsAnAccuracyOfZeroOrBelow) {
  hold_at(5000);
  for (double bad : {0.0, -0.001, -1.0, std::nan("")}) {
    rt::clear_pending_error();
    EXPECT_EQ(rt::read_timer(bad, true), 0.0) << bad;
    EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall) << bad;
  }
}

TEST_F(TimingTest, ExtremeAccuraciesGiveSaneResults) {
  hold_at(12'345);
  // Finer than a double can hold: the time itself, not the most negative integer.
  EXPECT_DOUBLE_EQ(rt::read_timer(1e-300, true), 12.345);
  // Coarser than a day: nothing but 0, not a NaN.
  EXPECT_EQ(rt::read_timer(1e300, true), 0.0);
  EXPECT_EQ(rt::read_timer(INFINITY, true), 0.0);
  EXPECT_FALSE(rt::error_pending());
}

TEST_F(TimingTest, PendingErrorMakesReadTimerReturnZero) {
  hold_at(5000);
  rt::raise_error(rt::kErrOverflow);
  EXPECT_EQ(rt::read_timer(0.001, true), 0.0);
  EXPECT_EQ(rt::read_timer(0.0, true), 0.0);
  EXPECT_EQ(rt::pending_error(), rt::kErrOverflow);  // the first error is kept
}

// ---- time-of-day initialisation ------------------------------------------------

TEST_F(TimingTest, TimeBaseStartsOnTheNextWallClockSecond) {
  setenv("TZ", "UTC", 1);
  tzset();
  const int64_t second = 1'700'000'000;  // 22:13:20 UTC
  std::atomic<int> calendar_reads{0};
  host::set_calendar_hook([&] { return second + (++calendar_reads >= 4 ? 1 : 0); });
  play({}, 3);
  rt::initialise_time_of_day();
  EXPECT_EQ(calendar_reads.load(), 4);
  EXPECT_EQ(rt::clock_base_ms.load(), static_cast<uint32_t>(clock_.last));
  EXPECT_EQ(rt::day_offset_ms.load(), (22u * 3600 + 13 * 60 + 21) * 1000);
  EXPECT_DOUBLE_EQ(rt::read_timer(0.001, true), 22 * 3600 + 13 * 60 + 21 + 0.003);
}

TEST_F(TimingTest, NoWallClockMeansNoWaitAndMidnight) {
  int calendar_reads = 0;
  host::set_calendar_hook([&] { ++calendar_reads; return int64_t{-1}; });
  hold_at(777);
  rt::day_offset_ms.store(123);
  rt::initialise_time_of_day();
  EXPECT_EQ(calendar_reads, 1);
  EXPECT_EQ(rt::clock_base_ms.load(), 777u);
  EXPECT_EQ(rt::day_offset_ms.load(), 0u);
}

// ---- delay_seconds -------------------------------------------------------------

TEST_F(TimingTest, DelayRejectsOutOfRangeSecondsWithoutWaiting) {
  for (double bad : {-1.0, -0.001, 2'147'483.648, 1e12, std::nan("")}) {
    rt::clear_pending_error();
    play({100}, 1000);
    rt::delay_seconds(bad);
    EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall) << bad;
    EXPECT_EQ(clock_.reads, 1) << bad;  // the start only: no wait
  }
}

TEST_F(TimingTest, DelayOfZeroReturnsAtOnce) {
  play({100, 100}, 0);
  rt::delay_seconds(0);
  EXPECT_FALSE(rt::error_pending());
  EXPECT_LE(clock_.reads, 2);
}

TEST_F(TimingTest, DelayWaitsUntilTheTimeHasPassed) {
  // 50 ms from 1000: 30 and 20 ms left are slept 9 ms at a time with a check between;
  // 9 ms left is the last sleep, after which the delay is over without another reading.
  play({1000, 1020, 1030, 1041, 1045, 1060}, 0);
  rt::delay_seconds(0.05);
  EXPECT_EQ(clock_.reads, 4);
}

TEST_F(TimingTest, DelayCarriesOnWhenTheClockStepsBack) {
  // 20 ms pass, the clock jumps back 520 ms, 30 more pass: 50 ms in all.
  play({1000, 1020, 500, 530, 1040}, 100);
  rt::delay_seconds(0.05);
  EXPECT_EQ(clock_.reads, 4);
}

TEST_F(TimingTest, LongestDelayIsAccepted) {
  // The clock leaps past the whole delay at the second reading.
  play({0, 2'147'483'647}, 0);
  rt::delay_seconds(2'147'483.647);
  EXPECT_FALSE(rt::error_pending());
  EXPECT_EQ(clock_.reads, 2);
}

// ---- limit_rate ----------------------------------------------------------------

TEST_F(TimingTest, LimitRateRejectsRatesOfZeroOrBelowOneAMinute) {
  for (double bad : {0.0, -30.0, 0.01, 1.0 / 61.0, std::nan("")}) {
    rt::clear_pending_error();
    rt::reset_limit_rate();
    play({5000}, 1000);
    rt::limit_rate(bad);
    EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall) << bad;
    EXPECT_EQ(rt::limit_rate_boundary(), 0.0) << bad;
    EXPECT_EQ(clock_.reads, 0) << bad;
  }
  rt::clear_pending_error();
  hold_at(5000);
  rt::limit_rate(1.0 / 60.0);  // exactly one a minute is allowed
  EXPECT_FALSE(rt::error_pending());
  EXPECT_EQ(rt::limit_rate_boundary(), 5000.0);
}

TEST_F(TimingTest, LimitRateKeepsAFixedGrid) {
  const double period = 1000.0 / 30.0;
  play({1000}, 0);
  rt::limit_rate(30);  // the first call only notes the time
  EXPECT_EQ(clock_.reads, 1);
  EXPECT_EQ(rt::limit_rate_boundary(), 1000.0);

  // 10 ms later: it waits out the rest, and the boundary moves by exactly one period
  // although the clock overshoots.
  play({1010, 1020, 1031, 1040}, 0);
  rt::limit_rate(30);
  EXPECT_GE(clock_.reads, 3);
  EXPECT_DOUBLE_EQ(rt::limit_rate_boundary(), 1000.0 + period);

  struct Case {
    double after_boundary;  // when the next call comes, relative to the boundary
    double new_boundary;    // relative to the old boundary
  };
  const Case cases[] = {
      {period + 10, period},  // late but within 16 ms: the grid holds, no wait
      {period + 16, period},
      {period + 17, period + 17},  // more than 16 ms late: resynchronise
      {-50, -50},                  // the boundary lies in the future: restart from now
  };
  for (const Case& c : cases) {
    double boundary = rt::limit_rate_boundary();
    int64_t now = static_cast<int64_t>(boundary + c.after_boundary);
    hold_at(now);
    clock_.reads = 0;
    rt::limit_rate(30);
    EXPECT_EQ(clock_.reads, 1) << c.after_boundary;  // returned without waiting
    double expected = c.new_boundary == c.after_boundary ? static_cast<double>(now)
                                                         : boundary + c.new_boundary;
    EXPECT_DOUBLE_EQ(rt::limit_rate_boundary(), expected) << c.after_boundary;
  }
}

TEST_F(TimingTest, WaitsReturnAtOnceWhileAnErrorIsPending) {
  rt::raise_error(rt::kErrOverflow);
  play({}, 1);
  rt::limit_rate(30);
  rt::delay_seconds(1000);
  rt::key_press_signal.store(0);
  rt::sleep_until_key(0, false);  // would wait for ever
  EXPECT_EQ(rt::limit_rate_boundary(), 0.0);
  EXPECT_EQ(rt::pending_error(), rt::kErrOverflow);
}

// ---- sleep_until_key -----------------------------------------------------------

TEST_F(TimingTest, SleepUntilKeyEndsOnAKeyPressMadeWhileWaiting) {
  rt::key_press_signal.store(1);  // an old press is forgotten on entry
  hold_at(0);
  std::atomic<bool> returned{false};
  std::thread sleeper([&] {
    rt::sleep_until_key(0, false);
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_FALSE(returned.load());
  rt::key_press_signal.store(1);
  sleeper.join();
  EXPECT_TRUE(returned.load());
}

TEST_F(TimingTest, SleepUntilKeyEndsAfterItsSeconds) {
  struct Case {
    int32_t seconds;
    std::vector<int64_t> readings;
    int reads;
  };
  const Case cases[] = {
      {2, {1000, 1500, 2999, 3000}, 4},  // two seconds from 1000
      {2, {1000, 900}, 2},               // the start lies in the future
  };
  for (const Case& c : cases) {
    play(c.readings, 100000);
    rt::sleep_until_key(c.seconds, true);
    EXPECT_EQ(clock_.reads, c.reads) << c.seconds;
  }
}

}  // namespace
