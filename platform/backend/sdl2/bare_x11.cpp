#include "platform/backend/sdl2/bare_x11.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

namespace platform::sdl2 {

namespace {

bool X11Handles(SDL_Window* window, Display*& display, Window& xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  display = info.info.x11.display;
  xwindow = info.info.x11.window;
  return display != nullptr;
}

}  // namespace

bool OnBareX11(SDL_Window* window) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11Handles(window, display, xwindow)) return false;
  // A window manager that follows the desktop conventions names itself on the root window.
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return true;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                        XA_WINDOW, &type, &format, &count, &after, &data);
  const bool named = status == Success && type == XA_WINDOW && count == 1;
  if (data) XFree(data);
  return !named;
}

bool WaitForX11(SDL_Window* window, int timeoutMs) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11Handles(window, display, xwindow)) return false;
  // Sends what is still buffered (an answer may depend on it) and takes in what already came.
  if (XEventsQueued(display, QueuedAfterFlush) > 0) return true;
  pollfd connection{ConnectionNumber(display), POLLIN, 0};
  poll(&connection, 1, timeoutMs);
  return true;
}

}  // namespace platform::sdl2
