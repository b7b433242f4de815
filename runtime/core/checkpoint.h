// The statement checkpoint, the error dialog and the event dispatch.
#pragma once

#include <cstdint>

namespace rt {

// Called after a statement when event_pending is set, and by the timed waits with line 0.
void statement_checkpoint(uint32_t line);
void show_error_dialog();
void dispatch_events();

}  // namespace rt
