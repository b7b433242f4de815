// The Marrowick script: start and introduction, the turn loop with its command step, the
// timed command reader with its countdown, and the four endings.
#pragma once

#include "runtime/strings/string_value.h"

namespace game {

// The body of the script thread. Never returns: every path ends in end_program.
void script_body();

// The timed command reader: the player types a line while the countdown clock runs.
// Returns the typed text (upper case) as a temporary; runs the time-out ending itself
// when the deadline passes.
rt::StringValue* timed_reader();

// Seconds left before the deadline at the read_timer value `now`.
long double seconds_left(double deadline, double now);

[[noreturn]] void win_ending();
[[noreturn]] void death_ending();
[[noreturn]] void time_out_ending();

}  // namespace game
