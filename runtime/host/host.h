// The host layer: the few operating-system services the runtime needs, in one place,
// so that tests can replace the clock, the message box and the process exit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace host {

// ---- message box -------------------------------------------------------------------
enum class MessageBoxButtons { Ok, YesNo };
enum class MessageBoxAnswer { Ok, Yes, No };

// A modal dialog kept above the game window. Safe to call from any thread. Without an
// X display the box goes to stderr and the answer is No (Ok for an OK-only box).
MessageBoxAnswer message_box(const std::string& text, const std::string& caption,
                             MessageBoxButtons buttons);

using MessageBoxHook =
    std::function<MessageBoxAnswer(const std::string& text, const std::string& caption,
                                   MessageBoxButtons buttons)>;
// Tests answer the box themselves; an empty hook restores the real dialog.
void set_message_box_hook(MessageBoxHook hook);

// ---- host key state ----------------------------------------------------------------
struct HostKeyState {
  bool caps_lock_on = false;
  bool num_lock_on = false;
  bool scroll_lock_on = false;
  bool scroll_lock_down = false;
  bool left_shift_down = false;
  bool right_shift_down = false;
  bool left_ctrl_down = false;
  bool right_ctrl_down = false;
  bool left_alt_down = false;
  bool right_alt_down = false;
};
// Reads the lock toggles and the held modifiers from the X server (all false without a
// display). Callable from any thread: it uses a connection of its own.
HostKeyState query_host_key_state();
using HostKeyStateHook = std::function<HostKeyState()>;
void set_host_key_state_hook(HostKeyStateHook hook);

// ---- threads and sleeps ------------------------------------------------------------
void start_thread(void (*body)());  // detached, default stack
void sleep_milliseconds(int64_t ms);  // 0 yields the processor
void yield_processor();

// ---- clocks ------------------------------------------------------------------------
// Milliseconds of wall-clock time since the process started (monotonic).
int64_t process_milliseconds();
// Tests run a fake clock: while a hook is set, process_milliseconds() returns its value.
using ClockHook = std::function<int64_t()>;
void set_clock_hook(ClockHook hook);

// Calendar time in whole seconds; -1 when unavailable.
int64_t calendar_seconds();
struct LocalTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
};
// Local time of day of a calendar second; false when it cannot be had.
bool local_time_of_day(int64_t calendar_second, LocalTime& out);
using CalendarHook = std::function<int64_t()>;  // replaces calendar_seconds() in tests
void set_calendar_hook(CalendarHook hook);

// ---- floating point and signals ----------------------------------------------------
// x87 precision control to the 64-bit mantissa.
void set_extended_precision();
void install_arithmetic_fault_handler(void (*handler)(int));

// ---- files and process -------------------------------------------------------------
std::string executable_path();  // empty when unknown
bool change_directory(const std::string& path);
std::string current_directory();

// Ends the process with the code. Tests replace it (the hook must not return normally;
// it may throw or end a forked child).
[[noreturn]] void process_exit(int code);
using ExitHook = std::function<void(int code)>;
void set_exit_hook(ExitHook hook);

}  // namespace host
