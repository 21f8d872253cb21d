// The seam between the program and the desktop: every window, event, clock reading and cursor
// change outside the process goes through one Backend. Three implementations exist, chosen in
// code: sdl2/ (the real desktop), web/ (a page in a browser, built with Emscripten) and
// headless/ (a whole machine in memory for tests and tools).
//
// A backend knows only top-level windows; child windows, the message queue, timers, keyboard
// state and activation bookkeeping are the platform's own (platform/system), the same for all.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/winapi.h"

namespace platform {

enum class Border { None, Fixed, Sizeable };

// What a top-level window looks like when it is made.
struct WindowSpec {
  std::string title;
  Border border = Border::Fixed;
  bool minimizeBox = true;
  bool maximizeBox = false;
  bool taskbarButton = true;
  RECT client;  // the client area in screen coordinates
};

// A finished frame for the screen: rows of pixels, top row first, in one of the emulated
// display's formats (8 bits through a palette, 16 bits 5-6-5 or 5-5-5, 24 bits B-G-R in memory,
// 32 bits B-G-R-unused in memory).
struct FrameView {
  const std::uint8_t* top = nullptr;
  std::ptrdiff_t pitch = 0;  // bytes from one row to the next
  int width = 0, height = 0;
  int bitCount = 32;
  bool rgb555 = false;                     // 16 bits: 5-5-5 rather than 5-6-5
  const std::uint32_t* palette = nullptr;  // 8 bits: 256 colours, 0x00RRGGBB

  const std::uint8_t* Row(int y) const { return top + y * pitch; }
};

// Room for pixels read back from a window: rows top first, in the format the frames presented
// to the window had (16 bits 5-6-5 or 5-5-5, 24 or 32 bits; never 8).
struct FrameTarget {
  std::uint8_t* top = nullptr;
  std::ptrdiff_t pitch = 0;
  int width = 0, height = 0;
  int bitCount = 32;
  bool rgb555 = false;
};

// The output device's stream: signed 16-bit samples, channels interleaved.
struct AudioSpec {
  int rate = 48000;  // frames per second
  int channels = 2;
  int frames = 512;  // frames per pull: how far ahead of the ear the service mixes
};

// Asked by the device for the next `frames` frames of `channels` samples each, which it must
// fill completely. It runs on the backend's own thread (or, headless, inside the call that
// moved the clock), and may run before OpenAudio has returned.
using AudioPull = std::function<void(std::int16_t* samples, int frames, int channels)>;
// Told that the device has dropped what the sound service had handed it (another program took
// the device, the device was reset): every buffer of the service is lost.
using AudioLost = std::function<void()>;

// One display mode the screen can be put in.
struct ScreenMode {
  int width = 0, height = 0, bitCount = 0;
  friend bool operator==(const ScreenMode&, const ScreenMode&) = default;
};

// The modes a backend offers unless it knows better: the usual sizes at 8, 16 and 32 bits.
inline std::vector<ScreenMode> StandardScreenModes() {
  std::vector<ScreenMode> modes;
  for (int bits : {8, 16, 32})
    for (auto [w, h] : {std::pair{640, 480}, std::pair{800, 600}, std::pair{1024, 768}})
      modes.push_back({w, h, bits});
  return modes;
}

enum class WaitResult {
  Event,    // an event was taken
  Timeout,  // the timeout passed without one
  Never,    // nothing can ever arrive (only a machine with nothing scripted says this)
};

class Backend {
 public:
  virtual ~Backend() = default;

  // A short name for messages: "sdl2", "headless".
  virtual const char* Name() const = 0;

