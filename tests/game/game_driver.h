// Plays the game headless, in lock-step with its command reader: the fake clock moves
// one reader pass (34 ms) at a time and each pass is awaited on screen by its clock, so
// the number of passes a typed line takes is known exactly (one key-hit code a pass).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "game/script.h"
#include "game/texts.h"
#include "runtime/core/control_words.h"
#include "runtime/display/refresh.h"
#include "runtime/strings/timing.h"
#include "tests/support/headless_runtime.h"

namespace mw_test {

inline constexpr int64_t kPassMs = 34;          // a little over one 30-per-second period
inline constexpr int64_t kCountdownMs = 600'000;
inline constexpr uint32_t kLightGreyInk = 0xFFAAAAAAu;
inline constexpr uint32_t kGreenInk = 0xFF00AA00u;
inline constexpr int32_t kClockColumn = 32;
inline constexpr int32_t kBottomRow = 30;
inline constexpr char kEndPrompt[] = "Press any key to continue";

// What the clock shows with `ms` left: " ###:##.###".
inline std::string clock_text(int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, " %3lld:%2lld.%03lld", static_cast<long long>(ms / 60000),
                static_cast<long long>(ms % 60000 / 1000), static_cast<long long>(ms % 1000));
  return text;
}

// The clock as a screen shows it on row 2 (empty when there is none).
inline std::string clock_on(const Screen& s) {
  const std::string& row = s.row(2);
  return row.size() > kClockColumn - 1 ? row.substr(kClockColumn - 1) : std::string();
}

class GameDriver {
 public:
  explicit GameDriver(const HeadlessOptions& options = {}) {
    start_headless_runtime(game::script_body, options);
  }

  // Waits for the introduction, presses a key and waits for the first prompt.
  Screen leave_introduction(int64_t wait_ms = 0) {
    EXPECT_TRUE(wait_for_text(game::text::kIntro1).has_value()) << "no introduction";
    advance_clock_ms(wait_ms);
    countdown_from(fake_now_ms());
    const uint64_t from = frame_sequence() + 1;
    tap_key(' ');
    return await_prompt(from);
  }

  // The countdown started at this fake time (the introduction was left then).
  void countdown_from(int64_t ms) { countdown_start_ms_ = ms; }

  int64_t remaining_ms() const { return countdown_start_ms_ + kCountdownMs - fake_now_ms(); }

  // The frame of the reader pass made at the current fake time, among the frames from
  // sequence `from` on.
  Screen await_pass(uint64_t from) {
    auto s = wait_for_screen(showing_current_clock(), std::chrono::seconds(20), from);
    if (!s) {
      ADD_FAILURE() << "no reader pass showing" << clock_text(remaining_ms()) << " auto_display "
                    << rt::auto_display.load() << " boundary " << rt::limit_rate_boundary()
                    << " now " << fake_now_ms() << "; screen:\n" << current_screen().text();
      return current_screen();
    }
    return *s;
  }

  // One more pass of the reader.
  Screen pass() {
    const uint64_t from = frame_sequence() + 1;
    advance_clock_ms(kPassMs);
    return await_pass(from);
  }

  // Moves the fake clock to `ms` before the deadline and awaits that pass.
  Screen pass_with_remaining(int64_t ms) {
    const uint64_t from = frame_sequence() + 1;
    advance_clock_ms(remaining_ms() - ms);
    return await_pass(from);
  }

  // The first pass of a reader. Its frame is the one that hands the display over from the
  // refresh thread, which may have composed it while the pass was still drawing; the next
  // pass repairs that. No key waits for this pass, so a further pass changes nothing else.
  Screen await_prompt(uint64_t from) {
    constexpr int kTries = 5;
    for (int i = 0; i < kTries; ++i) {
      auto s = wait_for_screen(showing_current_clock(), std::chrono::seconds(2), from);
      if (s) return *s;
      advance_clock_ms(kPassMs);
    }
    return await_pass(from);
  }

  // After a screen that waited for a key: the next reader's first pass.
  Screen next_prompt() {
    const uint64_t from = frame_sequence() + 1;
    advance_clock_ms(kPassMs);
    return await_prompt(from);
  }

  // Types a line and Enter, runs the passes that read them (press and release of each
  // character, then Enter's press), and returns the Enter pass's screen.
  Screen type_line(std::string_view line) {
    type_text(line);
    tap_key(13);
    Screen last;
    for (size_t i = 0; i < 2 * line.size() + 1; ++i) last = pass();
    return last;
  }

  // A command that leads back to a turn: its line, then the next reader's first pass.
  Screen command(std::string_view line) {
    type_line(line);
    return next_prompt();
  }

 private:
  std::function<bool(const Screen&)> showing_current_clock() const {
    return [expected = clock_text(remaining_ms())](const Screen& s) {
      return clock_on(s) == expected;
    };
  }

  int64_t countdown_start_ms_ = 0;
};

}  // namespace mw_test
