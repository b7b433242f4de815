// A program whose script reports what the keyboard model gives it: every key-hit code,
// every keyboard-ring entry, the shift-state bytes when they change, and a heartbeat
// while the script runs. One line per event in the file named by argv[1].
#include <cstdio>
#include <cstdlib>

#include "runtime/core/checkpoint.h"
#include "runtime/core/control_words.h"
#include "runtime/core/low_memory.h"
#include "runtime/core/program.h"
#include "runtime/display/keyboard.h"
#include "runtime/host/host.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/string_storage.h"

namespace {

std::FILE* g_log = nullptr;
constexpr int64_t kHeartbeatMs = 50;

void report(const char* format, int a = 0, int b = 0, int c = 0) {
  std::fprintf(g_log, format, a, b, c);
  std::fputc('\n', g_log);
  std::fflush(g_log);
}

uint32_t shift_bytes() {
  return rt::low_memory_read_u8(rt::kShiftFlags1) |
         (rt::low_memory_read_u8(rt::kShiftFlags2) << 8) |
         (rt::low_memory_read_u8(rt::kKeyboardStatusFlags) << 16);
}

void probe_script() {
  rt::print_text(rt::string_from_c_text("keyboard probe"), 1);
  report("ready");
  uint32_t last_flags = ~0u;
  int64_t last_beat = host::process_milliseconds();
  for (uint32_t line = 1;; ++line) {
    const int32_t mark = rt::temporary_mark();
    if (const int32_t hit = rt::read_key_hit(); hit != 0) report("hit %d", hit);
    const rt::StringValue* key = rt::read_key();
    if (key->length == 1) report("key %02x", key->data[0]);
    if (key->length == 2) report("key %02x %02x", key->data[0], key->data[1]);
    // "q" ends the probe through the end-of-program prompt, which waits for a key.
    const bool quit = key->length == 1 && key->data[0] == 'q';
    rt::release_temporaries(mark, nullptr);
    if (quit) {
      report("end");
      rt::end_program();
    }
    if (const uint32_t flags = shift_bytes(); flags != last_flags) {
      report("flags %02x %02x %02x", flags & 0xFF, (flags >> 8) & 0xFF, flags >> 16);
      last_flags = flags;
    }
    if (const int64_t now = host::process_milliseconds(); now - last_beat >= kHeartbeatMs) {
      report("beat");
      last_beat = now;
    }
    host::sleep_milliseconds(2);
    if (rt::event_pending.load() != 0) rt::statement_checkpoint(line);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: keyboard_probe LOG_FILE\n");
    return 2;
  }
  g_log = std::fopen(argv[1], "w");
  if (g_log == nullptr) return 2;
  // The log name is not meant for the program's own command line.
  int runtime_argc = 1;
  return rt::runtime_main(runtime_argc, argv, probe_script);
}
