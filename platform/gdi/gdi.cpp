// Device contexts, objects, palettes, regions, brushes, copies between contexts and text.
#include "platform/gdi/gdi.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/gdi/objects.h"
#include "platform/gdi/surfacedc.h"
#include "platform/system/clock.h"

namespace gdi {

namespace {

constexpr int kLogicalPixelsPerInch = 96;
constexpr int kReservedColors = 20;  // 10 at each end of the system palette
constexpr int kPaletteSize = 256;
constexpr int kMaxPaletteEntries = 256;
constexpr LONG kDefaultSystemFontHeight = 16;

struct Table {
  std::unordered_map<std::uintptr_t, std::unique_ptr<Object>> objects;
  std::unordered_map<const Object*, std::uintptr_t> handles;
  std::uintptr_t next = 0x10;
};

Table& Objects() {
  static Table* table = new Table();
  return *table;
}

struct Screen {
  int width = 1280, height = 1024, bitCount = 32;
  std::array<Rgb, 256> colors{};
  std::array<PALETTEENTRY, 256> entries{};
  Screen() {
    // The reserved colours that the desktop keeps in place, then a colour cube and greys.
    static const BYTE low[10][3] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                                    {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                                    {192, 220, 192}, {166, 202, 240}};
    static const BYTE high[10][3] = {
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 10; ++i) {
      entries[i] = {low[i][0], low[i][1], low[i][2], 0};
      entries[246 + i] = {high[i][0], high[i][1], high[i][2], 0};
    }
    int i = 10;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) entries[i++] = {BYTE(r * 51), BYTE(g * 51), BYTE(b * 51), 0};
    for (int k = 0; i < 246; ++i, ++k) {
      const BYTE grey = BYTE(8 + k * 12);
      entries[i] = {grey, grey, grey, 0};
    }
    Refresh();
  }
  void Refresh() {
    for (int k = 0; k < 256; ++k)
      colors[k] = MakeRgb(entries[k].peRed, entries[k].peGreen, entries[k].peBlue);
  }
};

Screen& TheScreen() {
  static Screen screen;
  return screen;
}

// The stock object of that index, made on first use; stock objects live as long as the process.
template <class T, class Make>
T* MakeStock(int index, Make make) {
  static std::unordered_map<int, void*> stock;
  auto it = stock.find(index);
  if (it != stock.end()) return static_cast<T*>(FindObject(it->second));
  T* object = make();
  object->stock = true;
  stock[index] = HandleOf(object);
  return object;
}

Bitmap* StockBitmap() {
  return MakeStock<Bitmap>(-1, [] {
    auto b = std::make_unique<Bitmap>();
    b->storage = std::make_unique<std::uint8_t[]>(4);
    b->storage[0] = 0;
    b->block = {b->storage.get(), 4, 1, 1, PixelFormat::Indexed(1), b->colors.data(), 2};
    b->colors[0] = 0;
    b->colors[1] = 0xFFFFFF;
    Bitmap* raw = b.get();
    AddObject(std::move(b));
    return raw;
  });
}

Brush* StockBrush(int index) {
  return MakeStock<Brush>(index, [index] {
    auto b = std::make_unique<Brush>();
    b->color = index == BLACK_BRUSH ? 0 : 0xFFFFFF;
    b->hollow = index == NULL_BRUSH;
    Brush* raw = b.get();
    AddObject(std::move(b));
    return raw;
  });
}

Font* StockFont() {
  return MakeStock<Font>(SYSTEM_FONT, [] {
    auto f = std::make_unique<Font>();
    f->logFont.lfHeight = kDefaultSystemFontHeight;
    f->logFont.lfWeight = FW_NORMAL;
    Font* raw = f.get();
    AddObject(std::move(f));
    return raw;
  });
}

Palette* StockPalette() {
  return MakeStock<Palette>(DEFAULT_PALETTE, [] {
    auto p = std::make_unique<Palette>();
    const auto& e = TheScreen().entries;
    p->entries.assign(e.begin(), e.begin() + 10);
    p->entries.insert(p->entries.end(), e.begin() + 246, e.end());
    Palette* raw = p.get();
    AddObject(std::move(p));
    return raw;
  });
}

void Select(Object*& slot, Object* object) {
  if (slot) --slot->selections;
  slot = object;
  if (slot) ++slot->selections;
}

template <class T>
void SelectInto(T*& slot, T* object) {
  Object* o = slot;
  Select(o, object);
  slot = static_cast<T*>(o);
}

DeviceContext* MakeContext(DCKind kind) {
  auto dc = std::make_unique<DeviceContext>();
  dc->kind = kind;
  DeviceContext* raw = dc.get();
  AddObject(std::move(dc));
  SelectInto(raw->font, StockFont());
  SelectInto(raw->brush, StockBrush(WHITE_BRUSH));
  SelectInto(raw->palette, StockPalette());
  if (kind == DCKind::Memory) SelectInto(raw->bitmap, StockBitmap());
  return raw;
}

void FreeContext(DeviceContext* dc) {
  SelectInto(dc->bitmap, static_cast<Bitmap*>(nullptr));
  SelectInto(dc->font, static_cast<Font*>(nullptr));
  SelectInto(dc->brush, static_cast<Brush*>(nullptr));
  SelectInto(dc->palette, static_cast<Palette*>(nullptr));
  RemoveObject(HandleOf(dc));
}

DeviceContext* ScreenContext() {
  static void* handle = nullptr;
  if (auto* dc = Find<DeviceContext>(handle)) return dc;
  DeviceContext* dc = MakeContext(DCKind::Screen);
  dc->stock = true;
  handle = HandleOf(dc);
  return dc;
}

Rgb ToRgb(COLORREF c) { return MakeRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

void* AddObject(std::unique_ptr<Object> object) {
  Table& t = Objects();
  const std::uintptr_t id = t.next;
  t.next += 0x10;
  t.handles[object.get()] = id;
  t.objects[id] = std::move(object);
  return reinterpret_cast<void*>(id);
}

Object* FindObject(const void* handle) {
  Table& t = Objects();
  auto it = t.objects.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second.get();
}

void RemoveObject(const void* handle) {
  Table& t = Objects();
  auto it = t.objects.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == t.objects.end()) return;
  t.handles.erase(it->second.get());
  t.objects.erase(it);
}

void* HandleOf(const Object* object) {
  Table& t = Objects();
  auto it = t.handles.find(object);
  return it == t.handles.end() ? nullptr : reinterpret_cast<void*>(it->second);
}

PixelBlock DeviceContext::Block() {
  PixelBlock block;
  if (kind == DCKind::Surface) block = surface;
  if (kind == DCKind::Memory && bitmap) block = bitmap->block;
  if (block.format.Indexed() && !block.Empty() && block.colorCount == 0) {
    // An indexed target without a table of its own takes the selected palette's colours.
    const int count = palette ? int(std::min<std::size_t>(palette->entries.size(), 256)) : 0;
    for (int i = 0; i < count; ++i)
      paletteColors[i] = MakeRgb(palette->entries[i].peRed, palette->entries[i].peGreen,
                                 palette->entries[i].peBlue);
    block.colors = paletteColors.data();
    block.colorCount = count;
  }
  return block;
}

HDC CreateSurfaceDC(const PixelBlock& block) {
  DeviceContext* dc = MakeContext(DCKind::Surface);
  const HDC handle = static_cast<HDC>(HandleOf(dc));
  AttachSurfaceDC(handle, block);
  return handle;
}

void AttachSurfaceDC(HDC hdc, const PixelBlock& block) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || dc->kind != DCKind::Surface) return;
  dc->surface = block;
  if (block.colors && block.colorCount > 0) {
    const int n = std::min(block.colorCount, 256);
    std::copy(block.colors, block.colors + n, dc->surfaceColors.begin());
    dc->surface.colors = dc->surfaceColors.data();
    dc->surface.colorCount = n;
  } else {
    dc->surface.colors = nullptr;
    dc->surface.colorCount = 0;
  }
}

