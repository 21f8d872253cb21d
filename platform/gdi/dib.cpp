// Device-independent bitmaps: reading their headers, DIB sections, and copies from memory
// images (with both run-length kinds).
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/surfacedc.h"

namespace gdi {

namespace {

constexpr DWORD kInfoHeaderSize = 40;
constexpr std::size_t kMaskOffset =
    40;  // masks follow the 40-byte header, or sit inside a longer one
constexpr std::size_t kMaxImageBytes = std::size_t{1} << 30;

std::uint32_t ReadDword(const void* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

bool ReadLayout(const BITMAPINFO* info, UINT usage, DeviceContext* dc, ImageLayout& out) {
  if (!info) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < kInfoHeaderSize || h.biWidth <= 0 || h.biHeight == 0) return false;
  const long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
  if (height > INT32_MAX) return false;
  const int bits = h.biBitCount;
  const DWORD compression = h.biCompression;
  const auto* base = reinterpret_cast<const std::uint8_t*>(info);
  PixelFormat format;
  switch (bits) {
    case 1:
    case 4:
    case 8:
      format = PixelFormat::Indexed(bits);
      if (!(compression == BI_RGB || (compression == BI_RLE8 && bits == 8) ||
            (compression == BI_RLE4 && bits == 4)))
        return false;
      break;
    case 16:
    case 32:
      if (compression == BI_RGB) {
        format = bits == 16 ? PixelFormat::Rgb555() : PixelFormat::Rgb32();
      } else if (compression == BI_BITFIELDS) {
        format = {bits, ReadDword(base + kMaskOffset), ReadDword(base + kMaskOffset + 4),
                  ReadDword(base + kMaskOffset + 8)};
      } else {
        return false;
      }
      break;
    case 24:
      if (compression != BI_RGB) return false;
      format = PixelFormat::Rgb24();
      break;
    default: return false;
  }
  if (!IsSupported(format)) return false;
  // Run-length images are stored bottom up.
  if ((compression == BI_RLE8 || compression == BI_RLE4) && h.biHeight < 0) return false;
  const auto stride = static_cast<std::size_t>(DibRowBytes(h.biWidth, bits));
  if (stride == 0 || static_cast<std::size_t>(height) > kMaxImageBytes / stride) return false;

  out = ImageLayout{};
  out.format = format;
  out.width = h.biWidth;
  out.height = static_cast<int>(height);
  out.bottomUp = h.biHeight > 0;
  out.stride = stride;
  out.imageBytes = stride * static_cast<std::size_t>(height);
  out.compression = compression;
  if (format.Indexed()) {
    const int full = 1 << bits;
    const int count =
        h.biClrUsed == 0 ? full : static_cast<int>(std::min<DWORD>(h.biClrUsed, DWORD(full)));
    const std::uint8_t* table = base + h.biSize;
    out.colorCount = count;
    for (int i = 0; i < count; ++i) {
      if (usage == DIB_PAL_COLORS) {
        std::uint16_t index;
        std::memcpy(&index, table + 2 * i, 2);
        const Palette* palette = dc ? dc->palette : nullptr;
        if (palette && index < palette->entries.size()) {
          const PALETTEENTRY& e = palette->entries[index];
          out.colors[i] = MakeRgb(e.peRed, e.peGreen, e.peBlue);
        } else {
          out.colors[i] = SystemColors()[index & 0xFF];
        }
      } else {
        const std::uint8_t* q = table + 4 * i;  // blue, green, red, reserved
        out.colors[i] = MakeRgb(q[2], q[1], q[0]);
      }
    }
  }
  return true;
}

namespace {

// Expands run-length data into one index per pixel, top row first. Runs and moves past the
// end of a row or of the picture are cut; nothing is written outside the buffer.
void DecodeRunLength(const std::uint8_t* data, std::size_t size, bool fourBits, int width,
                     int height, std::vector<std::uint8_t>& pixels) {
  pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  long long x = 0, y = 0;  // y counts from the bottom row
  auto put = [&](unsigned value) {
    if (x >= 0 && x < width && y >= 0 && y < height)
      pixels[static_cast<std::size_t>(height - 1 - y) * width + static_cast<std::size_t>(x)] =
          std::uint8_t(value);
    ++x;
  };
  std::size_t i = 0;
  while (i + 1 < size && y < height) {
    const unsigned count = data[i], code = data[i + 1];
    i += 2;
    if (count > 0) {
      for (unsigned k = 0; k < count; ++k)
        put(fourBits ? ((k & 1) ? code & 0x0F : code >> 4) : code);
      continue;
    }
    if (code == 0) {  // end of line
      x = 0;
      ++y;
    } else if (code == 1) {  // end of picture
      break;
    } else if (code == 2) {  // move
      if (i + 1 >= size) break;
      x += data[i];
      y += data[i + 1];
      i += 2;
    } else {  // literal pixels, padded to a 16-bit boundary
      const std::size_t bytes = fourBits ? (code + 1) / 2 : code;
      for (unsigned k = 0; k < code; ++k) {
        const std::size_t at = i + (fourBits ? k / 2 : k);
        if (at >= size) break;
        put(fourBits ? ((k & 1) ? data[at] & 0x0F : data[at] >> 4) : data[at]);
      }
      i += (bytes + 1) & ~std::size_t{1};
    }
  }
}

}  // namespace

}  // namespace gdi

using namespace gdi;

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD) {
  if (ppvBits) *ppvBits = nullptr;
  auto* dc = Find<DeviceContext>(hdc);
  if (hdc && !dc) return nullptr;
  ImageLayout layout;
  if (hSection || !ReadLayout(pbmi, usage, dc, layout) || layout.compression == BI_RLE8 ||
      layout.compression == BI_RLE4)
    return nullptr;
  auto bitmap = std::make_unique<Bitmap>();
  bitmap->storage.reset(new (std::nothrow) std::uint8_t[layout.imageBytes]());
  if (!bitmap->storage) return nullptr;
  bitmap->isSection = true;
  bitmap->colors = layout.colors;
  std::uint8_t* first = bitmap->storage.get();
  const auto stride = static_cast<std::ptrdiff_t>(layout.stride);
  bitmap->block.top = layout.bottomUp ? first + stride * (layout.height - 1) : first;
  bitmap->block.pitch = layout.bottomUp ? -stride : stride;
  bitmap->block.width = layout.width;
  bitmap->block.height = layout.height;
  bitmap->block.format = layout.format;
  bitmap->block.colors = layout.format.Indexed() ? bitmap->colors.data() : nullptr;
  bitmap->block.colorCount = layout.format.Indexed() ? layout.colorCount : 0;
  if (ppvBits) *ppvBits = first;
  return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                  int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi,
                  UINT iUsage, DWORD rop) {
  auto* dc = Find<DeviceContext>(hdc);
  ImageLayout layout;
  if (!dc || !lpBits || rop != SRCCOPY || !ReadLayout(lpbmi, iUsage, dc, layout)) return 0;
  const PixelBlock target = dc->Block();
  if (target.Empty()) return 0;

  PixelBlock source;
  source.width = layout.width;
  source.height = layout.height;
  source.format = layout.format;
  source.colors = layout.format.Indexed() ? layout.colors.data() : nullptr;
  source.colorCount = layout.colorCount;
  thread_local std::vector<std::uint8_t> expanded;
  if (layout.compression == BI_RLE8 || layout.compression == BI_RLE4) {
    const std::size_t size = lpbmi->bmiHeader.biSizeImage;
    if (size == 0 || static_cast<std::size_t>(layout.width) * layout.height > std::size_t{1} << 28)
      return 0;
    DecodeRunLength(static_cast<const std::uint8_t*>(lpBits), size, layout.compression == BI_RLE4,
                    layout.width, layout.height, expanded);
    source.format = PixelFormat::Indexed(8);
    source.top = expanded.data();
    source.pitch = layout.width;
  } else {
    // The pixel block is read, never written: the cast only fits the shared block type.
    auto* first = const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(lpBits));
    const auto stride = static_cast<std::ptrdiff_t>(layout.stride);
    source.top = layout.bottomUp ? first + stride * (layout.height - 1) : first;
    source.pitch = layout.bottomUp ? -stride : stride;
  }
  // As on the desktop, ySrc of a bottom-up image counts from its bottom row.
  long long top = ySrc;
  if (layout.bottomUp) top = static_cast<long long>(layout.height) - ySrc - SrcHeight;
  StretchCopy(target, xDest, yDest, DestWidth, DestHeight, source, xSrc, top, SrcWidth, SrcHeight);
  return layout.height;
}
