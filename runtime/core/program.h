// Start-up, the script thread, the end of the program and the exit sequence.
#pragma once

#include "runtime/strings/string_value.h"

namespace rt {

using ScriptBody = void (*)();

// The program entry: prepares the runtime, starts the threads, creates the window and
// runs its loop. Never returns in practice.
int runtime_main(int argc, char** argv, ScriptBody script);
// The two halves of start-up before the window: the process-wide state (tables, working
// directory, low memory, strings, command line, time base, keyboard, fonts, palettes and
// the first screen), then the script, event-timer and refresh threads.
void prepare_runtime(int argc, char** argv, ScriptBody script);
void start_runtime_threads();

[[noreturn]] void end_program();
[[noreturn]] void park_script_thread();
void run_exit_sequence();  // refresh thread; ends the process

// The script thread: extended precision, the arithmetic-fault handler, the chaining
// check, then the script body; a body that runs off its end ends the program.
void script_thread_entry();
void set_script_body(ScriptBody script);

// The command-line string (the arguments after the program name). Start-up sets it;
// the chaining check may shorten it.
StringValue* command_line();
void set_command_line(const char* bytes, int32_t length);

// When the command line ends with a chaining suffix: takes the hand-over file, moves to
// the working directory saved in it and removes the suffix from the command line.
void run_chaining_check();

}  // namespace rt