void DetachSurfaceDC(HDC hdc) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || dc->kind != DCKind::Surface) return;
  dc->surface = PixelBlock{};
  SelectInto(dc->font, StockFont());
  SelectInto(dc->brush, StockBrush(WHITE_BRUSH));
  SelectInto(dc->palette, StockPalette());
  dc->textColor = 0x000000;
  dc->bkColor = 0xFFFFFF;
  dc->bkMode = OPAQUE;
  dc->stretchMode = BLACKONWHITE;
}

void DeleteSurfaceDC(HDC hdc) {
  if (auto* dc = Find<DeviceContext>(hdc); dc && dc->kind == DCKind::Surface) FreeContext(dc);
}

void SetScreenMode(int width, int height, int bitCount) {
  Screen& s = TheScreen();
  s.width = width;
  s.height = height;
  s.bitCount = bitCount;
}

void SetSystemPalette(int first, int count, const PALETTEENTRY* entries) {
  Screen& s = TheScreen();
  for (int i = 0; i < count; ++i) {
    const int k = first + i;
    if (k < kReservedColors / 2 || k >= kPaletteSize - kReservedColors / 2 || k >= kPaletteSize)
      continue;
    s.entries[k] = entries[i];
    s.entries[k].peFlags = 0;
  }
  s.Refresh();
}

