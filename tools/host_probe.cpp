// Runs one host service against the real X display for the real-window tests.
//   host_probe message-box <buttons: ok|yesno> <caption> <text>
//       shows the box; exit code 10 Yes, 11 No, 12 OK.
//   host_probe key-state
//       prints the host key state as name=0/1 words.
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/host/host.h"

namespace {

int show_box(const char* buttons, const char* caption, const char* text) {
  host::MessageBoxButtons kind = std::strcmp(buttons, "ok") == 0 ? host::MessageBoxButtons::Ok
                                                                 : host::MessageBoxButtons::YesNo;
  switch (host::message_box(text, caption, kind)) {
    case host::MessageBoxAnswer::Yes: return 10;
    case host::MessageBoxAnswer::No: return 11;
    case host::MessageBoxAnswer::Ok: return 12;
  }
  return 1;
}

int print_key_state() {
  host::HostKeyState s = host::query_host_key_state();
  std::printf("caps=%d num=%d scroll=%d scroll_down=%d lshift=%d rshift=%d lctrl=%d rctrl=%d "
              "lalt=%d ralt=%d\n",
              s.caps_lock_on, s.num_lock_on, s.scroll_lock_on, s.scroll_lock_down,
              s.left_shift_down, s.right_shift_down, s.left_ctrl_down, s.right_ctrl_down,
              s.left_alt_down, s.right_alt_down);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "message-box") == 0) {
    // The text is given with \n written as two characters, as a shell passes it.
    std::string text;
    for (const char* p = argv[4]; *p != '\0'; ++p) {
      if (p[0] == '\\' && p[1] == 'n') {
        text += '\n';
        ++p;
      } else {
        text += *p;
      }
    }
    return show_box(argv[2], argv[3], text.c_str());
  }
  if (argc == 2 && std::strcmp(argv[1], "key-state") == 0) return print_key_state();
  std::fprintf(stderr, "usage: host_probe message-box ok|yesno <caption> <text> | key-state\n");
  return 2;
}
