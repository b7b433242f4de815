// The real runtime with small scripts of its own, for the real-window tests of the
// frame. The first argument picks the script; each statement reports on stderr.
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/core/checkpoint.h"
#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/program.h"
#include "runtime/host/host.h"

namespace {

void after_statement(uint32_t line) {
  if (rt::event_pending.load() != 0) rt::statement_checkpoint(line);
}

void say(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::fflush(stderr);
}

std::string command_text() {
  rt::StringValue* line = rt::command_line();
  return std::string(reinterpret_cast<const char*>(line->data), static_cast<size_t>(line->length));
}

std::string first_argument() {
  std::string text = command_text();
  return text.substr(0, text.find(' '));
}

// An error in line 5; line 6 runs only if the dialog is answered Yes.
void error_script(int64_t code) {
  say("statement 4 ran");
  after_statement(4);
  rt::raise_error(code);
  after_statement(5);
  say("statement 6 ran");
  after_statement(6);
  say("reached end");
  rt::end_program();
}

// A statement stuck in a call that does not poll delays the exit; the window stays.
void slow_script() {
  for (uint32_t line = 1;; ++line) {
    host::sleep_milliseconds(3000);
    say("slow statement done");
    after_statement(line);
  }
}

void probe_script() {
  std::string mode = first_argument();
  say(("mode " + mode).c_str());
  if (mode == "error") error_script(9);
  if (mode == "critical") error_script(301);
  if (mode == "slow") slow_script();
  if (mode == "cwd") {
    say(("cwd [" + host::current_directory() + "]").c_str());
    say(("command line [" + command_text() + "]").c_str());
  }
  say("reached end");
  rt::end_program();
}

}  // namespace

int main(int argc, char** argv) { return rt::runtime_main(argc, argv, probe_script); }