const Rgb* SystemColors() { return TheScreen().colors.data(); }

}  // namespace gdi

using namespace gdi;

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !Find<DeviceContext>(hdc)) return nullptr;
  return static_cast<HDC>(HandleOf(MakeContext(DCKind::Memory)));
}

BOOL DeleteDC(HDC hdc) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || dc->kind != DCKind::Memory) return false;
  FreeContext(dc);
  return true;
}

HDC GetDC(HWND hwnd) {
  if (hwnd != 0) return nullptr;  // window contexts are not offered; drawing goes through surfaces
  return static_cast<HDC>(HandleOf(ScreenContext()));
}

int ReleaseDC(HWND, HDC hdc) {
  auto* dc = Find<DeviceContext>(hdc);
  return dc && dc->kind == DCKind::Screen ? 1 : 0;
}

int GetDeviceCaps(HDC hdc, int index) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc) return 0;
  const Screen& s = TheScreen();
  const bool paletted = s.bitCount <= 8;
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return kLogicalPixelsPerInch;
    case BITSPIXEL: return dc->kind == DCKind::Surface ? dc->surface.format.bitCount : s.bitCount;
    case PLANES: return 1;
    case HORZRES: return dc->kind == DCKind::Surface ? dc->surface.width : s.width;
    case VERTRES: return dc->kind == DCKind::Surface ? dc->surface.height : s.height;
    case RASTERCAPS: return paletted ? RC_PALETTE : 0;
    case SIZEPALETTE: return paletted ? kPaletteSize : 0;
    case NUMRESERVED: return kReservedColors;
    case NUMCOLORS: return paletted ? kReservedColors : -1;
    default: return 0;
  }
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  auto* dc = Find<DeviceContext>(hdc);
  Object* object = FindObject(h);
  if (!dc || !object) return nullptr;
  if (auto* bitmap = dynamic_cast<Bitmap*>(object)) {
    if (dc->kind != DCKind::Memory) return nullptr;
    if (bitmap != dc->bitmap && bitmap->selections > 0 && !bitmap->stock)
      return nullptr;  // one context at a time
    Bitmap* old = dc->bitmap;
    SelectInto(dc->bitmap, bitmap);
    return HandleOf(old);
  }
  if (auto* font = dynamic_cast<Font*>(object)) {
    Font* old = dc->font;
    SelectInto(dc->font, font);
    return HandleOf(old);
  }
  if (auto* brush = dynamic_cast<Brush*>(object)) {
    Brush* old = dc->brush;
    SelectInto(dc->brush, brush);
    return HandleOf(old);
  }
  return nullptr;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_BITMAP: return HandleOf(dc->bitmap);
    case OBJ_FONT: return HandleOf(dc->font);
    case OBJ_BRUSH: return HandleOf(dc->brush);
    case OBJ_PAL: return HandleOf(dc->palette);
    default: return nullptr;
  }
}

