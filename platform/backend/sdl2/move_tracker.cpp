#include "platform/backend/sdl2/move_tracker.h"

namespace platform::sdl2 {

void MoveTracker::Placed(HWND window, std::optional<POINT> client) {
  State& s = FWindows[window];
  if (client) s.expected = client;
  s.placed = true;
}

void MoveTracker::BeginWait(std::uint64_t now) {
  for (auto& [h, s] : FWindows)
    if (s.placed) {
      s.placed = false;
      s.settledAt = now + kSettleMs;
    }
}

MoveTracker::Move MoveTracker::Moved(HWND window, POINT client, std::uint64_t now) {
  State& s = FWindows[window];
  if (s.placed || now < s.settledAt) {
    if (s.expected && *s.expected == client) {
      s.expected.reset();
      return Move::Own;
    }
    if (!s.dragging) return Move::Plain;
  }
  s.expected.reset();
  const bool starts = !s.dragging;
  s.dragging = true;
  s.lastMove = now;
  return starts ? Move::DragStart : Move::Plain;
}

HWND MoveTracker::TakeEnded(std::uint64_t now) {
  State* first = nullptr;
  HWND window = 0;
  for (auto& [h, s] : FWindows) {
    if (!s.dragging || now < s.lastMove + kDragPauseMs) continue;
    if (!first || s.lastMove < first->lastMove) {
      first = &s;
      window = h;
    }
  }
  if (first) first->dragging = false;
  return window;
}

bool MoveTracker::Dragging(HWND window) const {
  const auto it = FWindows.find(window);
  return it != FWindows.end() && it->second.dragging;
}

void MoveTracker::Forget(HWND window) { FWindows.erase(window); }

}  // namespace platform::sdl2
