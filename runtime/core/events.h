// Timed events, key events and the thread that scans the timed events.
#pragma once

#include <cstdint>

namespace rt {

// One timer. The scanner thread writes `pending` and `last`; everything else changes
// only while the scanner is held off through the resize handshake.
struct TimedEvent {
  uint8_t in_use;
  int32_t handler;           // script routine; 0 = none
  int64_t handler_argument;
  uint8_t state;             // 1 = on
  uint8_t pending;           // 0 nothing due, 1 due, 2 being handled
  double interval;           // seconds
  double last;               // seconds of the millisecond clock; 0 = not armed yet
};

// One key trap. Entries 1 to 31 are used.
struct KeyEvent {
  int32_t handler;           // 0 = none
  int64_t handler_argument;
  uint8_t state;             // 1 = on
  uint8_t pending;           // count of presses not yet handled
  int32_t key_code;
  int32_t alternative_key_code;
};

inline constexpr int32_t kKeyEventCount = 32;

// Start-up presets: the function and cursor keys of the key-event table, and timed
// entry 0 in use with no handler.
void preset_event_tables();

// The timed-event table. Entries stay at their address until the next resize.
int32_t timed_event_count();
TimedEvent* timed_event(int32_t index);  // null outside 0..count-1
// Grows (never shrinks) the table to `count` entries, new ones zeroed, holding the
// scanner off while the table moves. A table that cannot grow raises 257, which ends
// the process.
void resize_timed_event_table(int32_t count);
// The resize handshake, also used to edit entries in place while the scanner runs:
// hold asks the scanner to stand aside and waits until it has (or is not running).
void hold_timed_event_scanner();
void release_timed_event_scanner();

KeyEvent* key_event(int32_t index);  // null outside 0..31

// One pass over the timed events at time `now_seconds`: marks the due ones pending and
// sets event_pending. Returns false when a resize request cut the pass short.
bool scan_timed_events(double now_seconds);

// Starts the EventTimerThread; from here on table changes wait for its handshake.
void start_event_timer_thread();
// The EventTimerThread body: scans until exit_in_progress, then marks bit 1 of
// parked_threads and returns.
void event_timer_thread_main();

// The three scans of the checkpoint. Nothing here runs a script routine: the program
// defines no handlers, so the scans only retire what is pending.
void dispatch_key_events();
void dispatch_timed_events();

}  // namespace rt
