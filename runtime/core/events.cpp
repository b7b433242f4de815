#include "runtime/core/events.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/host/host.h"

namespace rt {

namespace {

constexpr ErrorCode kErrTimedEventTableFull = 257;

// Handshake values: a resizer asks, the scanner stands aside, the resizer frees it.
constexpr uint32_t kHandshakeFree = 0;
constexpr uint32_t kHandshakeRequested = 1;
constexpr uint32_t kHandshakeYielded = 2;

constexpr int kPassesPerSleep = 4;

struct EventState {
  // Allocated before main with one entry, as the table exists before start-up presets it.
  TimedEvent* timed = static_cast<TimedEvent*>(std::calloc(1, sizeof(TimedEvent)));
  int32_t timed_count = 1;
  std::atomic<uint32_t> handshake{kHandshakeFree};
  std::atomic<bool> scanner_running{false};
  int pass_counter = 0;

  KeyEvent keys[kKeyEventCount]{};
  bool key_dispatch_busy = false;
};
EventState g_events;

// `pending` is the one field both threads write; everything else belongs to the script
// side or to the scanner alone.
uint8_t load_pending(TimedEvent& e) { return std::atomic_ref<uint8_t>(e.pending).load(); }
void store_pending(TimedEvent& e, uint8_t v) { std::atomic_ref<uint8_t>(e.pending).store(v); }

bool scanner_should_see(TimedEvent& e) {
  return e.in_use && e.handler != 0 && e.state == 1 && load_pending(e) == 0;
}

void advance_timer(TimedEvent& e, double now) {
  if (!(now - e.last > e.interval)) return;
  if (e.last == 0) {
    e.last = now;  // the first due moment only arms the timer
    return;
  }
  e.last += e.interval;
  // Fallen behind by a whole interval or more: catch up instead of firing a burst.
  if (std::fabs(now - e.last) >= e.interval) e.last = now;
  store_pending(e, 1);
  event_pending.store(1);
}

// Stands aside while a resize is requested. Returns true when the scan may go on.
bool answer_handshake() {
  uint32_t requested = kHandshakeRequested;
  g_events.handshake.compare_exchange_strong(requested, kHandshakeYielded);
  return g_events.handshake.load() == kHandshakeFree;
}

void rest_after_pass() {
  if (++g_events.pass_counter >= kPassesPerSleep) {
    g_events.pass_counter = 0;
    host::sleep_milliseconds(1);
  } else {
    host::sleep_milliseconds(0);
  }
}

struct KeyPreset {
  int32_t index;
  int32_t key_code;
  int32_t alternative_key_code;
};

// Function keys F1-F10, the cursor keys with their keypad codes, F11 and F12.
constexpr KeyPreset kKeyPresets[] = {
    {1, 0x3B00, 0},      {2, 0x3C00, 0},      {3, 0x3D00, 0},      {4, 0x3E00, 0},
    {5, 0x3F00, 0},      {6, 0x4000, 0},      {7, 0x4100, 0},      {8, 0x4200, 0},
    {9, 0x4300, 0},      {10, 0x4400, 0},     {11, 0x4800, 100264}, {12, 0x4B00, 100260},
    {13, 0x4D00, 100262}, {14, 0x5000, 100258}, {30, 0x8500, 0},     {31, 0x8600, 0},
};

}  // namespace

void preset_event_tables() {
  for (const KeyPreset& p : kKeyPresets) {
    g_events.keys[p.index].key_code = p.key_code;
    g_events.keys[p.index].alternative_key_code = p.alternative_key_code;
  }
  hold_timed_event_scanner();
  TimedEvent& first = g_events.timed[0];
  first = TimedEvent{};
  first.in_use = 1;
  release_timed_event_scanner();
}

int32_t timed_event_count() { return g_events.timed_count; }

TimedEvent* timed_event(int32_t index) {
  if (index < 0 || index >= g_events.timed_count) return nullptr;
  return &g_events.timed[index];
}

void hold_timed_event_scanner() {
  g_events.handshake.store(kHandshakeRequested);
  while (g_events.handshake.load() != kHandshakeYielded && g_events.scanner_running.load()) {
    host::sleep_milliseconds(0);
  }
}

void release_timed_event_scanner() { g_events.handshake.store(kHandshakeFree); }

void resize_timed_event_table(int32_t count) {
  if (count <= g_events.timed_count) return;
  hold_timed_event_scanner();
  size_t bytes = static_cast<size_t>(count) * sizeof(TimedEvent);
  auto* grown = static_cast<TimedEvent*>(std::realloc(g_events.timed, bytes));
  if (grown == nullptr) {
    release_timed_event_scanner();
    raise_error(kErrTimedEventTableFull);
    return;
  }
  std::memset(grown + g_events.timed_count, 0,
              static_cast<size_t>(count - g_events.timed_count) * sizeof(TimedEvent));
  g_events.timed = grown;
  g_events.timed_count = count;
  release_timed_event_scanner();
}

KeyEvent* key_event(int32_t index) {
  if (index < 0 || index >= kKeyEventCount) return nullptr;
  return &g_events.keys[index];
}

bool scan_timed_events(double now_seconds) {
  for (int32_t i = 0; i < g_events.timed_count; ++i) {
    TimedEvent& e = g_events.timed[i];
    if (scanner_should_see(e)) advance_timer(e, now_seconds);
    if (g_events.handshake.load() == kHandshakeRequested) return false;
  }
  return true;
}

void start_event_timer_thread() {
  g_events.scanner_running.store(true);
  host::start_thread(event_timer_thread_main);
}

void event_timer_thread_main() {
  g_events.scanner_running.store(true);
  while (!exit_in_progress.load()) {
    if (!answer_handshake()) {
      host::sleep_milliseconds(0);
      continue;
    }
    double now = static_cast<double>(host::process_milliseconds()) * 0.001;
    if (!scan_timed_events(now)) continue;
    rest_after_pass();
  }
  g_events.scanner_running.store(false);
  // Set with an OR: the script may park at the same moment, and a lost bit would keep
  // the exit sequence waiting for ever.
  parked_threads.fetch_or(2);
}

void dispatch_key_events() {
  bool consumed = true;
  while (consumed && !g_events.key_dispatch_busy) {
    consumed = false;
    for (int32_t i = 1; i < kKeyEventCount; ++i) {
      KeyEvent& k = g_events.keys[i];
      if (k.handler == 0 || k.state != 1 || k.pending == 0) continue;
      g_events.key_dispatch_busy = true;
      --k.pending;
      g_events.key_dispatch_busy = false;
      consumed = true;
      break;
    }
  }
}

void dispatch_timed_events() {
  bool consumed = true;
  while (consumed) {
    consumed = false;
    for (int32_t i = 0; i < g_events.timed_count; ++i) {
      TimedEvent& e = g_events.timed[i];
      if (!e.in_use || e.handler == 0 || e.state != 1 || load_pending(e) != 1) continue;
      store_pending(e, 2);
      store_pending(e, 0);
      // A sleeping script wakes up as it would for a key press.
      key_press_signal.store(1);
      consumed = true;
      break;
    }
  }
}

}  // namespace rt
