// The window: created through the toolkit on the main thread, which then runs its loop.
#pragma once

#include <cstdint>

namespace rt {

// Creates the window titled "Untitled", registers the callbacks and runs the event
// loop for the rest of the process.
[[noreturn]] void create_window_and_run(int& argc, char** argv);

// Close requests (kind 1) and Pause/Break (kind 2) from the window's own event handling.
void window_event_hook(int32_t kind, int32_t a, int32_t b);

}  // namespace rt
