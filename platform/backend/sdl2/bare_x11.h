// What the backend does with the X server beneath SDL itself.
#pragma once

struct SDL_Window;

namespace platform::sdl2 {

// Whether a window lives on an X server without a window manager (a bare server such as Xvfb,
// some kiosks). SDL leaves several things to the window manager, full screen among them, that
// such a server never does; the backend then does them itself.
bool OnBareX11(SDL_Window* window);

// Sleeps until the X server that `window` lives on has something to read, or `timeoutMs` has
// passed. Call it only when SDL's queue has just been found empty: SDL then has read everything
// the connection held, so what arrives next wakes the wait. False, having waited not at all,
// when the window is not on an X server.
bool WaitForX11(SDL_Window* window, int timeoutMs);

}  // namespace platform::sdl2
