// The machine's state shared by the platform's system services. Internal to platform/system.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "platform/backend/backend.h"
#include "platform/system/windows.h"

namespace platform::detail {

struct Window {
  HWND handle = 0;
  HWND parent = 0;  // 0 for a top-level window, HWND_MESSAGE for a message-only one
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect;        // relative to the parent's client area; screen coordinates when top-level
  RECT normalRect;  // top-level: the rectangle to come back to from minimised
  std::string text;
  WNDPROC proc = nullptr;
  void* userData = nullptr;
  bool minimized = false;
  bool onDesktop = false;  // the backend has a window for it
  bool destroying = false;
};

struct Timer {
  HWND window = 0;
  std::uintptr_t id = 0;
  UINT elapse = 0;
  std::uint32_t due = 0;
};

struct Machine {
  std::unique_ptr<Backend> backend;
  std::map<HWND, Window> windows;
  HWND nextHandle = 1;
  std::deque<MSG> posted;
  std::deque<MSG> input;  // backend events turned into messages, not yet taken
  std::deque<Timer> timers;
  std::uint8_t keys[256] = {};
  int cursorCount = 0;
  HWND foreground = 0;
  bool appForeground = false;
  HWND capture = 0;
};

Machine& M();
Window* Find(HWND handle);
bool IsTopLevel(const Window& w);
void ResetKeys();
// Updates the keyboard state for a key or mouse-button message as it is taken.
void TrackInput(const MSG& message);

}  // namespace platform::detail
