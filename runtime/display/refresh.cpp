// The refresh thread: the runtime's heartbeat. Every pass keeps the emulated BIOS tick
// count current; every second pass composes a frame while display is automatic, the
// passes between mirror the host's lock keys. It also starts the exit sequence.
#include "runtime/display/refresh.h"

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/core/program.h"
#include "runtime/display/keyboard.h"
#include "runtime/host/host.h"
#include "runtime/strings/timing.h"

namespace rt {

namespace {

constexpr double kTicksPerMillisecond = 0.0182;
constexpr int64_t kPassSleepMs = 15;
constexpr int64_t kPassExtraSleepMs = 1;
constexpr int64_t kHandOverPollMs = 1;

struct RefreshState {
  uint8_t phase = 0;                       // refresh thread only
  std::atomic<uint32_t> frame_counter{0};  // read by a composer on the script thread
};

RefreshState g_refresh;

}  // namespace

uint32_t frame_counter() { return g_refresh.frame_counter.load(std::memory_order_relaxed); }
void set_frame_counter(uint32_t value) { g_refresh.frame_counter.store(value, std::memory_order_relaxed); }

void update_tick_counter() {
  uint32_t ticks = static_cast<uint32_t>(milliseconds_since_midnight() * kTicksPerMillisecond);
  low_memory_write_u8(kTickCounter, static_cast<uint8_t>(ticks));
  low_memory_write_u8(kTickCounter + 1, static_cast<uint8_t>(ticks >> 8));
  low_memory_write_u8(kTickCounter + 2, static_cast<uint8_t>(ticks >> 16));
}

// The host's toggles decide; the keyboard model is repaired only where it disagrees.
void sync_lock_keys() {
  host::HostKeyState host_keys = host::query_host_key_state();
  sync_lock_keys(host_keys.scroll_lock_on, host_keys.caps_lock_on, host_keys.num_lock_on);
}

void refresh_pass() {
  if (close_requests.load() != 0 && program_handles_close.load() == 0) run_exit_sequence();
  update_tick_counter();
  host::sleep_milliseconds(kPassSleepMs);
  host::sleep_milliseconds(kPassExtraSleepMs);
  if (stop_requested.load() != 0) run_exit_sequence();
  g_refresh.phase ^= 1;
  if (g_refresh.phase == 1) {
    if (auto_display.load() != 0) compose_frame();
    g_refresh.frame_counter.fetch_add(1, std::memory_order_relaxed);
  } else {
    sync_lock_keys();
  }
}

void refresh_thread_main() {
  for (;;) refresh_pass();
}

void request_display() {
  if (error_pending()) return;
  if (auto_display.load() == 0) {
    compose_frame();
    return;
  }
  // Hand the display over: the refresh thread's next composition shows the page and
  // then sets auto_display to 0. An exit stops the refresh thread composing, so the
  // wait gives up then and the script parks at its next checkpoint.
  auto_display.store(-1);
  while (auto_display.load() != 0) {
    if (exit_in_progress.load() != 0) return;
    host::sleep_milliseconds(kHandOverPollMs);
  }
}

void enable_auto_display() { auto_display.store(1); }

}  // namespace rt
