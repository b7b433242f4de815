// Timing services. Every wait is built from host sleeps of at most 9 ms with the
// statement checkpoint between them, so a waiting script still notices errors, timed
// events, the Pause key and the exit.
#include "runtime/strings/timing.h"

#include <cmath>
#include <limits>

#include "runtime/core/checkpoint.h"
#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/host/host.h"

namespace rt {

namespace {

constexpr int64_t kMillisecondsPerDay = 86'400'000;
constexpr double kTimerTicksPerSecond = 18.2;
constexpr int64_t kLongestSleepBetweenChecks = 9;
constexpr double kLongestDelaySeconds = 2'147'483.647;
constexpr double kLongestRatePeriodMs = 60'000.0;
constexpr double kLateGraceMs = 16.0;

struct TimingState {
  double last_frame_ms = 0.0;  // limit_rate's grid; 0 until the first call
};

TimingState g_timing;

// One step of a wait with r milliseconds left. Returns true when the wait is over.
bool waiting_step(double remaining_ms) {
  int64_t w = static_cast<int64_t>(remaining_ms);
  if (w <= 0) w = 1;
  if (w <= kLongestSleepBetweenChecks) {
    host::sleep_milliseconds(w);
    return true;
  }
  host::sleep_milliseconds(kLongestSleepBetweenChecks);
  statement_checkpoint(0);
  return false;
}

// Round to nearest, ties to even, as the script's integer conversion does. Values beyond
// 64 bits are returned unrounded: at that magnitude a double has no fraction left.
double round_to_whole(double value) {
  constexpr double kLimit = 9.2233720368547758e18;  // 2^63
  if (!(std::fabs(value) < kLimit)) return value;
  return static_cast<double>(std::llrint(value));
}

}  // namespace

int64_t elapsed_milliseconds() { return host::process_milliseconds(); }

void initialise_time_of_day() {
  int64_t second = host::calendar_seconds();
  if (second >= 0) {
    // Start the time base on a second boundary so read_timer agrees with the wall clock
    // to the millisecond. A 1 ms sleep keeps the boundary within the clock's resolution
    // without spinning a core for up to a second.
    int64_t first = second;
    while ((second = host::calendar_seconds()) == first) host::sleep_milliseconds(1);
  }
  clock_base_ms.store(static_cast<uint32_t>(elapsed_milliseconds()));
  host::LocalTime local;
  uint32_t offset = 0;
  if (host::local_time_of_day(second, local))
    offset = static_cast<uint32_t>((local.hour * 3600 + local.minute * 60 + local.second) * 1000);
  day_offset_ms.store(offset);
}

uint32_t milliseconds_since_midnight() {
  // Computed in 64 bits: a 32-bit difference would jump by about 17 hours once the
  // process has run for 2^32 ms (49.7 days).
  int64_t ms = elapsed_milliseconds() - static_cast<int64_t>(clock_base_ms.load()) +
               static_cast<int64_t>(day_offset_ms.load());
  ms %= kMillisecondsPerDay;
  if (ms < 0) ms += kMillisecondsPerDay;
  return static_cast<uint32_t>(ms);
}

double read_timer(double accuracy, bool accuracy_given) {
  if (error_pending()) return 0.0;
  if (accuracy_given && !(accuracy > 0.0)) {
    raise_error(kErrIllegalFunctionCall);
    return 0.0;
  }
  double seconds = milliseconds_since_midnight() / 1000.0;
  double factor = accuracy_given ? 1.0 / accuracy : kTimerTicksPerSecond;
  double steps = round_to_whole(seconds * factor);
  // An accuracy so coarse that its factor underflows to 0 leaves nothing but 0.
  double result = (steps == 0.0 || factor == 0.0) ? 0.0 : steps / factor;
  if (!accuracy_given) result = static_cast<double>(static_cast<float>(result));
  return result;
}

void delay_seconds(double seconds) {
  int64_t start = elapsed_milliseconds();
  if (error_pending()) return;
  if (!(seconds >= 0.0 && seconds <= kLongestDelaySeconds)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  double wait = seconds * 1000.0;
  int64_t previous = start;
  for (;;) {
    int64_t now = elapsed_milliseconds();
    // A clock that steps back moves the start so that the elapsed time carries on
    // from the previous reading instead of restarting the delay.
    if (now < previous) start += now - previous;
    previous = now;
    double elapsed = static_cast<double>(now - start);
    if (!(wait > elapsed)) return;
    if (waiting_step(wait - elapsed)) return;
  }
}

void limit_rate(double passes_per_second) {
  if (error_pending()) return;
  if (!(passes_per_second > 0.0)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  double period = 1000.0 / passes_per_second;
  if (period > kLongestRatePeriodMs) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  for (;;) {
    double now = static_cast<double>(elapsed_milliseconds());
    double& boundary = g_timing.last_frame_ms;
    if (boundary == 0.0 || boundary > now) {
      boundary = now;
      return;
    }
    double elapsed = now - boundary;
    if (period > elapsed) {
      if (!waiting_step(period - elapsed)) continue;
      // Advancing by exactly one period keeps the passes on a fixed grid, so short
      // oversleeps do not add up.
      boundary += period;
      return;
    }
    // A slightly late pass keeps the grid; a very late one resynchronises instead of
    // catching up with a burst of passes.
    boundary = (elapsed <= period + kLateGraceMs) ? boundary + period : now;
    return;
  }
}

void sleep_until_key(int32_t seconds, bool seconds_given) {
  if (error_pending()) return;
  key_press_signal.store(0);
  int64_t start = seconds_given ? elapsed_milliseconds() : 0;
  int64_t limit = seconds_given ? static_cast<int64_t>(seconds) * 1000 : 0;
  for (;;) {
    statement_checkpoint(0);
    if (key_press_signal.load() != 0 || exit_in_progress.load() != 0) return;
    if (limit <= 0) {
      host::sleep_milliseconds(kLongestSleepBetweenChecks);
      continue;
    }
    int64_t now = elapsed_milliseconds();
    if (start > now) return;
    int64_t elapsed = now - start;
    if (elapsed >= limit) return;
    waiting_step(static_cast<double>(limit - elapsed));
  }
}

void sleep_milliseconds(int64_t milliseconds) { host::sleep_milliseconds(milliseconds); }

double limit_rate_boundary() { return g_timing.last_frame_ms; }
void reset_limit_rate() { g_timing.last_frame_ms = 0.0; }

}  // namespace rt