HGDIOBJ GetStockObject(int index) {
  switch (index) {
    case WHITE_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH: return HandleOf(StockBrush(index));
    case SYSTEM_FONT: return HandleOf(StockFont());
    case DEFAULT_PALETTE: return HandleOf(StockPalette());
    default: return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ h) {
  Object* object = FindObject(h);
  if (!object || dynamic_cast<DeviceContext*>(object)) return false;
  if (object->stock) return true;  // stock objects stay
  if (object->selections > 0) return false;
  RemoveObject(h);
  return true;
}

BOOL GdiFlush() { return true; }

UINT SetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, const RGBQUAD* prgbq) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || !prgbq || !dc->bitmap || !dc->bitmap->isSection || !dc->bitmap->block.format.Indexed())
    return 0;
  Bitmap& b = *dc->bitmap;
  const UINT size = UINT(b.block.colorCount);
  if (iStart >= size) return 0;
  const UINT n = std::min(cEntries, size - iStart);
  for (UINT i = 0; i < n; ++i)
    b.colors[iStart + i] = MakeRgb(prgbq[i].rgbRed, prgbq[i].rgbGreen, prgbq[i].rgbBlue);
  return n;
}

UINT GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, RGBQUAD* prgbq) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || !prgbq || !dc->bitmap || !dc->bitmap->isSection || !dc->bitmap->block.format.Indexed())
    return 0;
  Bitmap& b = *dc->bitmap;
  const UINT size = UINT(b.block.colorCount);
  if (iStart >= size) return 0;
  const UINT n = std::min(cEntries, size - iStart);
  for (UINT i = 0; i < n; ++i) {
    const Rgb c = b.colors[iStart + i];
    prgbq[i] = {BYTE(BlueOf(c)), BYTE(GreenOf(c)), BYTE(RedOf(c)), 0};
  }
  return n;
}

int SetStretchBltMode(HDC hdc, int mode) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  const int old = dc->stretchMode;
  dc->stretchMode = mode;
  return old;
}

int GetStretchBltMode(HDC hdc) {
  auto* dc = Find<DeviceContext>(hdc);
  return dc ? dc->stretchMode : 0;
}

namespace {

bool FillWithRop(DeviceContext* dc, int x, int y, int w, int h, DWORD rop) {
  const PixelBlock block = dc->Block();
  if (block.Empty()) return false;
  ColorCodec codec(block);
  const std::uint32_t value = codec.Encode(rop == WHITENESS ? 0xFFFFFF : 0);
  long long x0 = x, x1 = static_cast<long long>(x) + w, y0 = y, y1 = static_cast<long long>(y) + h;
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  FillRaw(block, x0, y0, x1, y1, value);
  return true;
}

}  // namespace

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                int ySrc, int wSrc, int hSrc, DWORD rop) {
  auto* dst = Find<DeviceContext>(hdcDest);
  if (!dst) return false;
  if (rop == BLACKNESS || rop == WHITENESS)
    return FillWithRop(dst, xDest, yDest, wDest, hDest, rop);
  auto* src = Find<DeviceContext>(hdcSrc);
  if (!src || rop != SRCCOPY) return false;
  const PixelBlock to = dst->Block(), from = src->Block();
  if (to.Empty() || from.Empty()) return false;
  StretchCopy(to, xDest, yDest, wDest, hDest, from, xSrc, ySrc, wSrc, hSrc);
  return true;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  return StretchBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

HPALETTE CreatePalette(const LOGPALETTE* plpal) {
  if (!plpal || plpal->palNumEntries == 0 || plpal->palNumEntries > kMaxPaletteEntries)
    return nullptr;
  auto p = std::make_unique<Palette>();
  p->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
  return static_cast<HPALETTE>(AddObject(std::move(p)));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL) {
  auto* dc = Find<DeviceContext>(hdc);
  auto* palette = Find<Palette>(hPal);
  if (!dc || !palette) return nullptr;
  Palette* old = dc->palette;
  SelectInto(dc->palette, palette);
  return static_cast<HPALETTE>(HandleOf(old));
}

UINT RealizePalette(HDC hdc) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || !dc->palette) return UINT(GDI_ERROR);
  return UINT(dc->palette->entries.size());
}

UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, PALETTEENTRY* pPalEntries) {
  auto* p = Find<Palette>(hpal);
  if (!p) return 0;
  const UINT size = UINT(p->entries.size());
  if (!pPalEntries) return size;
  if (iStart >= size) return 0;
  const UINT n = std::min(cEntries, size - iStart);
  std::copy_n(p->entries.begin() + iStart, n, pPalEntries);
  return n;
}

