// The program's start-up: the process-wide tables in a fixed order, then the three
// worker threads, then the window, whose loop the main thread runs from then on.
#include <cstring>
#include <string>

#include "runtime/core/command_line.h"
#include "runtime/core/control_words.h"
#include "runtime/core/events.h"
#include "runtime/core/low_memory.h"
#include "runtime/core/program.h"
#include "runtime/display/keyboard.h"
#include "runtime/display/refresh.h"
#include "runtime/display/window.h"
#include "runtime/host/host.h"
#include "runtime/screen/screen_state.h"
#include "runtime/strings/string_storage.h"
#include "runtime/strings/timing.h"

namespace rt {

namespace {

struct FrameState {
  StringValue* command_line = nullptr;
};
FrameState g_frame;

// Best effort: a folder that cannot be entered leaves the directory as it was.
void change_to_executable_folder() {
  host::change_directory(executable_folder(host::executable_path()));
}

}  // namespace

StringValue* command_line() {
  if (g_frame.command_line == nullptr) set_command_line("", 0);
  return g_frame.command_line;
}

void set_command_line(const char* bytes, int32_t length) {
  if (length < 0) length = 0;
  StringValue* s = string_new(length, false);
  if (s == nullptr) return;
  if (length > 0) std::memcpy(s->data, bytes, static_cast<size_t>(length));
  if (g_frame.command_line != nullptr) string_release(g_frame.command_line);
  g_frame.command_line = s;
}

void start_runtime_threads() {
  host::start_thread(script_thread_entry);
  start_event_timer_thread();
  display_ready.store(1);
  host::start_thread(refresh_thread_main);
}

void prepare_runtime(int argc, char** argv, ScriptBody script) {
  set_script_body(script);
  clear_frame_ring();
  preset_event_tables();
  change_to_executable_folder();
  // The environment count and the bookkeeping lists serve services this program lacks.
  initialise_low_memory();
  initialise_string_storage();
  std::string joined = join_command_line(argc, argv);
  set_command_line(joined.data(), static_cast<int32_t>(joined.size()));
  initialise_time_of_day();
  initialise_keyboard();
  // The image table, fonts, palettes and the first text screen, in that order.
  initialise_screen();
}

int runtime_main(int argc, char** argv, ScriptBody script) {
  prepare_runtime(argc, argv, script);
  start_runtime_threads();
  create_window_and_run(argc, argv);
}

}  // namespace rt
