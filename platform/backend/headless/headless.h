// A whole desktop in memory, for tests, tools and benchmarks: windows that exist only as
// records, a virtual clock that moves only when told or when the program waits, and a
// scripted queue of input events.
//
// Time: the clock starts at a value the caller chooses (0 unless told) and wraps around at
// 2^32. A wait with a timeout moves the clock on by the timeout, or to the next scripted event
// that falls inside it. A wait without a timeout when nothing is scripted answers Never.
//
// Input: events are queued as they would come from a desktop, at once or at a given time;
// the helpers below build the usual sequences (key presses with their modifiers, clicks).
// Showing a window gives it the keyboard focus at once, unless that is switched off.
//
// Presentation: every frame presented is captured (the last one per window always, all of them
// when asked), with the vertical-blank waits counted. A window gives back what its last frame
// covers. Full screen puts a window's client area
// at (0, 0) with the emulated screen's size, and gives it back its place afterwards.
//
// Audio: an output device that exists unless told otherwise. While it is open, every move of
// the clock pulls as many frames as the elapsed time holds at the device's rate, in the call
// that moved the clock, and keeps them for a test to read (up to a limit, then only mixes).
// The device can be taken away, and can be told to drop the service's buffers.
//
// Screen modes: a list that a test can set; the drawing service emulates them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/backend/backend.h"

namespace platform::headless {

// What the desktop knows of one window.
struct WindowRecord {
  WindowSpec spec;
  bool visible = false;
  bool minimized = false;
  bool destroyed = false;
  bool fullScreen = false;
  RECT windowed;  // full screen: where the client area was before
};

// A frame as it reached a window: the presented rectangle of pixels, copied in their own format.
struct CapturedFrame {
  HWND window = 0;
  RECT target;
  bool waitedForVBlank = false;
  int width = 0, height = 0, bitCount = 0;
  bool rgb555 = false;
  std::vector<std::uint8_t> pixels;  // rows top first, packed without padding
  std::vector<std::uint32_t> palette;

  // The colour of one pixel as 0x00RRGGBB, channels widened to 8 bits.
  std::uint32_t Pixel(int x, int y) const;
};

enum class Button { Left, Right, Middle };

// Modifier keys held around a scripted key press or click.
struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

class HeadlessBackend final : public Backend {
 public:
  HeadlessBackend();

  // Clock. Moving it forward plays that much of the open audio device.
  void SetTime(std::uint32_t ms);
  void Advance(std::uint32_t ms) { MoveClockTo(FNow + ms); }
  std::uint32_t Now() const { return FNow; }

  // Scripted events. Queue appends an event that can be taken at once; QueueAt one that
  // becomes available when the clock reaches `at` (events at the same time keep their order).
  void Queue(const MSG& event);
  void QueueAt(std::uint32_t at, const MSG& event);
  std::size_t PendingEvents() const { return FEvents.size(); }

  void MoveMouse(HWND window, int x, int y);
  // Button down and up at (x, y) of the window's client area, with the modifiers held; with
  // doubleClick the down is the second press of a double click.
  void Click(HWND window, int x, int y, Button button = Button::Left, Modifiers held = {},
             bool doubleClick = false);
  void ButtonDown(HWND window, int x, int y, Button button, Modifiers held = {},
                  bool doubleClick = false);
  void ButtonUp(HWND window, int x, int y, Button button, Modifiers held = {});
  // Modifier downs, the key's down and up, modifier ups; Alt makes them system keys.
  void PressKey(HWND window, std::uint16_t virtualKey, Modifiers held = {});
  void KeyDown(HWND window, std::uint16_t virtualKey, bool alt = false);
  void KeyUp(HWND window, std::uint16_t virtualKey, bool alt = false);
  // The user asks to close the window (close button or window menu).
  void RequestClose(HWND window);
  // The user drags the window to a new place: the move starts, the window moves, it ends.
  void Drag(HWND window, int dx, int dy);
  void OpenSystemMenu(HWND window);
  void UserMinimize(HWND window);
  // The window gains the focus; or the application loses the foreground to another program;
  // or it gains it back without a window of its own taking the focus.
  void Focus(HWND window);
  void DeactivateApplication();
  void ActivateApplication();
  void Quit();

  // Audio device. Without one, opening fails. The format is what the next opening obtains.
  void SetAudioDevice(bool present) { FAudioPresent = present; }
  void SetAudioFormat(int rate, int channels) { FAudioFormat = {rate, channels, 512}; }
  bool AudioOpen() const { return static_cast<bool>(FAudioPull); }
  const AudioSpec& AudioFormat() const { return FAudioFormat; }
  // Every frame played since opening (or since the last clear), channels interleaved.
  const std::vector<std::int16_t>& AudioOutput() const { return FAudioOut; }
  void ClearAudioOutput() { FAudioOut.clear(); }
  // Frames kept at most; later ones are played and not kept.
  void SetAudioCaptureLimit(std::size_t frames) { FAudioCaptureLimit = frames; }
  std::uint64_t AudioFramesPlayed() const { return FAudioFrames; }
  // Plays frames at once, without moving the clock.
  void PullAudio(int frames);
  // The device drops the sound service's buffers.
  void LoseAudioBuffers();

