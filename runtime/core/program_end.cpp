// The script thread's entry and the end of the program: the "Press any key to continue"
// wait, after which the refresh thread ends the process.
#include <string>

#include "runtime/core/arithmetic_fault.h"
#include "runtime/core/command_line.h"
#include "runtime/core/control_words.h"
#include "runtime/core/program.h"
#include "runtime/display/keyboard.h"
#include "runtime/display/refresh.h"
#include "runtime/host/host.h"
#include "runtime/screen/screen_state.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/string_storage.h"

namespace rt {

namespace {

constexpr char kEndPrompt[] = "Press any key to continue";

struct ScriptThreadState {
  ScriptBody script = nullptr;
  bool precision_set = false;  // the control word is set once per process
};
ScriptThreadState g_script;

// Reads one key and releases the temporary it came in; true when there was one.
bool take_key() {
  int32_t mark = temporary_mark();
  StringValue* key = read_key();
  bool got = key != nullptr && key->length > 0;
  release_temporaries(mark, nullptr);
  return got;
}

// The prompt goes on the bottom text row of the displayed page, which becomes the
// only row of the text window so that nothing above it scrolls.
void show_end_prompt() {
  select_destination(display_page_slot());
  Image* page = display_page();
  if (page == nullptr) return;
  int32_t bottom = image_text_rows(page);
  int32_t mark = temporary_mark();
  set_text_window(bottom, bottom, 1);
  print_text(nullptr, 1);
  print_text(string_from_c_text(kEndPrompt), 0);
  release_temporaries(mark, nullptr);
}

// Keys typed before the prompt appeared must not dismiss it.
void drain_key_buffer() {
  while (take_key()) host::sleep_milliseconds(0);
}

void wait_for_any_key() {
  for (;;) {
    host::sleep_milliseconds(0);
    if (exit_in_progress.load()) park_script_thread();
    if (take_key()) return;
  }
}

}  // namespace

void set_script_body(ScriptBody script) { g_script.script = script; }

void run_chaining_check() {
  StringValue* line = command_line();
  std::string text(reinterpret_cast<const char*>(line->data), static_cast<size_t>(line->length));
  std::optional<std::string> file = chain_handover_file(text);
  if (!file) return;
  // A missing or unreadable hand-over file leaves the directory as it is; the suffix
  // is ours, not the user's, so it goes either way.
  if (std::optional<std::string> directory = take_chain_handover(*file)) {
    host::change_directory(*directory);
  }
  std::string stripped = strip_chain_suffix(text);
  set_command_line(stripped.data(), static_cast<int32_t>(stripped.size()));
}

void script_thread_entry() {
  if (!g_script.precision_set) {
    g_script.precision_set = true;
    host::set_extended_precision();
  }
  host::install_arithmetic_fault_handler(arithmetic_fault_handler);
  run_chaining_check();
  if (g_script.script != nullptr) g_script.script();
  end_program();
}

void end_program() {
  // No file service is part of this program, so there are no open files to close.
  program_handles_close.store(0);
  show_end_prompt();
  drain_key_buffer();
  enable_auto_display();
  wait_for_any_key();
  stop_requested.store(1);
  park_script_thread();
}

}  // namespace rt
