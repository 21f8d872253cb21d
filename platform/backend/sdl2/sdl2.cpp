#include "platform/backend/sdl2/sdl2.h"

#include <SDL.h>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/backend/desktop.h"
#include "platform/backend/sdl2/bare_x11.h"
#include "platform/backend/sdl2/event_translation.h"
#include "platform/backend/sdl2/keymap.h"
#include "platform/system/machine.h"

namespace platform::sdl2 {

namespace {

constexpr Uint32 kSubsystems = SDL_INIT_VIDEO | SDL_INIT_TIMER;

// Waiting sleeps on the X server's connection until it has something to say, and looks at SDL's
// queue at least this often for what comes by other ways (SDL's own events, the end of a drag).
// SDL's own blocking waits are not used: after one, SDL goes on waking itself by posting to one
// of our windows through a second connection to the X server, and when that window is destroyed
// just after such a post, the server can take the destruction first; the refused post then ends
// the process with an X error as SDL shuts down (about a third of the runs that closed their
// window and exited).
constexpr Uint32 kLongestSleepMs = 10;
// Without a window on an X server, waiting looks at SDL's queue every millisecond, which keeps
// a 1 ms wait at about 1 ms for a few per cent of one core.
constexpr Uint32 kPollIntervalMs = 1;

// SDL refuses windows without area; the platform allows them.
int AtLeastOne(std::int32_t extent) { return std::max<std::int32_t>(extent, 1); }

SDL_bool SdlBool(bool value) { return value ? SDL_TRUE : SDL_FALSE; }

std::uint64_t Now() { return SDL_GetTicks64(); }

// The modifier keys that mouse messages carry, as they are now.
MouseModifiers ModifiersNow() {
  const SDL_Keymod mod = SDL_GetModState();
  return MouseModifiers{(mod & KMOD_SHIFT) != 0, (mod & KMOD_CTRL) != 0};
}

// SDL falls back on drivers that show nothing when it finds no display; a desktop backend on
// them would run a game nobody can see or play.
bool ShowsNothing(const char* driver) {
  return SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0;
}

// Whether the user chose the video driver by name through SDL's own setting.
bool AskedFor(const char* driver) {
  const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  return asked && SDL_strcasecmp(asked, driver) == 0;
}

// Whether SDL leaves a window's decorations alive when it destroys the window. SDL 2.26 on
// Wayland hides a window drawn with client-side decorations by making the decorations invisible
// and destroys it without ever releasing them; the compositor goes on configuring them (when the
// focus moves, for instance), and their handler then reads the destroyed window's freed memory
// and crashes the program. Such a window is only hidden and kept to the end.
bool KeepsDecorationsOfDestroyedWindows() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && SDL_strcasecmp(driver, "wayland") == 0;
}

// Keeps every library loaded now in memory until the process ends. SDL unloads the desktop's GL
// driver as it shuts down, and the driver keeps a few blocks for the life of the process; once
// unloaded, the leak checker can tell neither whose they are nor that they are not ours, and
// fails every run. Kept loaded, they carry the driver's name (tests/lsan.supp).
void PinLoadedLibraries() {
#ifdef MARVOSK_PIN_LIBRARIES
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void*) {
        if (info->dlpi_name && info->dlpi_name[0])
          dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        return 0;
      },
      nullptr);
#endif
}

}  // namespace

