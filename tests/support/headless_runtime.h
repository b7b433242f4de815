// Test support: the whole runtime without a window. The start-up steps run up to the
// threads, the script runs on its own thread, the clock is fake and moves only when the
// test says so, keys go in through the keyboard model, and a stand-in for the window
// takes every composed frame so the test can read the newest one back as text.
//
// One runtime per process: each test that uses it runs in a process of its own (the
// tests are discovered one by one), and the process leaves through _Exit once GoogleTest
// has reported, because the runtime's threads never stop.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/program.h"
#include "runtime/host/host.h"

namespace mw_test {

struct HeadlessOptions {
  // The local time of day, in milliseconds since midnight, when the fake clock starts.
  uint32_t time_of_day_ms = 10u * 3600u * 1000u;
  // Keys already typed when the script starts (before its first statement).
  std::vector<int32_t> keys_before_start;
};

// Starts the runtime and the script. Call once per process.
void start_headless_runtime(rt::ScriptBody body, const HeadlessOptions& options = {});

// ---- fake clock -------------------------------------------------------------------
int64_t fake_now_ms();
void advance_clock_ms(int64_t ms);  // never backwards

// ---- keys -------------------------------------------------------------------------
void press_key(int32_t code);
void release_key(int32_t code);
void tap_key(int32_t code);          // press, then release
void type_text(std::string_view text);  // each byte tapped; '\n' is Enter, '\b' Backspace

// ---- the screen as the window would show it ------------------------------------------
struct Screen {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<std::string> rows;   // text rows 1..n as rows[0..n-1], trailing spaces cut
  std::vector<uint32_t> row_inks;  // ink (0xAARRGGBB) of each row's first non-space cell
  uint64_t sequence = 0;           // 1 for the first frame the window took, and so on

  const std::string& row(int32_t number) const;  // 1-based; empty beyond the last row
  bool contains(std::string_view text) const;
  std::string text() const;  // every row, each ended by '\n'
  uint32_t ink_of_row(int32_t number) const;  // 0 for a blank row
};

// Every frame the composer publishes is taken, in order, even when a newer one follows
// at once (the real window would skip it): a test sees each pass of the reader.
uint64_t frame_sequence();  // the sequence of the newest frame taken (0 before any)
// The newest frame taken so far (an empty Screen before the first one).
Screen current_screen();
// Waits in real time (bounded) for a frame that satisfies the test, trying every frame
// from sequence `since` on (by default from the newest one at the call); nullopt on
// time-out.
std::optional<Screen> wait_for_screen(const std::function<bool(const Screen&)>& test,
                                      std::chrono::milliseconds limit = std::chrono::seconds(20),
                                      std::optional<uint64_t> since = std::nullopt);
std::optional<Screen> wait_for_text(std::string_view text,
                                    std::chrono::milliseconds limit = std::chrono::seconds(20));

// ---- the end of the process ---------------------------------------------------------
bool process_ended();
int32_t exit_code();
bool wait_for_exit(std::chrono::milliseconds limit = std::chrono::seconds(20));

// ---- message boxes ------------------------------------------------------------------
struct RecordedBox {
  std::string text;
  std::string caption;
  host::MessageBoxButtons buttons;
};
// Every box is recorded and answered with this answer (Yes by default; OK-only boxes
// are answered OK).
void set_message_box_answer(host::MessageBoxAnswer answer);
std::vector<RecordedBox> message_boxes();

}  // namespace mw_test
