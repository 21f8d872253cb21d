// Windows, the message queue and message timers.
//
// A window has a procedure that receives its messages and one opaque pointer for its user.
// Top-level windows exist on the desktop through the backend; child windows are rectangles in
// their parent's client area that the platform keeps itself, hit-testing mouse input into them.
// A top-level window's rectangle is its client area: frames belong to the desktop. Windows made
// with the parent HWND_MESSAGE never appear anywhere and only receive messages.
//
// Messages taken from the queue come in this order: posted messages, then input and window
// events from the backend, then WM_TIMER for timers that are due. SendMessage calls the
// procedure at once.
#pragma once

#include <string>

#include "platform/backend/backend.h"
#include "platform/winapi.h"

namespace platform {

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr HWND HWND_MESSAGE = 0xFFFFFFFFu;

// Makes a window and sends it WM_CREATE, whose lParam is the userData pointer; a procedure
// that answers -1 to it refuses the window, which is destroyed again (the answer is then 0).
// With WS_VISIBLE the window is shown at once. Answers 0 when the backend cannot make a
// top-level window.
HWND CreateWindowEx(DWORD exStyle, const std::string& text, DWORD style, int x, int y, int width,
                    int height, HWND parent, WNDPROC proc, void* userData);
// Sends WM_DESTROY to the window, then to its children, and removes them all with their timers
// and queued messages.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
void* GetWindowUserData(HWND window);
HWND GetParent(HWND window);

// SW_HIDE, SW_SHOW, SW_SHOWNORMAL, SW_MINIMIZE, SW_SHOWMINIMIZED, SW_RESTORE. A change of
// visibility sends WM_SHOWWINDOW and WM_WINDOWPOSCHANGED with SWP_SHOWWINDOW or SWP_HIDEWINDOW;
// minimising and restoring send WM_SIZE. Answers whether the window was visible before.
BOOL ShowWindow(HWND window, UINT command);
BOOL IsWindowVisible(HWND window);
BOOL IsIconic(HWND window);

// Moves and sizes a window (relative to its parent's client area; the screen for a top-level
// window) and sends WM_WINDOWPOSCHANGED, then WM_MOVE and WM_SIZE for what changed.
BOOL SetWindowPos(HWND window, int x, int y, int width, int height, UINT flags);
BOOL GetWindowRect(HWND window, RECT& rect);  // screen coordinates
// Full screen for a top-level window: the desktop shows it alone over the whole monitor,
// holding an emulated screen of width x height, and the window's rectangle becomes that screen
// (0, 0, width, height), with WM_WINDOWPOSCHANGED, WM_MOVE and WM_SIZE for what changed. Off: the
// window goes back to where it was.
BOOL SetFullScreenWindow(HWND window, bool on, int width, int height);
// The top-level window that holds a window (the window itself when it is top-level).
HWND GetTopLevel(HWND window);
BOOL GetClientRect(HWND window, RECT& rect);  // (0, 0, width, height)
BOOL ClientToScreen(HWND window, POINT& point);
BOOL ScreenToClient(HWND window, POINT& point);
RECT GetScreenRect();

// GWL_STYLE and GWL_EXSTYLE. Changing the style of a top-level window changes its frame on
// the desktop; WS_EX_TOOLWINDOW without WS_EX_APPWINDOW takes its taskbar button away.
DWORD GetWindowLong(HWND window, int index);
DWORD SetWindowLong(HWND window, int index, DWORD value);

BOOL SetWindowText(HWND window, const std::string& text);
std::string GetWindowText(HWND window);

// Placement: the normal (restored) rectangle and the show state. Both fail unless length is
// sizeof(WINDOWPLACEMENT).
BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT& placement);
BOOL SetWindowPlacement(HWND window, const WINDOWPLACEMENT& placement);

// The queue.
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the next message without waiting; answers False when there is none.
BOOL PeekMessage(MSG& message);
// Waits until a message can be taken, at most timeoutMs (INFINITE for no limit).
WaitResult WaitMessage(DWORD timeoutMs);
LRESULT DispatchMessage(const MSG& message);
// The standard handling: WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE, SC_MINIMIZE and SC_RESTORE
// minimise and restore, WM_CLOSE destroys the window; everything else answers 0.
LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Message timers: WM_TIMER with wParam = id, every elapseMs, while the queue is otherwise
// empty; at most one is waiting per timer. Setting an existing timer restarts its count.
// elapseMs 0 counts as 1, and anything above kLongestTimerElapse (about 24.8 days) as that.
constexpr UINT kLongestTimerElapse = 0x7FFFFFFF;
BOOL SetTimer(HWND window, std::uintptr_t id, UINT elapseMs);
BOOL KillTimer(HWND window, std::uintptr_t id);

}  // namespace platform