Sdl2Backend::~Sdl2Backend() {
  FScreens.clear();  // renderers go before their windows
  CloseAudio();
  for (const auto& [h, window] : FWindows) SDL_DestroyWindow(window);
  for (SDL_Window* window : FParked) SDL_DestroyWindow(window);
  PinLoadedLibraries();  // and whatever came later, such as the audio driver's libraries
  if (FAudioUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  SDL_QuitSubSystem(kSubsystems);
}

SDL_Window* Sdl2Backend::Find(HWND window) const {
  const auto it = FWindows.find(window);
  return it == FWindows.end() ? nullptr : it->second;
}

Screen* Sdl2Backend::ScreenOf(HWND window) {
  SDL_Window* s = Find(window);
  if (!s) return nullptr;
  std::unique_ptr<Screen>& screen = FScreens[window];
  if (!screen) screen = std::make_unique<Screen>(s);
  return screen.get();
}

HWND Sdl2Backend::WindowOf(std::uint32_t sdlWindowId) const {
  const auto it = FWindowIds.find(sdlWindowId);
  return it == FWindowIds.end() ? 0 : it->second;
}

bool Sdl2Backend::CreateWindow(HWND window, const WindowSpec& spec) {
  if (Find(window)) return false;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (spec.border == Border::None) flags |= SDL_WINDOW_BORDERLESS;
  if (spec.border == Border::Sizeable) flags |= SDL_WINDOW_RESIZABLE;
  if (!spec.taskbarButton) flags |= SDL_WINDOW_SKIP_TASKBAR;
  const RECT& c = spec.client;
  SDL_Window* made =
      SDL_CreateWindow(spec.title.c_str(), c.left, c.top, AtLeastOne(c.right - c.left),
                       AtLeastOne(c.bottom - c.top), flags);
  if (!made) {
    std::fprintf(stderr, "sdl2: cannot make the window \"%s\": %s\n", spec.title.c_str(),
                 SDL_GetError());
    return false;
  }
  FWindows[window] = made;
  FWindowIds[SDL_GetWindowID(made)] = window;
  if (!ScreenOf(window)->MakeRenderer()) {
    // A window nothing can be drawn in would show nothing, frame after frame: refuse it once.
    std::fprintf(stderr,
                 "sdl2: cannot draw in a window on this display (%s); its colour depth may be "
                 "too low: displays of 16 bits per pixel or more work\n",
                 SDL_GetError());
    DestroyWindow(window);
    return false;
  }
  PinLoadedLibraries();  // the renderer has just loaded the GL driver
  FMoves.Placed(window, POINT{c.left, c.top});
  return true;
}

void Sdl2Backend::DestroyWindow(HWND window) {
  SDL_Window* s = Find(window);
  if (!s) return;
  const bool park = KeepsDecorationsOfDestroyedWindows();
  // A window that has just left full screen has not yet shown the compositor a picture in its
  // new state; hidden before it has, weston goes on covering the whole output for it. So it
  // shows its last picture once more before it goes.
  if (const auto it = FScreens.find(window); park && it != FScreens.end()) it->second->Redraw();
  FScreens.erase(window);
  FWindowIds.erase(SDL_GetWindowID(s));
  FWindows.erase(window);
  FMoves.Forget(window);
  std::erase_if(FPending, [window](const MSG& m) { return m.hwnd == window; });
  if (!park) {
    SDL_DestroyWindow(s);
    return;
  }
  SDL_HideWindow(s);
  FParked.push_back(s);
}

bool Sdl2Backend::ShowWindow(HWND window, bool visible) {
  SDL_Window* s = Find(window);
  if (!s) return false;
  if (!visible) {
    SDL_HideWindow(s);
    return false;
  }
  FMoves.Placed(window, std::nullopt);
  SDL_ShowWindow(s);
  SDL_RaiseWindow(s);
  // Raising is all a window manager needs to hand over the focus; an X server without one
  // hands it to nobody, so ask for it outright. A desktop that refuses later says so with a
  // focus-lost event.
  SDL_SetWindowInputFocus(s);
  return true;
}

void Sdl2Backend::MinimizeWindow(HWND window) {
  if (SDL_Window* s = Find(window)) SDL_MinimizeWindow(s);
}

void Sdl2Backend::RestoreWindow(HWND window) {
  SDL_Window* s = Find(window);
  if (!s) return;
  FMoves.Placed(window, std::nullopt);
  SDL_RestoreWindow(s);
}

void Sdl2Backend::SetTitle(HWND window, const std::string& title) {
  if (SDL_Window* s = Find(window)) SDL_SetWindowTitle(s, title.c_str());
}

void Sdl2Backend::SetFrame(HWND window, Border border, bool, bool) {
  SDL_Window* s = Find(window);
  if (!s) return;
  // A new frame can shift the client area; that is the desktop answering us, not a drag.
  const RECT now = ClientRect(window);
  FMoves.Placed(window, POINT{now.left, now.top});
  SDL_SetWindowBordered(s, SdlBool(border != Border::None));
  SDL_SetWindowResizable(s, SdlBool(border == Border::Sizeable));
}

void Sdl2Backend::SetTaskbarButton(HWND, bool) {}

void Sdl2Backend::SetClientRect(HWND window, const RECT& client) {
  SDL_Window* s = Find(window);
  if (!s) return;
  if (const auto it = FScreens.find(window); it != FScreens.end() && it->second->FullScreen())
    return;  // a full-screen window stays where it is
  FMoves.Placed(window, POINT{client.left, client.top});
  SDL_SetWindowPosition(s, client.left, client.top);
  SDL_SetWindowSize(s, AtLeastOne(client.right - client.left),
                    AtLeastOne(client.bottom - client.top));
}

RECT Sdl2Backend::ClientRect(HWND window) {
  SDL_Window* s = Find(window);
  if (!s) return RECT{};
  if (const auto it = FScreens.find(window); it != FScreens.end() && it->second->FullScreen())
    return it->second->EmulatedRect();
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(s, &x, &y);
  SDL_GetWindowSize(s, &w, &h);
  return RECT{x, y, x + w, y + h};
}

void Sdl2Backend::ActivateWindow(HWND window) {
  if (SDL_Window* s = Find(window)) SDL_RaiseWindow(s);
}

RECT Sdl2Backend::ScreenRect() {
  constexpr int kFirstDisplay = 0;
  SDL_Rect r;
  if (SDL_GetDisplayUsableBounds(kFirstDisplay, &r) != 0 &&
      SDL_GetDisplayBounds(kFirstDisplay, &r) != 0)
    return RECT{};
  return RECT{r.x, r.y, r.x + r.w, r.y + r.h};
}

void Sdl2Backend::Queue(const MSG& message) { FPending.push_back(message); }

WaitResult Sdl2Backend::WaitEvent(MSG& event, DWORD timeoutMs) {
  const std::uint64_t start = Now();
  FMoves.BeginWait(start);
  for (;;) {
    if (!FPending.empty()) {
      event = FPending.front();
      FPending.pop_front();
      return WaitResult::Event;
    }
    // What SDL already holds comes first: a drag is not over while its moves wait unread.
    SDL_Event e;
    if (SDL_PollEvent(&e)) {
      TranslateEvent(e);
      continue;
    }
    const std::uint64_t now = Now();
    if (const HWND ended = FMoves.TakeEnded(now)) {
      event = MSG{ended, WM_EXITSIZEMOVE, 0, 0};
      return WaitResult::Event;
    }
    if (timeoutMs != INFINITE && now - start >= timeoutMs) return WaitResult::Timeout;
    std::uint64_t sleep = kLongestSleepMs;
    if (timeoutMs != INFINITE) sleep = std::min<std::uint64_t>(sleep, timeoutMs - (now - start));
    if (FWindows.empty() || !WaitForX11(FWindows.begin()->second, static_cast<int>(sleep)))
      SDL_Delay(kPollIntervalMs);
  }
}

void Sdl2Backend::TranslateEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT: Queue(MSG{0, WM_QUIT, 0, 0}); break;
    case SDL_WINDOWEVENT: TranslateWindowEvent(event); break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: TranslateMouseEvent(event); break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: TranslateKeyEvent(event); break;
    default: break;  // nothing the platform has a message for
  }
}

