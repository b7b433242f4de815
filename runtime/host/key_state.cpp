// The host's lock toggles and held modifiers, read from the X server. The refresh
// thread asks on every pass, so each calling thread keeps one connection of its own
// (Xlib connections must not be shared between threads without locking).
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <mutex>

#include "runtime/host/host.h"

namespace host {

namespace {

struct HookSlot {
  std::mutex mutex;
  HostKeyStateHook hook;
};
HookSlot& hook_slot() {
  static HookSlot slot;
  return slot;
}

class ThreadConnection {
 public:
  ~ThreadConnection() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  // Null when there is no X display; a failed attempt is not repeated on every pass.
  Display* get() {
    if (!tried_) {
      tried_ = true;
      display_ = XOpenDisplay(nullptr);
      int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
      if (display_ != nullptr &&
          !XkbQueryExtension(display_, &opcode, &event, &error, &major, &minor)) {
        XCloseDisplay(display_);
        display_ = nullptr;
      }
    }
    return display_;
  }

 private:
  bool tried_ = false;
  Display* display_ = nullptr;
};

bool indicator_on(Display* d, const char* name) {
  Atom atom = XInternAtom(d, name, True);
  if (atom == None) return false;
  Bool on = False;
  if (!XkbGetNamedIndicator(d, atom, nullptr, &on, nullptr, nullptr)) return false;
  return on == True;
}

bool held(Display* d, const char (&keymap)[32], KeySym sym) {
  KeyCode code = XKeysymToKeycode(d, sym);
  if (code == 0) return false;
  return (keymap[code / 8] & (1 << (code % 8))) != 0;
}

HostKeyState read_from_server(Display* d) {
  HostKeyState s;
  s.caps_lock_on = indicator_on(d, "Caps Lock");
  s.num_lock_on = indicator_on(d, "Num Lock");
  s.scroll_lock_on = indicator_on(d, "Scroll Lock");
  char keymap[32] = {};
  XQueryKeymap(d, keymap);
  s.scroll_lock_down = held(d, keymap, XK_Scroll_Lock);
  s.left_shift_down = held(d, keymap, XK_Shift_L);
  s.right_shift_down = held(d, keymap, XK_Shift_R);
  s.left_ctrl_down = held(d, keymap, XK_Control_L);
  s.right_ctrl_down = held(d, keymap, XK_Control_R);
  s.left_alt_down = held(d, keymap, XK_Alt_L);
  s.right_alt_down = held(d, keymap, XK_Alt_R) || held(d, keymap, XK_ISO_Level3_Shift);
  return s;
}

}  // namespace

void set_host_key_state_hook(HostKeyStateHook hook) {
  std::lock_guard<std::mutex> lock(hook_slot().mutex);
  hook_slot().hook = std::move(hook);
}

HostKeyState query_host_key_state() {
  HostKeyStateHook hook;
  {
    std::lock_guard<std::mutex> lock(hook_slot().mutex);
    hook = hook_slot().hook;
  }
  if (hook) return hook();
  thread_local ThreadConnection connection;
  Display* d = connection.get();
  if (d == nullptr) return {};
  return read_from_server(d);
}

}  // namespace host
