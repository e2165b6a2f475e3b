/* What the Xvfb tests need of X beyond xdotool.
 *   window_tool close ID   asks window ID to close, as a window manager's close box does (a
 *                          WM_DELETE_WINDOW message; xdotool can only destroy a window)
 *   window_tool list       prints "ID NAME" for every mapped top-level window, also those that
 *                          xdotool's search misses (a message box's own window) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Close(Display* display, Window window) {
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  return sent ? 0 : 1;
}

static int List(Display* display) {
  Window root, parent, *children = NULL;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 1;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable) continue;
    /* The raw property: a message box names itself in UTF8_STRING, which XFetchName refuses. */
    XTextProperty name;
    if (XGetWMName(display, children[i], &name) && name.value) {
      printf("%lu %.*s\n", (unsigned long)children[i], (int)name.nitems, (const char*)name.value);
      XFree(name.value);
    }
  }
  if (children) XFree(children);
  return 0;
}

int main(int argc, char** argv) {
  int close = argc == 3 && strcmp(argv[1], "close") == 0;
  int list = argc == 2 && strcmp(argv[1], "list") == 0;
  if (!close && !list) {
    fprintf(stderr, "usage: window_tool close WINDOW_ID | window_tool list\n");
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "window_tool: cannot open the display\n");
    return 1;
  }
  int status = close ? Close(display, (Window)strtoul(argv[2], NULL, 0)) : List(display);
  XCloseDisplay(display);
  return status;
}