void Sdl2Backend::TranslateWindowEvent(const SDL_Event& event) {
  const SDL_WindowEvent& e = event.window;
  const HWND window = WindowOf(e.windowID);
  if (!window) return;
  if (e.event == SDL_WINDOWEVENT_EXPOSED)
    if (const auto it = FScreens.find(window); it != FScreens.end()) it->second->Redraw();
  const WindowEvent change{e.event, e.data1, e.data2, ClientRect(window), Now()};
  for (const MSG& message : WindowEventMessages(window, change, FMoves)) Queue(message);
}

POINT Sdl2Backend::MousePosition(HWND window, int x, int y) {
  if (const auto it = FScreens.find(window); it != FScreens.end() && it->second->FullScreen())
    return it->second->ToEmulated(x, y);
  return POINT{x, y};
}

void Sdl2Backend::TranslateMouseEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_MOUSEMOTION: {
      const SDL_MouseMotionEvent& e = event.motion;
      const HWND window = WindowOf(e.windowID);
      if (!window) return;
      FButtons = e.state;
      Queue(
          MouseMotionMessage(window, {MousePosition(window, e.x, e.y), FButtons, ModifiersNow()}));
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const SDL_MouseButtonEvent& e = event.button;
      const HWND window = WindowOf(e.windowID);
      if (!window) return;
      const MouseButtonEvent press{e.button, e.state == SDL_PRESSED, e.clicks,
                                   MousePosition(window, e.x, e.y), ModifiersNow()};
      if (const auto message = MouseButtonMessage(window, press, FButtons)) Queue(*message);
      return;
    }
    default: return;
  }
}

