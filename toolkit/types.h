// The toolkit's small value types: colours, rectangles and points, sets over enumerations,
// shift states, mouse buttons, and the message record that window procedures receive.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "platform/winapi.h"

// A colour 0x00BBGGRR (blue in the high byte). A value with the high byte 0xFF is a system
// colour whose number is in the low byte.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// A rectangle; Right and Bottom are exclusive.
struct TRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  constexpr std::int32_t Width() const { return Right - Left; }
  constexpr std::int32_t Height() const { return Bottom - Top; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

struct TPoint {
  std::int32_t X = 0, Y = 0;
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

constexpr TRect Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  return {left, top, right, bottom};
}
constexpr TRect Bounds(std::int32_t left, std::int32_t top, std::int32_t width,
                       std::int32_t height) {
  return {left, top, left + width, top + height};
}
constexpr TPoint Point(std::int32_t x, std::int32_t y) { return {x, y}; }

// A set over an enumeration whose members are numbered 0 to 31; member n is bit n.
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (E m : members) Include(m);
  }
  static constexpr TSet FromBits(std::uint32_t bits) {
    TSet s;
    s.FBits = bits;
    return s;
  }
  constexpr std::uint32_t Bits() const { return FBits; }
  constexpr bool Contains(E m) const { return (FBits & Bit(m)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E m) {
    FBits |= Bit(m);
    return *this;
  }
  constexpr TSet& Exclude(E m) {
    FBits &= ~Bit(m);
    return *this;
  }
  friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.FBits & ~b.FBits); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.FBits & b.FBits); }
  friend constexpr bool operator==(TSet a, TSet b) = default;

 private:
  static constexpr std::uint32_t Bit(E m) { return std::uint32_t{1} << static_cast<unsigned>(m); }
  std::uint32_t FBits = 0;
};

// Keys and buttons held during an input event; 16 bits, member n at bit n.
enum TShiftStateItem {
  ssShift,
  ssAlt,
  ssCtrl,
  ssLeft,
  ssRight,
  ssMiddle,
  ssDouble,
  ssTouch,
  ssPen,
  ssCommand,
  ssHorizontal
};
using TShiftState = TSet<TShiftStateItem>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// What a window procedure receives; a handler answers through Result.
struct TMessage {
  platform::UINT Msg = 0;
  platform::WPARAM WParam = 0;
  platform::LPARAM LParam = 0;
  platform::LRESULT Result = 0;
};

// The toolkit's own notifications to its application window.
constexpr platform::UINT CM_BASE = 0xB000;
constexpr platform::UINT CM_ACTIVATE = CM_BASE + 0;    // the application gained the foreground
constexpr platform::UINT CM_DEACTIVATE = CM_BASE + 1;  // the application lost it

// Virtual-key codes are the platform's.
using platform::VK_F1;
using platform::VK_F12;
using platform::VK_MENU;
using platform::VK_RETURN;
