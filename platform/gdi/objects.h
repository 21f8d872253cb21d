// The objects behind the graphics interface's handles, and the table that names them. A handle
// is a number looked up in the table, so a stale or made-up handle finds nothing.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/gdi/gditypes.h"
#include "platform/gdi/pixels.h"
#include "platform/gdi/text.h"

namespace gdi {

struct Object {
  virtual ~Object() = default;
  bool stock = false;
  int selections = 0;  // device contexts holding it
};

struct Bitmap final : Object {
  PixelBlock block;
  std::unique_ptr<std::uint8_t[]> storage;
  std::array<Rgb, 256> colors{};
  bool isSection = false;
};

struct Palette final : Object {
  std::vector<PALETTEENTRY> entries;
};

struct Region final : Object {
  long long left = 0, top = 0, right = 0, bottom = 0;
};

struct Brush final : Object {
  COLORREF color = 0;
  bool hollow = false;
};

struct Font final : Object {
  LOGFONTA logFont;
  std::shared_ptr<FontFace> face;  // resolved on first use
  bool resolved = false;
  FontFace* Face() {
    if (!resolved) face = ResolveFont(logFont), resolved = true;
    return face.get();
  }
};

enum class DCKind { Memory, Surface, Screen };

struct DeviceContext final : Object {
  DCKind kind = DCKind::Memory;
  Bitmap* bitmap = nullptr;  // memory contexts
  PixelBlock surface;        // surface contexts
  std::array<Rgb, 256> surfaceColors{};
  std::array<Rgb, 256>
      paletteColors{};  // the selected palette, for indexed targets without a table
  Font* font = nullptr;
  Brush* brush = nullptr;
  Palette* palette = nullptr;
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  int stretchMode = BLACKONWHITE;

  // The pixels this context draws into, with a colour table for indexed formats.
  PixelBlock Block();
};

// Table of live objects by handle.
void* AddObject(std::unique_ptr<Object> object);
Object* FindObject(const void* handle);
template <class T>
T* Find(const void* handle) {
  return dynamic_cast<T*>(FindObject(handle));
}
void RemoveObject(const void* handle);
void* HandleOf(const Object* object);

// Reads a bitmap header with its masks and colour table: the format, row stride, whether rows
// are stored bottom up, and the colours. False for anything that cannot be stored.
struct ImageLayout {
  PixelFormat format;
  int width = 0, height = 0;  // height > 0
  bool bottomUp = true;
  std::size_t stride = 0;
  std::size_t imageBytes = 0;
  DWORD compression = BI_RGB;
  int colorCount = 0;
  std::array<Rgb, 256> colors{};
};
bool ReadLayout(const BITMAPINFO* info, UINT usage, DeviceContext* dc, ImageLayout& layout);

}  // namespace gdi
