// The message box: a small modal window on a connection of its own, because it is
// called from the script thread or from whichever thread meets a critical error, never
// from the window thread that owns the toolkit's connection. Without an X display the
// box is written to stderr.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/host/host.h"
#include "runtime/host/message_layout.h"

namespace host {

namespace {

constexpr size_t kWrapColumns = 60;
constexpr int kPadding = 16;
constexpr int kButtonGap = 12;
constexpr int kMinButtonWidth = 80;
constexpr int kMinDialogWidth = 240;

struct HookSlot {
  std::mutex mutex;
  MessageBoxHook hook;
};
HookSlot& hook_slot() {
  static HookSlot slot;
  return slot;
}

struct Button {
  const char* label;
  MessageBoxAnswer answer;
  int x, y, width, height;
  bool contains(int px, int py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
};

struct Dialog {
  Display* display = nullptr;
  Window window = 0;
  GC gc = nullptr;
  XFontStruct* font = nullptr;
  bool font_loaded = false;
  Atom delete_atom = 0;
  unsigned long background = 0, foreground = 0, face = 0;
  std::vector<std::string> lines;
  std::vector<Button> buttons;
  MessageBoxAnswer escape_answer = MessageBoxAnswer::No;
  int width = 0, height = 0;
};

MessageBoxAnswer write_to_stderr(const std::string& text, const std::string& caption,
                                 MessageBoxButtons buttons) {
  std::fprintf(stderr, "[%s]\n%s\n", caption.c_str(), text.c_str());
  return buttons == MessageBoxButtons::Ok ? MessageBoxAnswer::Ok : MessageBoxAnswer::No;
}

unsigned long named_colour(Display* d, const char* name, unsigned long fallback) {
  XColor exact, screen;
  Colormap map = DefaultColormap(d, DefaultScreen(d));
  if (XAllocNamedColor(d, map, name, &screen, &exact)) return screen.pixel;
  return fallback;
}

int text_width(const Dialog& dlg, const std::string& s) {
  return XTextWidth(dlg.font, s.c_str(), static_cast<int>(s.size()));
}

int line_height(const Dialog& dlg) { return dlg.font->ascent + dlg.font->descent + 2; }

void load_font(Dialog& dlg) {
  dlg.font = XLoadQueryFont(dlg.display, "fixed");
  dlg.font_loaded = dlg.font != nullptr;
  if (!dlg.font_loaded) {
    dlg.font = XQueryFont(dlg.display, XGContextFromGC(DefaultGC(dlg.display,
                                                                   DefaultScreen(dlg.display))));
  }
}

void lay_out(Dialog& dlg, const std::string& text, MessageBoxButtons kind) {
  dlg.lines = wrap_message_text(text, kWrapColumns);
  if (kind == MessageBoxButtons::Ok) {
    dlg.buttons = {{"OK", MessageBoxAnswer::Ok, 0, 0, 0, 0}};
    dlg.escape_answer = MessageBoxAnswer::Ok;
  } else {
    dlg.buttons = {{"Yes", MessageBoxAnswer::Yes, 0, 0, 0, 0},
                   {"No", MessageBoxAnswer::No, 0, 0, 0, 0}};
    dlg.escape_answer = MessageBoxAnswer::No;
  }
  int text_w = 0;
  for (const std::string& l : dlg.lines) text_w = std::max(text_w, text_width(dlg, l));
  int button_h = line_height(dlg) + 12;
  int buttons_w = 0;
  for (Button& b : dlg.buttons) {
    b.width = std::max(kMinButtonWidth, text_width(dlg, b.label) + 24);
    b.height = button_h;
    buttons_w += b.width;
  }
  buttons_w += kButtonGap * static_cast<int>(dlg.buttons.size() - 1);
  dlg.width = std::max({kMinDialogWidth, text_w, buttons_w}) + 2 * kPadding;
  int text_h = line_height(dlg) * static_cast<int>(dlg.lines.size());
  dlg.height = kPadding + text_h + kPadding + button_h + kPadding;
  int x = (dlg.width - buttons_w) / 2;
  for (Button& b : dlg.buttons) {
    b.x = x;
    b.y = dlg.height - kPadding - button_h;
    x += b.width + kButtonGap;
  }
}

void set_atom_property(Dialog& dlg, const char* property, std::vector<const char*> values) {
  std::vector<Atom> atoms;
  for (const char* v : values) atoms.push_back(XInternAtom(dlg.display, v, False));
  XChangeProperty(dlg.display, dlg.window, XInternAtom(dlg.display, property, False), XA_ATOM,
                  32, PropModeReplace, reinterpret_cast<unsigned char*>(atoms.data()),
                  static_cast<int>(atoms.size()));
}

// A dialog window of fixed size in the middle of the screen, asking the window manager
// (if there is one) to keep it above the game window.
void create_window(Dialog& dlg, const std::string& caption) {
  Display* d = dlg.display;
  int screen = DefaultScreen(d);
  dlg.background = named_colour(d, "gray85", WhitePixel(d, screen));
  dlg.face = named_colour(d, "gray95", WhitePixel(d, screen));
  dlg.foreground = BlackPixel(d, screen);
  int x = std::max(0, (DisplayWidth(d, screen) - dlg.width) / 2);
  int y = std::max(0, (DisplayHeight(d, screen) - dlg.height) / 2);
  dlg.window = XCreateSimpleWindow(d, RootWindow(d, screen), x, y,
                                   static_cast<unsigned>(dlg.width),
                                   static_cast<unsigned>(dlg.height), 1, dlg.foreground,
                                   dlg.background);
  XStoreName(d, dlg.window, caption.c_str());
  XClassHint class_hint{const_cast<char*>("marrowick-message"), const_cast<char*>("Marrowick")};
  XSetClassHint(d, dlg.window, &class_hint);
  XSizeHints* size = XAllocSizeHints();
  size->flags = PPosition | PMinSize | PMaxSize;
  size->x = x;
  size->y = y;
  size->min_width = size->max_width = dlg.width;
  size->min_height = size->max_height = dlg.height;
  XSetWMNormalHints(d, dlg.window, size);
  XFree(size);
  dlg.delete_atom = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, dlg.window, &dlg.delete_atom, 1);
  set_atom_property(dlg, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_DIALOG"});
  set_atom_property(dlg, "_NET_WM_STATE", {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_MODAL"});
  XSelectInput(d, dlg.window,
               ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                   StructureNotifyMask | VisibilityChangeMask);
  dlg.gc = XCreateGC(d, dlg.window, 0, nullptr);
  XSetFont(d, dlg.gc, dlg.font->fid);
}

void draw(Dialog& dlg) {
  Display* d = dlg.display;
  XClearWindow(d, dlg.window);
  XSetForeground(d, dlg.gc, dlg.foreground);
  int baseline = kPadding + dlg.font->ascent;
  for (const std::string& l : dlg.lines) {
    XDrawString(d, dlg.window, dlg.gc, kPadding, baseline, l.c_str(), static_cast<int>(l.size()));
    baseline += line_height(dlg);
  }
  for (size_t i = 0; i < dlg.buttons.size(); ++i) {
    const Button& b = dlg.buttons[i];
    XSetForeground(d, dlg.gc, dlg.face);
    XFillRectangle(d, dlg.window, dlg.gc, b.x, b.y, static_cast<unsigned>(b.width),
                   static_cast<unsigned>(b.height));
    XSetForeground(d, dlg.gc, dlg.foreground);
    XDrawRectangle(d, dlg.window, dlg.gc, b.x, b.y, static_cast<unsigned>(b.width - 1),
                   static_cast<unsigned>(b.height - 1));
    if (i == 0) {  // the default button, answered by Enter
      XDrawRectangle(d, dlg.window, dlg.gc, b.x + 2, b.y + 2, static_cast<unsigned>(b.width - 5),
                     static_cast<unsigned>(b.height - 5));
    }
    int label_w = text_width(dlg, b.label);
    int label_y = b.y + (b.height + dlg.font->ascent - dlg.font->descent) / 2;
    XDrawString(d, dlg.window, dlg.gc, b.x + (b.width - label_w) / 2, label_y, b.label,
                static_cast<int>(std::char_traits<char>::length(b.label)));
  }
  XFlush(d);
}

bool has_answer(const Dialog& dlg, MessageBoxAnswer a) {
  return std::any_of(dlg.buttons.begin(), dlg.buttons.end(),
                     [a](const Button& b) { return b.answer == a; });
}

// Y and N answer a Yes/No box; Enter takes the default button; Esc is No (OK alone).
bool answer_for_key(const Dialog& dlg, XKeyEvent& key, MessageBoxAnswer& answer) {
  KeySym sym = NoSymbol;
  char chars[8];
  XLookupString(&key, chars, sizeof chars, &sym, nullptr);
  switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
      answer = dlg.buttons.front().answer;
      return true;
    case XK_Escape:
      answer = dlg.escape_answer;
      return true;
    case XK_y:
    case XK_Y:
      if (!has_answer(dlg, MessageBoxAnswer::Yes)) return false;
      answer = MessageBoxAnswer::Yes;
      return true;
    case XK_n:
    case XK_N:
      if (!has_answer(dlg, MessageBoxAnswer::No)) return false;
      answer = MessageBoxAnswer::No;
      return true;
    default:
      return false;
  }
}

MessageBoxAnswer run_dialog(Dialog& dlg) {
  Display* d = dlg.display;
  XMapRaised(d, dlg.window);
  int pressed = -1;  // a click counts when press and release land on the same button
  for (;;) {
    XEvent ev;
    XNextEvent(d, &ev);
    switch (ev.type) {
      case MapNotify:
        XSetInputFocus(d, dlg.window, RevertToParent, CurrentTime);
        break;
      case Expose:
        if (ev.xexpose.count == 0) draw(dlg);
        break;
      case VisibilityNotify:
        // The game window may be mapped or raised after the box (the script can fail
        // before the window exists); without a window manager to honour "above",
        // the box raises itself whenever something covers it.
        if (ev.xvisibility.state != VisibilityUnobscured) XRaiseWindow(d, dlg.window);
        break;
      case KeyPress: {
        MessageBoxAnswer answer;
        if (answer_for_key(dlg, ev.xkey, answer)) return answer;
        break;
      }
      case ButtonPress:
        pressed = -1;
        for (size_t i = 0; i < dlg.buttons.size(); ++i) {
          if (ev.xbutton.button == Button1 && dlg.buttons[i].contains(ev.xbutton.x, ev.xbutton.y))
            pressed = static_cast<int>(i);
        }
        break;
      case ButtonRelease:
        if (pressed >= 0 && dlg.buttons[static_cast<size_t>(pressed)].contains(ev.xbutton.x,
                                                                               ev.xbutton.y))
          return dlg.buttons[static_cast<size_t>(pressed)].answer;
        pressed = -1;
        break;
      case ClientMessage:
        if (static_cast<Atom>(ev.xclient.data.l[0]) == dlg.delete_atom) return dlg.escape_answer;
        break;
      default:
        break;
    }
  }
}

void close_dialog(Dialog& dlg) {
  if (dlg.gc) XFreeGC(dlg.display, dlg.gc);
  if (dlg.window) XDestroyWindow(dlg.display, dlg.window);
  if (dlg.font) {
    if (dlg.font_loaded) XFreeFont(dlg.display, dlg.font);
    else XFreeFontInfo(nullptr, dlg.font, 1);
  }
  XCloseDisplay(dlg.display);
}

}  // namespace

void set_message_box_hook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> lock(hook_slot().mutex);
  hook_slot().hook = std::move(hook);
}

MessageBoxAnswer message_box(const std::string& text, const std::string& caption,
                             MessageBoxButtons buttons) {
  MessageBoxHook hook;
  {
    std::lock_guard<std::mutex> lock(hook_slot().mutex);
    hook = hook_slot().hook;
  }
  if (hook) return hook(text, caption, buttons);

  Dialog dlg;
  dlg.display = XOpenDisplay(nullptr);
  if (dlg.display == nullptr) return write_to_stderr(text, caption, buttons);
  load_font(dlg);
  if (dlg.font == nullptr) {
    XCloseDisplay(dlg.display);
    return write_to_stderr(text, caption, buttons);
  }
  lay_out(dlg, text, buttons);
  create_window(dlg, caption);
  MessageBoxAnswer answer = run_dialog(dlg);
  close_dialog(dlg);
  return answer;
}

}  // namespace host
