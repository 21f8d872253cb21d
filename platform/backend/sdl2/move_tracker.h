// Tells the user's window drags apart from the moves the program makes itself. The desktop
// only reports "the window is now here", never when a drag starts or ends, so a drag is taken
// to be a run of such reports with no pause longer than kDragPauseMs between them: it opens
// with the first report after a quiet spell and closes once the pause has passed.
//
// After the program places a window (moves, shows or restores it) the desktop takes a moment
// to carry the placement out, counted from when the program next reads the desktop's reports
// (a program busy elsewhere reads them late). Reports inside that moment are the desktop's
// answer, not a drag: one at the very place the program asked for is the program's own move
// and needs no telling; any other is the desktop adjusting it, a plain move.
//
// Times are milliseconds on a clock that does not wrap.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "platform/winapi.h"

namespace platform::sdl2 {

class MoveTracker {
 public:
  // The longest pause between two reports of one drag.
  static constexpr std::uint64_t kDragPauseMs = 250;
  // How long after a placement the desktop's reports count as its answer to it.
  static constexpr std::uint64_t kSettleMs = 250;

  enum class Move {
    Own,        // the program's own move, already known to it
    Plain,      // a move outside any drag, or one more step of an open drag
    DragStart,  // the first move of a drag
  };

  // The program places the window; `client` is where its client area goes when it moves
  // (without one, a place asked for earlier still stands). The desktop's answer is expected
  // from the next BeginWait on, since the desktop's reports are only read while waiting.
  void Placed(HWND window, std::optional<POINT> client);
  // The program is about to read the desktop's reports: the placements made since the last
  // call start their settling time now.
  void BeginWait(std::uint64_t now);
  // The desktop reports the window's client area at `client`.
  Move Moved(HWND window, POINT client, std::uint64_t now);
  // A window whose drag has ended by `now`, the one that ended first; the drag is closed.
  // 0 when no drag has ended.
  HWND TakeEnded(std::uint64_t now);
  bool Dragging(HWND window) const;
  void Forget(HWND window);

 private:
  struct State {
    std::optional<POINT> expected;  // where the program's last placement put the client area
    bool placed = false;            // a placement waits for its settling time to start
    std::uint64_t settledAt = 0;    // when the desktop's answer to it is over
    bool dragging = false;
    std::uint64_t lastMove = 0;  // of the open drag
  };

  std::map<HWND, State> FWindows;
};

}  // namespace platform::sdl2
