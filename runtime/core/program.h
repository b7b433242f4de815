// Start-up, the script thread, the end of the program and the exit sequence.
#pragma once

namespace rt {

using ScriptBody = void (*)();

// The program entry: prepares the runtime, starts the threads, creates the window and
// runs its loop. Never returns in practice.
int runtime_main(int argc, char** argv, ScriptBody script);

[[noreturn]] void end_program();
[[noreturn]] void park_script_thread();
void run_exit_sequence();  // refresh thread; ends the process

}  // namespace rt
