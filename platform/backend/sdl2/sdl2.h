// The real desktop: each top-level window of the platform is an SDL window, and SDL's events
// come back as the platform's messages. The backend owns SDL's video and timer subsystems for
// as long as it lives.
//
// Focus: showing a window raises it and asks for the keyboard focus outright, so that it gets
// it also on an X server without a window manager.
//
// Events: SDL's events become the platform's messages as event_translation.h (the mouse and
// changes to windows) and keymap.h (keys) decide, addressed to the top-level window SDL names,
// with mouse positions in its client area. A signal that asks the program to end (Ctrl+C,
// SIGTERM) comes as WM_QUIT. Closing the last window does not end the program by itself.
//
// Drags: SDL only reports that a window has moved, so a drag is recognised from its moves
// (see move_tracker.h). WM_ENTERSIZEMOVE comes just before the first WM_MOVE of a drag and
// WM_EXITSIZEMOVE a quarter of a second after the last, also in the middle of a long wait.
// Moves the program makes itself (SetClientRect, SetFrame, showing, restoring) are not taken
// for drags, and those that land where the program asked need no WM_MOVE.
//
// Waiting looks at SDL's queue every millisecond rather than blocking in SDL (sdl2.cpp says
// why), so a wait with a timeout ends within about a millisecond of it.
//
// Does not:
// - have a system menu, so there is never a WM_INITMENU;
// - make any message but those named here, in event_translation.h and in keymap.h;
// - bracket resizes by the user with WM_ENTERSIZEMOVE / WM_EXITSIZEMOVE;
// - show or hide the minimise and maximise boxes: the desktop decides them;
// - add or take away a taskbar button after the window is made (SetTaskbarButton does
//   nothing; the choice made at creation stays);
// - change the monitor's video mode: full screen scales an emulated screen instead;
// - beep: there is no sound to make without the audio device, so Beep rings the terminal's
//   bell when standard error is a terminal and does nothing otherwise;
// - report an audio device that goes away while open: it falls silent, and the sound service
//   is not told that its buffers were lost.
//
// Audio: SDL's audio subsystem is started on its own when the device first opens (so a machine
// without sound still has windows) and stopped when the backend ends. The default output device plays
// signed 16-bit frames at its preferred rate and channel count, pulled on SDL's audio thread in
// blocks of at most 512 frames, about 11 ms at 48 kHz.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/backend/sdl2/move_tracker.h"
#include "platform/backend/sdl2/screen.h"

struct SDL_Window;
union SDL_Event;

namespace platform::sdl2 {

class Sdl2Backend final : public Backend {
 public:
  // Only Create() makes one, once SDL has started.
  Sdl2Backend(const Sdl2Backend&) = delete;
  Sdl2Backend& operator=(const Sdl2Backend&) = delete;
  // Destroys the windows still open and stops the subsystems it started.
  ~Sdl2Backend() override;

  const char* Name() const override { return "sdl2"; }
  // Makes the window hidden. Answers false, with SDL's reason on stderr, when SDL cannot.
  bool CreateWindow(HWND window, const WindowSpec& spec) override;
  // On Wayland the SDL window is only hidden, and destroyed when the backend ends.
  void DestroyWindow(HWND window) override;
  bool ShowWindow(HWND window, bool visible) override;
  void MinimizeWindow(HWND window) override;
  void RestoreWindow(HWND window) override;
  void SetTitle(HWND window, const std::string& title) override;
  void SetFrame(HWND window, Border border, bool minimizeBox, bool maximizeBox) override;
  void SetTaskbarButton(HWND window, bool shown) override;
  void SetClientRect(HWND window, const RECT& client) override;
  RECT ClientRect(HWND window) override;
  // Raises the window; whether it also gets the focus is the desktop's decision.
  void ActivateWindow(HWND window) override;
  // The first display's usable area, or its whole area when the desktop does not say; an
  // empty rectangle when SDL knows no display.
  RECT ScreenRect() override;
  // Events that mean nothing to the platform are passed over within the same wait. Never
  // answers Never: a desktop can always send something more.
  WaitResult WaitEvent(MSG& event, DWORD timeoutMs) override;
  std::uint32_t Milliseconds() override;
  // Uploads the frame into the window's texture and renders it; vsync follows
  // waitVBlank. The window redraws the last frame by itself when it is uncovered.
  void Present(HWND window, const FrameView& frame, const RECT& source, const RECT& target,
               bool waitVBlank) override;
  // A framed window's picture is read back from its texture (screen.h).
  bool ReadsShown(HWND window) override;
  bool ReadShown(HWND window, const RECT& rect, const FrameTarget& into) override;
  // Full screen on the desktop's own mode (the monitor's mode never changes); the emulated
  // screen is scaled as platform/backend/viewport.h says and mouse positions are mapped back
  // exactly.
  void SetFullScreen(HWND window, bool on, int width, int height) override;
  void SetCursorVisible(bool visible) override;
  void Beep() override;
  bool OpenAudio(const AudioSpec& wanted, AudioSpec& obtained, AudioPull pull,
                 AudioLost lost) override;
  void CloseAudio() override;

 private:
  friend std::unique_ptr<Backend> Create();
  Sdl2Backend() = default;

  SDL_Window* Find(HWND window) const;
  Screen* ScreenOf(HWND window);
  HWND WindowOf(std::uint32_t sdlWindowId) const;
  // Event translation: queues the messages an SDL event means, none for one that means
  // nothing. These only read the event and the backend's state; which messages they are is
  // decided in event_translation.h and keymap.h.
  void TranslateEvent(const SDL_Event& event);
  void TranslateWindowEvent(const SDL_Event& event);
  void TranslateMouseEvent(const SDL_Event& event);
  void TranslateKeyEvent(const SDL_Event& event);
  // A mouse position in the window, in emulated pixels while the window is full screen.
  POINT MousePosition(HWND window, int x, int y);
  void Queue(const MSG& message);

  std::map<HWND, SDL_Window*> FWindows;
  std::map<HWND, std::unique_ptr<Screen>> FScreens;  // windows that have shown a frame
  std::map<std::uint32_t, HWND> FWindowIds;          // SDL's window ID to the platform's handle
  // Windows the platform destroyed that stay hidden until the backend ends, where SDL would
  // leave their decorations reading freed memory (sdl2.cpp, KeepsDecorationsOfDestroyedWindows).
  std::vector<SDL_Window*> FParked;
  std::deque<MSG> FPending;  // translated, not yet taken
  MoveTracker FMoves;
  std::uint32_t FButtons = 0;  // SDL's mask of the mouse buttons held

  static void AudioCallback(void* backend, std::uint8_t* stream, int bytes);
  bool FAudioUp = false;           // SDL's audio subsystem, from the first OpenAudio on
  std::uint32_t FAudioDevice = 0;  // SDL's device ID; 0 while closed
  int FAudioChannels = 0;
  AudioPull FAudioPull;  // called on SDL's audio thread only while the device is open
};

// Starts SDL's video and timer subsystems and makes a backend on them. Answers nullptr, with
// SDL's reason on stderr, when SDL cannot start, and also when it found no display and fell
// back on a driver that shows nothing ("offscreen", "dummy"), unless SDL_VIDEODRIVER names
// that driver.
std::unique_ptr<Backend> Create();

// Create(), then installs the backend as the platform's. Answers whether one was installed;
// when not, the backend installed before (if any) stays.
bool Install();

}  // namespace platform::sdl2
