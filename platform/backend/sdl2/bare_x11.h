// Whether a window lives on an X server without a window manager (a bare server such as Xvfb,
// some kiosks). SDL leaves several things to the window manager, full screen among them, that
// such a server never does; the backend then does them itself.
#pragma once

struct SDL_Window;

namespace platform::sdl2 {

bool OnBareX11(SDL_Window* window);

}  // namespace platform::sdl2
