#include "tests/support/headless_runtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "runtime/core/control_words.h"
#include "runtime/core/events.h"
#include "runtime/core/low_memory.h"
#include "runtime/display/keyboard.h"
#include "runtime/display/refresh.h"
#include "runtime/screen/screen_state.h"
#include "runtime/strings/string_storage.h"
#include "runtime/strings/timing.h"
#include "tests/support/screen_reader.h"

namespace mw_test {

namespace {

constexpr int64_t kClockStartMs = 1'000'000;  // not 0: the rate limiter reads 0 as "never"
constexpr uint32_t kPaper = 0xFF000000u;      // black, the game's background
constexpr int32_t kCellHeight = 16;
constexpr auto kWindowPollInterval = std::chrono::milliseconds(2);
constexpr auto kWaitPollInterval = std::chrono::milliseconds(2);
constexpr size_t kFramesKept = 4096;

struct Harness {
  std::atomic<bool> started{false};
  std::atomic<int64_t> now_ms{kClockStartMs};

  std::mutex frame_mutex;
  std::deque<Screen> recent;  // guarded by frame_mutex; the newest at the back
  std::atomic<uint64_t> frames_taken{0};

  std::atomic<bool> ended{false};
  std::atomic<int32_t> code{-1};

  std::mutex box_mutex;
  std::vector<RecordedBox> boxes;
  host::MessageBoxAnswer answer = host::MessageBoxAnswer::Yes;
};

Harness& harness() {
  static Harness* h = new Harness;  // never destroyed: the runtime threads outlive main
  return *h;
}

// Leaves the process as soon as GoogleTest has reported: the runtime's threads sleep for
// ever and would otherwise run into the static destructors.
class LeaveAfterReport : public ::testing::EmptyTestEventListener {
  void OnTestProgramEnd(const ::testing::UnitTest& unit) override {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(unit.Passed() ? 0 : 1);
  }
};

Screen read_screen(const rt::FrameSlot& slot) {
  Screen s;
  s.width = slot.width;
  s.height = slot.height;
  mw_test::Frame frame{slot.pixels, slot.width, slot.height, kCellHeight};
  for (int32_t row = 1; row <= s.height / kCellHeight; ++row) {
    s.rows.push_back(read_frame_row(frame, row, kPaper));
    const std::string& text = s.rows.back();
    const size_t first = text.find_first_not_of(' ');
    s.row_inks.push_back(first == std::string::npos
                             ? 0
                             : read_frame_cell(frame, row, static_cast<int32_t>(first) + 1, kPaper)
                                   .foreground);
  }
  return s;
}

// The window's part: take the frames published since the last look, mark them drawn and
// let the older ones go. Slots not yet marked superseded are never recycled, so every one
// of them can still be read here.
void take_new_frames(int32_t& seen) {
  Harness& h = harness();
  const int32_t latest = rt::latest_frame();
  if (latest == 0 || latest == seen) return;
  int32_t slot_index = seen == 0 ? latest : rt::next_frame_slot(seen);
  for (;;) {
    rt::FrameSlot& slot = rt::frame_slot(slot_index);
    Screen s = read_screen(slot);
    slot.drawn.store(1, std::memory_order_release);
    s.sequence = h.frames_taken.load() + 1;
    {
      std::lock_guard<std::mutex> lock(h.frame_mutex);
      h.recent.push_back(std::move(s));
      if (h.recent.size() > kFramesKept) h.recent.pop_front();
    }
    h.frames_taken.fetch_add(1);
    if (slot_index == latest) break;
    slot_index = rt::next_frame_slot(slot_index);
  }
  seen = latest;
  rt::mark_superseded_frames();
}

void window_thread() {
  int32_t seen = 0;
  for (;;) {
    take_new_frames(seen);
    std::this_thread::sleep_for(kWindowPollInterval);
  }
}

// The screen reader builds its glyph index on first use; build it now, before the window
// thread and the test both read frames.
void warm_screen_reader() {
  std::vector<uint32_t> blank(8 * kCellHeight, kPaper);
  mw_test::Frame frame{blank.data(), 8, kCellHeight, kCellHeight};
  (void)read_frame_row(frame, 1, kPaper);
}

void install_hooks() {
  Harness& h = harness();
  host::set_clock_hook([] { return harness().now_ms.load(); });
  // No calendar: the time base starts at once, and the test sets the time of day.
  host::set_calendar_hook([] { return int64_t{-1}; });
  host::set_host_key_state_hook([] { return host::HostKeyState{}; });
  host::set_message_box_hook([](const std::string& text, const std::string& caption,
                                host::MessageBoxButtons buttons) {
    Harness& h = harness();
    std::lock_guard<std::mutex> lock(h.box_mutex);
    h.boxes.push_back({text, caption, buttons});
    return buttons == host::MessageBoxButtons::Ok ? host::MessageBoxAnswer::Ok : h.answer;
  });
  host::set_exit_hook([](int code) {
    Harness& h = harness();
    h.code.store(code);
    h.ended.store(true);
    // The exit hook must not return: the thread that ends the process stays here.
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  });
  (void)h;
}

}  // namespace

void start_headless_runtime(rt::ScriptBody body, const HeadlessOptions& options) {
  Harness& h = harness();
  if (h.started.exchange(true)) return;
  ::testing::UnitTest::GetInstance()->listeners().Append(new LeaveAfterReport);
  install_hooks();

  // The real program's start-up, with a stand-in for the window.
  rt::prepare_runtime(0, nullptr, body);
  // The fake clock's time of day replaces the one read from the host.
  rt::clock_base_ms.store(static_cast<uint32_t>(kClockStartMs));
  rt::day_offset_ms.store(options.time_of_day_ms);
  warm_screen_reader();
  for (int32_t code : options.keys_before_start) tap_key(code);

  std::thread(window_thread).detach();
  rt::start_runtime_threads();
}

int64_t fake_now_ms() { return harness().now_ms.load(); }
void advance_clock_ms(int64_t ms) {
  if (ms > 0) harness().now_ms.fetch_add(ms);
}

void press_key(int32_t code) { rt::key_pressed(code); }
void release_key(int32_t code) { rt::key_released(code); }
void tap_key(int32_t code) {
  press_key(code);
  release_key(code);
}

void type_text(std::string_view text) {
  for (char c : text) {
    if (c == '\n')
      tap_key(13);
    else if (c == '\b')
      tap_key(8);
    else
      tap_key(static_cast<uint8_t>(c));
  }
}

const std::string& Screen::row(int32_t number) const {
  static const std::string kNone;
  if (number < 1 || number > static_cast<int32_t>(rows.size())) return kNone;
  return rows[number - 1];
}

bool Screen::contains(std::string_view needle) const {
  for (const std::string& r : rows)
    if (r.find(needle) != std::string::npos) return true;
  return false;
}

std::string Screen::text() const {
  std::string all;
  for (const std::string& r : rows) all += r + "\n";
  return all;
}

uint32_t Screen::ink_of_row(int32_t number) const {
  if (number < 1 || number > static_cast<int32_t>(row_inks.size())) return 0;
  return row_inks[number - 1];
}

uint64_t frame_sequence() { return harness().frames_taken.load(); }

Screen current_screen() {
  Harness& h = harness();
  std::lock_guard<std::mutex> lock(h.frame_mutex);
  return h.recent.empty() ? Screen{} : h.recent.back();
}

namespace {

// The frames from sequence `from` on that have been taken so far.
std::vector<Screen> frames_from(uint64_t from) {
  Harness& h = harness();
  std::lock_guard<std::mutex> lock(h.frame_mutex);
  std::vector<Screen> found;
  for (const Screen& s : h.recent)
    if (s.sequence >= from) found.push_back(s);
  return found;
}

}  // namespace

std::optional<Screen> wait_for_screen(const std::function<bool(const Screen&)>& test,
                                      std::chrono::milliseconds limit,
                                      std::optional<uint64_t> since) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  uint64_t next = since ? *since : std::max<uint64_t>(frame_sequence(), 1);
  for (;;) {
    for (Screen& s : frames_from(next)) {
      next = s.sequence + 1;
      if (test(s)) return std::move(s);
    }
    if (std::chrono::steady_clock::now() > give_up) return std::nullopt;
    std::this_thread::sleep_for(kWaitPollInterval);
  }
}

std::optional<Screen> wait_for_text(std::string_view text, std::chrono::milliseconds limit) {
  return wait_for_screen([text](const Screen& s) { return s.contains(text); }, limit);
}

bool process_ended() { return harness().ended.load(); }
int32_t exit_code() { return harness().code.load(); }

bool wait_for_exit(std::chrono::milliseconds limit) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  while (!process_ended()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(kWaitPollInterval);
  }
  return true;
}

void set_message_box_answer(host::MessageBoxAnswer answer) {
  Harness& h = harness();
  std::lock_guard<std::mutex> lock(h.box_mutex);
  h.answer = answer;
}

std::vector<RecordedBox> message_boxes() {
  Harness& h = harness();
  std::lock_guard<std::mutex> lock(h.box_mutex);
  return h.boxes;
}

}  // namespace mw_test