UINT SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY* pPalEntries) {
  auto* p = Find<Palette>(hpal);
  if (!p || !pPalEntries || p->stock) return 0;
  const UINT size = UINT(p->entries.size());
  if (iStart >= size) return 0;
  const UINT n = std::min(cEntries, size - iStart);
  std::copy_n(pPalEntries, n, p->entries.begin() + iStart);
  return n;
}

UINT GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, PALETTEENTRY* pPalEntries) {
  if (!Find<DeviceContext>(hdc)) return 0;
  if (!pPalEntries) return kPaletteSize;
  if (iStart >= UINT(kPaletteSize)) return 0;
  const UINT n = std::min(cEntries, UINT(kPaletteSize) - iStart);
  std::copy_n(TheScreen().entries.begin() + iStart, n, pPalEntries);
  return n;
}

HRGN CreateEllipticRgn(int x1, int y1, int x2, int y2) {
  auto r = std::make_unique<Region>();
  r->left = std::min(x1, x2);
  r->right = std::max(x1, x2);
  r->top = std::min(y1, y2);
  r->bottom = std::max(y1, y2);
  return static_cast<HRGN>(AddObject(std::move(r)));
}

BOOL PtInRegion(HRGN hrgn, int x, int y) {
  auto* r = Find<Region>(hrgn);
  if (!r || r->right <= r->left || r->bottom <= r->top) return false;
  // The pixel's centre against the ellipse with the box's centre and half-axes, in whole
  // numbers: ((2x+1 - (l+r)) / (r-l))^2 + ((2y+1 - (t+b)) / (b-t))^2 <= 1.
  const __int128 w = r->right - r->left, h = r->bottom - r->top;
  const __int128 dx = 2 * static_cast<__int128>(x) + 1 - (r->left + r->right);
  const __int128 dy = 2 * static_cast<__int128>(y) + 1 - (r->top + r->bottom);
  return dx * dx * h * h + dy * dy * w * w <= w * w * h * h;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_unique<Brush>();
  b->color = color & 0xFFFFFF;
  return static_cast<HBRUSH>(AddObject(std::move(b)));
}

int FillRect(HDC hdc, const RECT* lprc, HBRUSH hbr) {
  auto* dc = Find<DeviceContext>(hdc);
  auto* brush = Find<Brush>(hbr);
  if (!dc || !lprc || !brush) return 0;
  if (brush->hollow) return 1;
  const PixelBlock block = dc->Block();
  if (block.Empty()) return 0;
  ColorCodec codec(block);
  FillRaw(block, lprc->left, lprc->top, lprc->right, lprc->bottom,
          codec.Encode(ToRgb(brush->color)));
  return 1;
}

HFONT CreateFontIndirectA(const LOGFONTA* lplf) {
  if (!lplf) return nullptr;
  auto f = std::make_unique<Font>();
  f->logFont = *lplf;
  return static_cast<HFONT>(AddObject(std::move(f)));
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc) return CLR_INVALID;
  const COLORREF old = dc->textColor;
  dc->textColor = color & 0xFFFFFF;
  return old;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc) return CLR_INVALID;
  const COLORREF old = dc->bkColor;
  dc->bkColor = color & 0xFFFFFF;
  return old;
}

int SetBkMode(HDC hdc, int mode) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  const int old = dc->bkMode;
  dc->bkMode = mode;
  return old;
}

BOOL TextOutA(HDC hdc, int x, int y, const char* lpString, int c) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || c < 0 || (c > 0 && !lpString)) return false;
  const PixelBlock block = dc->Block();
  if (block.Empty()) return false;
  DrawText(dc->font ? dc->font->Face() : nullptr, block, x, y, lpString, c, ToRgb(dc->textColor),
           dc->bkMode == OPAQUE, ToRgb(dc->bkColor));
  return true;
}

BOOL GetTextExtentPoint32A(HDC hdc, const char* lpString, int c, SIZE* psizl) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || !psizl || c < 0 || (c > 0 && !lpString)) return false;
  *psizl = MeasureText(dc->font ? dc->font->Face() : nullptr, lpString, c);
  return true;
}

BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* lptm) {
  auto* dc = Find<DeviceContext>(hdc);
  if (!dc || !lptm) return false;
  GetMetrics(dc->font ? dc->font->Face() : nullptr, *lptm);
  return true;
}

BOOL MessageBeep(UINT) {
  platform::MessageBeep();
  return true;
}
