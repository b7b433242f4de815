/* Sends a window the close request a window manager sends when its close button is
 * pressed: a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
 * Usage: send_close <window id, decimal or 0x hex>   (uses $DISPLAY) */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s <window id>\n", argv[0]);
    return 2;
  }
  char* end = NULL;
  unsigned long id = strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || id == 0) {
    fprintf(stderr, "send_close: not a window id: %s\n", argv[1]);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "send_close: cannot open the X display\n");
    return 1;
  }
  XEvent ev = {0};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = (Window)id;
  ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  ev.xclient.data.l[1] = CurrentTime;
  Status sent = XSendEvent(display, (Window)id, False, NoEventMask, &ev);
  XSync(display, False);
  XCloseDisplay(display);
  return sent ? 0 : 1;
}
