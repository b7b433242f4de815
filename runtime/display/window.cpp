// The window: created through the toolkit on the main thread, which then runs the event
// loop for the rest of the process. The toolkit would destroy the window on a close
// request and knows nothing of Pause and Break, so the loop takes those events off the
// X queue itself before the toolkit sees them.
#include "runtime/display/window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cstring>
#include <vector>

#include "runtime/core/control_words.h"
#include "runtime/display/keyboard.h"
#include "runtime/display/presenter.h"

namespace rt {

namespace {

constexpr unsigned kDisplayMode = GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH;  // 18
constexpr int kInitialWidth = 1024;
constexpr int kInitialHeight = 552;
constexpr unsigned kTimerDelayMs = 8;
constexpr int kIdleWaitMs = 1;
constexpr int32_t kCloseEvent = 1;
constexpr int32_t kPauseBreakEvent = 2;
constexpr uint32_t kWindowCloseBit = 1;

struct WindowState {
  Atom wm_protocols = None;
  Atom wm_delete_window = None;
};
WindowState g_window;

// ---- drawing --------------------------------------------------------------------

void display_callback() { present_latest_frame(); }

void reshape_callback(int width, int height) { note_window_size(width, height); }

void timer_callback(int) {
  // The window may be gone if the toolkit ever saw a close request; asking for a
  // redisplay of no window would end the process from inside the toolkit.
  if (glutGetWindow() != 0) glutPostRedisplay();
  glutTimerFunc(kTimerDelayMs, timer_callback, 0);
}

// The mouse feeds no service in this program.
void mouse_callback(int, int, int, int) {}
void motion_callback(int, int) {}
void mouse_wheel_callback(int, int, int, int) {}

// Only reached if a close request slipped past the loop's own check.
void close_callback() { window_event_hook(kCloseEvent, 0, 0); }

// ---- the runtime's own events ---------------------------------------------------

bool is_close_request(const XEvent& ev) {
  return ev.type == ClientMessage && ev.xclient.message_type == g_window.wm_protocols &&
         static_cast<Atom>(ev.xclient.data.l[0]) == g_window.wm_delete_window;
}

KeySym pause_or_break_keysym(XEvent& ev) {
  if (ev.type != KeyPress && ev.type != KeyRelease) return NoSymbol;
  KeySym sym = XLookupKeysym(&ev.xkey, 0);
  return sym == XK_Pause || sym == XK_Break ? sym : NoSymbol;
}

// X turns Shift+Tab into ISO_Left_Tab, which the toolkit hands to no callback; the
// loop delivers it as the Tab character with Shift held.
bool is_shift_tab(XEvent& ev) {
  if (ev.type != KeyPress && ev.type != KeyRelease) return false;
  return XLookupKeysym(&ev.xkey, 1) == XK_ISO_Left_Tab && (ev.xkey.state & ShiftMask) != 0;
}

uint32_t modifiers_of(const XKeyEvent& key) {
  uint32_t modifiers = kModifierShift;
  if (key.state & ControlMask) modifiers |= kModifierCtrl;
  if (key.state & Mod1Mask) modifiers |= kModifierAlt;
  return modifiers;
}

Bool is_runtime_event(Display*, XEvent* ev, XPointer) {
  // Exposures stay in the queue for the toolkit; noting them here makes the next
  // display callback draw the frame again instead of returning early.
  if (ev->type == Expose) note_window_exposed();
  return is_close_request(*ev) || pause_or_break_keysym(*ev) != NoSymbol || is_shift_tab(*ev);
}

void deliver(XEvent& ev) {
  if (is_close_request(ev)) {
    window_event_hook(kCloseEvent, 0, 0);
    return;
  }
  if (is_shift_tab(ev)) {
    translate_char_key('\t', ev.type == KeyPress, modifiers_of(ev.xkey));
    return;
  }
  // Pause with Control held is Break.
  bool with_control = (ev.xkey.state & ControlMask) != 0;
  int32_t code = pause_or_break_keysym(ev) == XK_Break || with_control ? kKeyBreak : kKeyPause;
  window_event_hook(kPauseBreakEvent, code, ev.type == KeyPress ? 1 : -1);
}

void take_runtime_events(Display* display) {
  XEvent ev;
  while (XCheckIfEvent(display, &ev, is_runtime_event, nullptr)) deliver(ev);
}

void wait_for_work(Display* display) {
  if (XPending(display) > 0) return;
  pollfd fd{ConnectionNumber(display), POLLIN, 0};
  poll(&fd, 1, kIdleWaitMs);
}

[[noreturn]] void run_event_loop() {
  Display* display = glXGetCurrentDisplay();
  for (;;) {
    if (display != nullptr) take_runtime_events(display);
    glutMainLoopEvent();
    if (display != nullptr) wait_for_work(display);
  }
}

// ---- creation -------------------------------------------------------------------

// A toolkit option that wants a value but ends the argument list would make the toolkit
// stop the process; such a dangling option is left out of what the toolkit sees.
std::vector<char*> toolkit_arguments(int argc, char** argv) {
  static char program_name[] = "marrowick";
  std::vector<char*> args;
  args.push_back(argc > 0 && argv != nullptr && argv[0] != nullptr ? argv[0] : program_name);
  for (int i = 1; argv != nullptr && i < argc && argv[i] != nullptr; ++i) {
    bool wants_value = std::strcmp(argv[i], "-display") == 0 || std::strcmp(argv[i], "-geometry") == 0;
    if (wants_value && (i + 1 >= argc || argv[i + 1] == nullptr)) break;
    args.push_back(argv[i]);
  }
  args.push_back(nullptr);
  return args;
}

void register_callbacks() {
  glutDisplayFunc(display_callback);
  glutTimerFunc(kTimerDelayMs, timer_callback, 0);
  glutKeyboardFunc(keyboard_down_callback);
  glutKeyboardUpFunc(keyboard_up_callback);
  glutSpecialFunc(special_down_callback);
  glutSpecialUpFunc(special_up_callback);
  glutMouseFunc(mouse_callback);
  glutMotionFunc(motion_callback);
  glutPassiveMotionFunc(motion_callback);
  glutReshapeFunc(reshape_callback);
  glutMouseWheelFunc(mouse_wheel_callback);
  glutCloseFunc(close_callback);
}

}  // namespace

void create_window_and_run(int& argc, char** argv) {
  std::vector<char*> args = toolkit_arguments(argc, argv);
  int toolkit_argc = static_cast<int>(args.size()) - 1;
  glutInit(&toolkit_argc, args.data());
  glutInitDisplayMode(kDisplayMode);
  glutInitWindowSize(kInitialWidth, kInitialHeight);
  glutCreateWindow("Untitled");
  window_created.store(1);
  // Should a close request ever reach the toolkit, it must not end the process itself.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
  register_callbacks();
  Display* display = glXGetCurrentDisplay();
  if (display != nullptr) {
    g_window.wm_protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    g_window.wm_delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
  }
  run_event_loop();
}

void window_event_hook(int32_t kind, int32_t a, int32_t b) {
  if (kind == kCloseEvent) {
    close_requests.fetch_or(kWindowCloseBit);
    return;
  }
  if (kind != kPauseBreakEvent || (a != kKeyPause && a != kKeyBreak)) return;
  if (b == 1) key_pressed(a);
  else if (b == -1) key_released(a);
}

}  // namespace rt
