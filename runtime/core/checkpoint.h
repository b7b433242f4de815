// The statement checkpoint, the error dialog and the event dispatch.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core/errors.h"

namespace rt {

// Called after a statement when event_pending is set, and by the timed waits with line 0.
void statement_checkpoint(uint32_t line);
void show_error_dialog();
void dispatch_events();

// The dialog's text ("Line:" and line, the message, and "Continue?" unless the code is
// one of the memory-block errors) and caption.
std::string error_dialog_text(ErrorCode code, uint32_t line);
std::string error_dialog_caption(ErrorCode code);

}  // namespace rt
