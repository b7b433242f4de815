#include "runtime/core/checkpoint.h"

#include <string>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/events.h"
#include "runtime/core/program.h"
#include "runtime/host/host.h"

namespace rt {

namespace {

constexpr uint32_t kPauseStepMs = 10;
// The memory-block errors cannot be continued from: their dialog has only OK.
constexpr ErrorCode kFirstCriticalDialogCode = 300;
constexpr ErrorCode kLastCriticalDialogCode = 313;

bool is_critical_dialog_code(ErrorCode code) {
  return code >= kFirstCriticalDialogCode && code <= kLastCriticalDialogCode;
}

void wait_while_paused_or_park() {
  while (paused.load() || exit_in_progress.load()) {
    if (exit_in_progress.load()) park_script_thread();
    host::sleep_milliseconds(kPauseStepMs);
  }
}

}  // namespace

std::string error_dialog_text(ErrorCode code, uint32_t line) {
  std::string text = "Line:" + std::to_string(line) + "\n" + error_message(code);
  if (!is_critical_dialog_code(code)) text += "\nContinue?";
  return text;
}

std::string error_dialog_caption(ErrorCode code) {
  return (is_critical_dialog_code(code) ? "Critical Error #" : "Unhandled Error #") +
         std::to_string(code);
}

void statement_checkpoint(uint32_t line) {
  event_pending.store(0);
  wait_while_paused_or_park();
  if (pending_error() != 0) {
    set_error_line(line);
    show_error_dialog();
    return;
  }
  dispatch_events();
}

void show_error_dialog() {
  ErrorCode code = pending_error();
  std::string text = error_dialog_text(code, error_line());
  std::string caption = error_dialog_caption(code);
  if (is_critical_dialog_code(code)) {
    host::message_box(text, caption, host::MessageBoxButtons::Ok);
    host::process_exit(0);
  }
  host::MessageBoxAnswer answer =
      host::message_box(text, caption, host::MessageBoxButtons::YesNo);
  if (answer != host::MessageBoxAnswer::Yes) {
    stop_requested.store(1);
    park_script_thread();
  }
  clear_pending_error();
}

void dispatch_events() {
  if (pending_error() != 0) return;
  // Input-device buttons would be scanned first; no input-device service feeds this
  // program, so that table is always empty.
  dispatch_key_events();
  dispatch_timed_events();
}

}  // namespace rt
