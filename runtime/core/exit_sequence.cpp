// Parking the script thread and the exit sequence: the process ends only from the
// refresh thread, once the script and the timer thread have both stopped.
#include "runtime/core/control_words.h"
#include "runtime/core/program.h"
#include "runtime/host/host.h"

namespace rt {

namespace {
constexpr int64_t kPollStepMs = 16;
constexpr uint32_t kScriptParkedBit = 1;
constexpr uint32_t kAllParked = 3;  // script parked and timer thread returned
}  // namespace

void park_script_thread() {
  // An OR, because the timer thread may set its own bit at the same moment.
  parked_threads.fetch_or(kScriptParkedBit);
  for (;;) host::sleep_milliseconds(kPollStepMs);
}

void run_exit_sequence() {
  exit_in_progress.store(1);
  event_pending.store(1);  // a running script reaches its checkpoint and parks there
  while (parked_threads.load() != kAllParked) host::sleep_milliseconds(kPollStepMs);
  // No file service is part of this program, so there are no open files to close.
  host::process_exit(exit_code.load());
}

}  // namespace rt