void Sdl2Backend::TranslateKeyEvent(const SDL_Event& event) {
  const SDL_KeyboardEvent& e = event.key;
  const HWND window = WindowOf(e.windowID);
  if (!window) return;
  const KeyEvent key{static_cast<int>(e.keysym.scancode), e.state == SDL_PRESSED, e.repeat != 0,
                     (e.keysym.mod & KMOD_ALT) != 0};
  if (const auto message = KeyMessage(window, key)) Queue(*message);
}

std::uint32_t Sdl2Backend::Milliseconds() { return static_cast<std::uint32_t>(Now()); }

void Sdl2Backend::Present(HWND window, const FrameView& frame, const RECT& source,
                          const RECT& target, bool waitVBlank) {
  if (Screen* screen = ScreenOf(window)) screen->Present(frame, source, target, waitVBlank);
}

bool Sdl2Backend::ReadsShown(HWND window) {
  Screen* screen = ScreenOf(window);
  return screen && screen->ReadsShown();
}

bool Sdl2Backend::ReadShown(HWND window, const RECT& rect, const FrameTarget& into) {
  Screen* screen = ScreenOf(window);
  return screen && screen->ReadShown(rect, into);
}

void Sdl2Backend::SetFullScreen(HWND window, bool on, int width, int height) {
  Screen* screen = ScreenOf(window);
  if (!screen || screen->FullScreen() == on) return;
  // The desktop moves the window for the switch: its answer, not a drag.
  FMoves.Placed(window, std::nullopt);
  screen->SetFullScreen(on, width, height);
}

void Sdl2Backend::SetCursorVisible(bool visible) {
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void Sdl2Backend::Beep() {
  if (!isatty(STDERR_FILENO)) return;
  std::fputc('\a', stderr);
  std::fflush(stderr);
}

std::unique_ptr<Backend> Create() {
  // The program decides when it ends: closing its last window asks nothing of SDL, and only
  // a signal makes SDL_QUIT.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // A game in a window should not switch the desktop's compositor off.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // The program never moves the mouse pointer. SDL puts it back after each switch to or from
  // full screen, and on Wayland, where nothing may move the pointer, it would do so by locking
  // the pointer for good while it is hidden (as the game hides it): mouse positions would then
  // be summed up from movements and drift away from where the pointer is.
  SDL_SetHint(SDL_HINT_VIDEO_WAYLAND_EMULATE_MOUSE_WARP, "0");
  if (SDL_InitSubSystem(kSubsystems) != 0) {
    std::fprintf(stderr, "sdl2: cannot start SDL's video: %s\n", SDL_GetError());
    return nullptr;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (ShowsNothing(driver) && !AskedFor(driver)) {
    std::fprintf(stderr,
                 "sdl2: no display to show windows on (SDL fell back to its \"%s\" "
                 "video driver: %s)\n",
                 driver, SDL_GetError());
    SDL_QuitSubSystem(kSubsystems);
    return nullptr;
  }
  // Keys arrive as key messages only; text composition would hold some of them back.
  SDL_StopTextInput();
  return std::unique_ptr<Backend>(new Sdl2Backend());
}

bool Install() {
  std::unique_ptr<Backend> backend = Create();
  if (!backend) return false;
  InstallBackend(std::move(backend));
  return true;
}

}  // namespace platform::sdl2

bool platform::InstallDesktop() { return sdl2::Install(); }
