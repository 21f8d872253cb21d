#include "platform/backend/sdl2/keymap.h"

#include <SDL_scancode.h>

#include <array>
#include <utility>

#include "platform/backend/key_message.h"

namespace platform::sdl2 {

namespace {

using KeyTable = std::array<std::uint16_t, SDL_NUM_SCANCODES>;

// Keys whose codes follow no run of their neighbours.
constexpr std::pair<SDL_Scancode, std::uint16_t> kSingleKeys[] = {
    {SDL_SCANCODE_RETURN, VK_RETURN},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE},
    {SDL_SCANCODE_BACKSPACE, VK_BACK},
    {SDL_SCANCODE_TAB, VK_TAB},
    {SDL_SCANCODE_SPACE, VK_SPACE},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL},
    {SDL_SCANCODE_PAUSE, VK_PAUSE},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDL_SCANCODE_INSERT, VK_INSERT},
    {SDL_SCANCODE_DELETE, VK_DELETE},
    {SDL_SCANCODE_HOME, VK_HOME},
    {SDL_SCANCODE_END, VK_END},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT},
    {SDL_SCANCODE_LEFT, VK_LEFT},
    {SDL_SCANCODE_RIGHT, VK_RIGHT},
    {SDL_SCANCODE_UP, VK_UP},
    {SDL_SCANCODE_DOWN, VK_DOWN},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT},
    {SDL_SCANCODE_LCTRL, VK_CONTROL},
    {SDL_SCANCODE_RCTRL, VK_CONTROL},
    {SDL_SCANCODE_LALT, VK_MENU},
    {SDL_SCANCODE_RALT, VK_MENU},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT},
    {SDL_SCANCODE_KP_PLUS, VK_ADD},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0},
    {SDL_SCANCODE_0, '0'},
    // Punctuation by its place on a US keyboard; the key beside Enter on ISO keyboards sits
    // where the US backslash is.
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD},
    {SDL_SCANCODE_SLASH, VK_OEM_2},
    {SDL_SCANCODE_GRAVE, VK_OEM_3},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5},
    {SDL_SCANCODE_NONUSHASH, VK_OEM_5},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7},
};

// Runs of keys whose scancodes and codes both count up together.
struct KeyRun {
  SDL_Scancode first;
  std::uint16_t firstCode;
  int count;
};
constexpr KeyRun kKeyRuns[] = {
    {SDL_SCANCODE_A, 'A', 26},
    {SDL_SCANCODE_1, '1', 9},  // 0 comes after 9 on the keyboard, so it is a single key
    {SDL_SCANCODE_F1, VK_F1, VK_F12 - VK_F1 + 1},
    {SDL_SCANCODE_KP_1, VK_NUMPAD0 + 1, 9},  // keypad 0 follows keypad 9 likewise
};

constexpr KeyTable BuildTable() {
  KeyTable table{};
  for (const KeyRun& run : kKeyRuns)
    for (int i = 0; i < run.count; ++i)
      table[run.first + i] = static_cast<std::uint16_t>(run.firstCode + i);
  for (const auto& [scancode, code] : kSingleKeys) table[scancode] = code;
  return table;
}

constexpr KeyTable kKeyTable = BuildTable();

}  // namespace

std::uint16_t VirtualKeyForScancode(int scancode) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return kKeyTable[static_cast<std::size_t>(scancode)];
}

std::optional<MSG> KeyMessage(HWND window, const KeyEvent& key) {
  const std::uint16_t code = VirtualKeyForScancode(key.scancode);
  if (code == 0) return std::nullopt;
  return KeyMessageFor(window, code, key.down, key.repeat, key.altHeld,
                       static_cast<std::uint8_t>(key.scancode & 0xFF));
}

}  // namespace platform::sdl2