  // Windows. The platform names each window by its own handle; a backend that cannot make one
  // answers false and the platform's window creation fails.
  virtual bool CreateWindow(HWND window, const WindowSpec& spec) = 0;
  virtual void DestroyWindow(HWND window) = 0;
  // Showing a window also asks the desktop for the keyboard focus for it. Answers whether the
  // window has the focus now: the platform then activates it at once, and a later WM_ACTIVATE
  // for the same window is no news. Hiding answers false.
  virtual bool ShowWindow(HWND window, bool visible) = 0;
  virtual void MinimizeWindow(HWND window) = 0;
  virtual void RestoreWindow(HWND window) = 0;
  virtual void SetTitle(HWND window, const std::string& title) = 0;
  virtual void SetFrame(HWND window, Border border, bool minimizeBox, bool maximizeBox) = 0;
  virtual void SetTaskbarButton(HWND window, bool shown) = 0;
  // Moves and sizes the client area, given in screen coordinates.
  virtual void SetClientRect(HWND window, const RECT& client) = 0;
  // The client area in screen coordinates as the desktop has it now.
  virtual RECT ClientRect(HWND window) = 0;
  // Asks the desktop to give the window the keyboard focus.
  virtual void ActivateWindow(HWND window) = 0;
  // The desktop's usable screen, for centring windows.
  virtual RECT ScreenRect() = 0;

  // Events, already in message form: input and window messages addressed to a top-level
  // window (mouse coordinates in its client area), WM_ACTIVATE with WA_ACTIVE or WA_INACTIVE
  // when a window gains or loses the keyboard focus, WM_ACTIVATEAPP with window 0 when the
  // application as a whole gains or loses the foreground without a window of its own,
  // WM_SYSCOMMAND SC_CLOSE when the user asks to close, WM_SIZE when the desktop resized or
  // minimised the window, WM_MOVE, WM_ENTERSIZEMOVE / WM_EXITSIZEMOVE around a drag,
  // WM_PAINT when the window must be drawn again, WM_QUIT when the user ends the program.
  // Waits up to timeoutMs (0 = only look, INFINITE = as long as it takes).
  virtual WaitResult WaitEvent(MSG& event, DWORD timeoutMs) = 0;

  // Presentation. Shows the `source` rectangle of the frame in the window's client area at
  // `target` (client coordinates; a target of another size stretches), after the vertical
  // blank when waitVBlank is set. The window keeps showing it, also when uncovered, until the
  // next presentation.
  virtual void Present(HWND window, const FrameView& frame, const RECT& source, const RECT& target,
                       bool waitVBlank) = 0;
  // Reading back what a framed window shows. ReadsShown: the window can give back the pixels
  // of frames presented to it, so its presenter need not keep its own copy of them. ReadShown
  // writes the `rect` of the client area (client coordinates, the size of `into`) as the window
  // shows it now, when the window holds all of it unstretched, in the format of `into`; else it
  // writes nothing and answers false.
  virtual bool ReadsShown(HWND window) {
    (void)window;
    return false;
  }
  virtual bool ReadShown(HWND window, const RECT& rect, const FrameTarget& into) {
    (void)window, (void)rect, (void)into;
    return false;
  }
  // Full screen: the window alone covers the monitor and holds an emulated screen of
  // width x height pixels, scaled to fit without changing the monitor's mode. Its client area
  // and every mouse position are then in the emulated screen's pixels. Off: the window is a
  // framed window again, where it was before.
  virtual void SetFullScreen(HWND window, bool on, int width, int height) = 0;

  // A 32-bit millisecond count that wraps around.
  virtual std::uint32_t Milliseconds() = 0;

  // The display modes that full screen can use; the screen is emulated at that size.
  virtual std::vector<ScreenMode> ScreenModes() { return StandardScreenModes(); }

  virtual void SetCursorVisible(bool visible) = 0;
  virtual void Beep() = 0;

  // Lets `ms` milliseconds pass without taking events (a sound that is waited for plays on).
  virtual void Sleep(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }

  // Audio. Opens the default output device near `wanted` and starts pulling; `obtained` says
  // what the device really plays. There is one device at a time: answers false, leaving
  // nothing open, when there is no device or one is open already. A backend without sound
  // has none.
  virtual bool OpenAudio(const AudioSpec& wanted, AudioSpec& obtained, AudioPull pull,
                         AudioLost lost) {
    (void)wanted, (void)obtained, (void)pull, (void)lost;
    return false;
  }
  // Stops pulling and closes the device; once it returns, the pull callback is not running
  // and will not run again.
  virtual void CloseAudio() {}
};

}  // namespace platform
