#include "platform/backend/web/translation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/backend/key_message.h"

namespace platform::web {

namespace {

constexpr std::pair<std::string_view, std::uint16_t> kNamedKeys[] = {
    {"Backspace", VK_BACK},
    {"Tab", VK_TAB},
    {"Enter", VK_RETURN},
    {"NumpadEnter", VK_RETURN},
    {"ShiftLeft", VK_SHIFT},
    {"ShiftRight", VK_SHIFT},
    {"ControlLeft", VK_CONTROL},
    {"ControlRight", VK_CONTROL},
    {"AltLeft", VK_MENU},
    {"AltRight", VK_MENU},
    {"Pause", VK_PAUSE},
    {"CapsLock", VK_CAPITAL},
    {"Escape", VK_ESCAPE},
    {"Space", VK_SPACE},
    {"PageUp", VK_PRIOR},
    {"PageDown", VK_NEXT},
    {"End", VK_END},
    {"Home", VK_HOME},
    {"ArrowLeft", VK_LEFT},
    {"ArrowUp", VK_UP},
    {"ArrowRight", VK_RIGHT},
    {"ArrowDown", VK_DOWN},
    {"PrintScreen", VK_SNAPSHOT},
    {"Insert", VK_INSERT},
    {"Delete", VK_DELETE},
    {"NumpadMultiply", VK_MULTIPLY},
    {"NumpadAdd", VK_ADD},
    {"NumpadSubtract", VK_SUBTRACT},
    {"NumpadDecimal", VK_DECIMAL},
    {"NumpadDivide", VK_DIVIDE},
    {"NumLock", VK_NUMLOCK},
    {"ScrollLock", VK_SCROLL},
    {"Semicolon", VK_OEM_1},
    {"Equal", VK_OEM_PLUS},
    {"Comma", VK_OEM_COMMA},
    {"Minus", VK_OEM_MINUS},
};

// The number after `prefix` in `code`, when code is prefix followed by digits only.
std::optional<int> NumberAfter(std::string_view code, std::string_view prefix) {
  if (code.size() <= prefix.size() || code.substr(0, prefix.size()) != prefix) return std::nullopt;
  int n = 0;
  for (const char c : code.substr(prefix.size())) {
    if (c < '0' || c > '9' || n > 99) return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

std::uint16_t VirtualKeyForCode(std::string_view code) {
  if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z')
    return static_cast<std::uint16_t>(code[3]);
  if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '0' && code[5] <= '9')
    return static_cast<std::uint16_t>(code[5]);
  if (code.size() == 7 && code.substr(0, 6) == "Numpad" && code[6] >= '0' && code[6] <= '9')
    return static_cast<std::uint16_t>(VK_NUMPAD0 + (code[6] - '0'));
  if (const auto f = NumberAfter(code, "F"); f && *f >= 1 && *f <= 12)
    return static_cast<std::uint16_t>(VK_F1 + (*f - 1));
  for (const auto& [name, key] : kNamedKeys)
    if (name == code) return key;
  return 0;
}

std::optional<MSG> KeyMessage(HWND window, const KeyEvent& key) {
  const std::uint16_t code = VirtualKeyForCode(key.code);
  if (code == 0) return std::nullopt;
  return KeyMessageFor(window, code, key.down, key.repeat, key.altHeld);
}

bool KeyBelongsToTheGame(const KeyEvent& key) {
  const std::uint16_t code = VirtualKeyForCode(key.code);
  return (code >= VK_F1 && code < VK_F1 + 6) || code == VK_MENU ||
         (code == VK_RETURN && key.altHeld);
}

std::optional<MSG> PointerMessage(HWND window, const PointerEvent& event) {
  WPARAM flags = 0;
  if (event.buttons & 1) flags |= MK_LBUTTON;
  if (event.buttons & 2) flags |= MK_RBUTTON;
  if (event.buttons & 4) flags |= MK_MBUTTON;
  if (event.shift) flags |= MK_SHIFT;
  if (event.ctrl) flags |= MK_CONTROL;
  const LPARAM at = MAKELPARAM_XY(event.at.x, event.at.y);
  if (event.kind == PointerEvent::Move) return MSG{window, WM_MOUSEMOVE, flags, at};
  // Down, up and double click of each button lie three apart, left first.
  static constexpr UINT kDown[] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
  if (event.button < 0 || event.button > 2) return std::nullopt;
  UINT message = kDown[event.button];
  if (event.kind == PointerEvent::Up)
    message += 1;
  else if (event.clicks >= 2 && event.clicks % 2 == 0)
    message += 2;
  return MSG{window, message, flags, at};
}

Viewport PictureOnPage(int pageWidth, int pageHeight, int pictureWidth, int pictureHeight) {
  return FitToMonitor(std::max(pageWidth, 1), std::max(pageHeight, 1), pictureWidth, pictureHeight);
}

POINT PagePointToPicture(const Viewport& v, double x, double y) {
  auto map = [](double p, int origin, int extent, int picture) {
    const double at = std::floor((p - origin) * picture / std::max(extent, 1));
    return static_cast<std::int32_t>(std::clamp(at, 0.0, double(picture - 1)));
  };
  if (!std::isfinite(x) || !std::isfinite(y)) return POINT{0, 0};
  return POINT{map(x, v.x, v.width, v.emulatedWidth), map(y, v.y, v.height, v.emulatedHeight)};
}

namespace {

// A channel of `bits` bits widened to 8 by repeating its high bits, and narrowed back.
std::uint8_t Widen(std::uint32_t v, int bits) {
  return static_cast<std::uint8_t>((v << (8 - bits)) | (v >> (2 * bits - 8)));
}
std::uint32_t Narrow(std::uint8_t v, int bits) { return std::uint32_t(v) >> (8 - bits); }

}  // namespace

void FrameToRgba(const FrameView& frame, const RECT& source, std::uint8_t* rgba, int width,
                 POINT at) {
  const int w = source.right - source.left;
  for (int y = 0; y < source.bottom - source.top; ++y) {
    const std::uint8_t* in = frame.Row(source.top + y);
    std::uint8_t* out =
        rgba + (static_cast<std::size_t>(at.y + y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(at.x)) *
                   4;
    if (frame.bitCount == 32) {  // the game's usual frames: blue, green, red, unused
      for (int x = source.left; x < source.left + w; ++x, out += 4) {
        std::uint32_t v;
        std::memcpy(&v, in + 4 * x, 4);
        v = 0xFF000000u | (v & 0x0000FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
        std::memcpy(out, &v, 4);  // little-endian: red, green, blue, 255 in memory
      }
      continue;
    }
    for (int x = source.left; x < source.left + w; ++x, out += 4) {
      std::uint8_t r = 0, g = 0, b = 0;
      switch (frame.bitCount) {
        case 8: {
          const std::uint32_t c = frame.palette ? frame.palette[in[x]] : 0;
          r = std::uint8_t(c >> 16), g = std::uint8_t(c >> 8), b = std::uint8_t(c);
          break;
        }
        case 16: {
          std::uint16_t v;
          std::memcpy(&v, in + 2 * x, 2);
          if (frame.rgb555) {
            r = Widen((v >> 10) & 31, 5), g = Widen((v >> 5) & 31, 5), b = Widen(v & 31, 5);
          } else {
            r = Widen(v >> 11, 5), g = Widen((v >> 5) & 63, 6), b = Widen(v & 31, 5);
          }
          break;
        }
        case 24: b = in[3 * x], g = in[3 * x + 1], r = in[3 * x + 2]; break;
        default: b = in[4 * x], g = in[4 * x + 1], r = in[4 * x + 2]; break;
      }
      out[0] = r, out[1] = g, out[2] = b, out[3] = 255;
    }
  }
}

void RgbaToFrame(const std::uint8_t* rgba, int width, POINT at, const FrameTarget& into) {
  for (int y = 0; y < into.height; ++y) {
    const std::uint8_t* in =
        rgba + (static_cast<std::size_t>(at.y + y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(at.x)) *
                   4;
    std::uint8_t* out = into.top + y * into.pitch;
    for (int x = 0; x < into.width; ++x, in += 4) {
      const std::uint8_t r = in[0], g = in[1], b = in[2];
      switch (into.bitCount) {
        case 16: {
          const std::uint16_t v =
              into.rgb555 ? std::uint16_t(Narrow(r, 5) << 10 | Narrow(g, 5) << 5 | Narrow(b, 5))
                          : std::uint16_t(Narrow(r, 5) << 11 | Narrow(g, 6) << 5 | Narrow(b, 5));
          std::memcpy(out + 2 * x, &v, 2);
          break;
        }
        case 24: out[3 * x] = b, out[3 * x + 1] = g, out[3 * x + 2] = r; break;
        case 32: out[4 * x] = b, out[4 * x + 1] = g, out[4 * x + 2] = r, out[4 * x + 3] = 0; break;
        default: break;  // 8 bits: the palette's index is not kept
      }
    }
  }
}

}  // namespace platform::web