  void SetFocusOnShow(bool focus) { FFocusOnShow = focus; }
  void SetScreen(const RECT& screen) { FScreen = screen; }
  // The display modes the machine offers (the standard list unless told).
  void SetScreenModes(std::vector<ScreenMode> modes) { FScreenModes = std::move(modes); }

  // What the desktop shows. A window the machine made and has since destroyed answers a record
  // with only `destroyed` set: nothing else of it is kept, so that making and destroying windows
  // without end takes no memory.
  const WindowRecord* Window(HWND window) const;
  std::vector<HWND> VisibleWindows() const;
  bool CursorVisible() const { return FCursorVisible; }
  // The last frame presented in the window (for 0, the window presented in last); nullptr before
  // the first and once the window is destroyed: what a closed window showed is gone, as on a
  // desktop.
  const CapturedFrame* LastFrame(HWND window = 0) const;
  std::size_t PresentedFrames() const { return FPresented; }
  int VBlankWaits() const { return FVBlankWaits; }
  // Keep every frame presented from now on, not just the last of each window.
  void KeepAllFrames(bool keep) { FKeepAll = keep; }
  const std::vector<CapturedFrame>& AllFrames() const { return FAllFrames; }
  int Beeps() const { return FBeeps; }

  // Backend.
  const char* Name() const override { return "headless"; }
  bool CreateWindow(HWND window, const WindowSpec& spec) override;
  void DestroyWindow(HWND window) override;
  bool ShowWindow(HWND window, bool visible) override;
  void MinimizeWindow(HWND window) override;
  void RestoreWindow(HWND window) override;
  void SetTitle(HWND window, const std::string& title) override;
  void SetFrame(HWND window, Border border, bool minimizeBox, bool maximizeBox) override;
  void SetTaskbarButton(HWND window, bool shown) override;
  void SetClientRect(HWND window, const RECT& client) override;
  RECT ClientRect(HWND window) override;
  void ActivateWindow(HWND window) override;
  RECT ScreenRect() override { return FScreen; }
  std::vector<ScreenMode> ScreenModes() override { return FScreenModes; }
  WaitResult WaitEvent(MSG& event, DWORD timeoutMs) override;
  std::uint32_t Milliseconds() override { return FNow; }
  void Present(HWND window, const FrameView& frame, const RECT& source, const RECT& target,
               bool waitVBlank) override;
  bool ReadsShown(HWND window) override { return Record(window) != nullptr; }
  bool ReadShown(HWND window, const RECT& rect, const FrameTarget& into) override;
  void SetFullScreen(HWND window, bool on, int width, int height) override;
  void SetCursorVisible(bool visible) override { FCursorVisible = visible; }
  void Beep() override { ++FBeeps; }
  void Sleep(std::uint32_t ms) override { Advance(ms); }
  bool OpenAudio(const AudioSpec& wanted, AudioSpec& obtained, AudioPull pull,
                 AudioLost lost) override;
  void CloseAudio() override;

 private:
  struct Scripted {
    std::uint32_t at;
    MSG event;
  };
  WindowRecord* Record(HWND window);
  WPARAM MouseFlags(Modifiers held, Button pressed, bool down) const;
  // Sets the clock; a move forward plays the audio of the time that passed.
  void MoveClockTo(std::uint32_t ms);

  std::uint32_t FNow = 0;
  std::vector<Scripted> FEvents;          // in the order they become available
  std::map<HWND, WindowRecord> FWindows;  // the windows that exist
  HWND FNewestWindow = 0;                 // handles only grow: those up to it were made here
  RECT FScreen{0, 0, 1280, 1024};
  std::vector<ScreenMode> FScreenModes = StandardScreenModes();
  bool FFocusOnShow = true;
  bool FCursorVisible = true;
  int FBeeps = 0;
  WPARAM FButtons = 0;  // MK_ flags of the buttons held
  HWND FFocused = 0;    // the window last given the focus
  std::map<HWND, CapturedFrame> FLastFrames;
  HWND FLastPresented = 0;
  std::size_t FPresented = 0;
  int FVBlankWaits = 0;
  bool FKeepAll = false;
  std::vector<CapturedFrame> FAllFrames;

  bool FAudioPresent = true;
  AudioSpec FAudioFormat{48000, 2, 512};
  AudioPull FAudioPull;
  AudioLost FAudioLost;
  std::uint64_t FAudioMs = 0;      // clock time since the device opened
  std::uint64_t FAudioFrames = 0;  // frames pulled since it opened
  std::vector<std::int16_t> FAudioOut;
  std::size_t FAudioCaptureLimit = 10 * 60 * 48000;
};

// Installs a fresh headless machine as the platform's backend and answers it; it lives until
// another backend is installed.
HeadlessBackend& Install(std::uint32_t startTime = 0);

}  // namespace platform::headless
