#include "runtime/core/errors.h"

#include <atomic>

#include "runtime/core/control_words.h"
#include "runtime/core/error_messages.h"
#include "runtime/host/host.h"

namespace rt {

namespace {

struct ErrorState {
  std::atomic<uint32_t> pending_error{0};
  std::atomic<uint32_t> error_line{0};
};
ErrorState g_errors;

const CriticalError* find_critical(int64_t code) {
  for (const CriticalError& c : kCriticalErrors) {
    if (c.code == code) return &c;
  }
  return nullptr;
}

}  // namespace

ErrorCode raise_error(int64_t code) {
  if (const CriticalError* critical = find_critical(code)) {
    host::message_box(critical->text, critical->caption, host::MessageBoxButtons::Ok);
    host::process_exit(0);
  }
  if (code <= 0) code = kErrIllegalFunctionCall;
  // First error wins: only a change from "none" records the new code.
  uint32_t expected = 0;
  g_errors.pending_error.compare_exchange_strong(expected, static_cast<uint32_t>(code));
  event_pending.store(1);
  return g_errors.pending_error.load();
}

ErrorCode pending_error() { return g_errors.pending_error.load(std::memory_order_relaxed); }

void clear_pending_error() { g_errors.pending_error.store(0); }

uint32_t error_line() { return g_errors.error_line.load(); }

void set_error_line(uint32_t line) { g_errors.error_line.store(line); }

const char* error_message(ErrorCode code) {
  for (const ErrorMessage& m : kErrorMessages) {
    if (m.code == code) return m.message;
  }
  return kUnprintableError;
}

}  // namespace rt
