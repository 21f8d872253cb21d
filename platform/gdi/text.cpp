#include "platform/gdi/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "platform/fonts/fonts.h"

namespace gdi {

namespace {

// A height of 0 asks for the default cell height.
constexpr int kDefaultCellHeight = 16;
// Beyond this many pixels a glyph is not drawn: it protects memory, not taste.
constexpr int kLargestEm = 1024;
constexpr int kFirstBoldWeight = 600;

// Bytes are characters of the Western code page: 0x80-0x9F map to these code points.
constexpr std::array<std::uint16_t, 32> kCodePage1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

unsigned CodePoint(unsigned char c) {
  return (c >= 0x80 && c < 0xA0) ? kCodePage1252High[c - 0x80] : c;
}

struct Glyph {
  bool loaded = false;
  int width = 0, rows = 0, left = 0, top = 0, advance = 0;
  std::vector<std::uint8_t> coverage;  // rows x width, 0..255
};

struct Fonts {
  FT_Library library = nullptr;
  bool libraryFailed = false;
  bool reported = false;
  bool withoutFonts = false;
  std::map<std::string, std::shared_ptr<FontFace>> faces;
};

Fonts& State() {
  static Fonts* fonts = new Fonts();  // lives as long as the process; faces outlive callers
  return *fonts;
}

void ReportOnce(const std::string& what) {
  Fonts& s = State();
  if (s.reported) return;
  s.reported = true;
  std::fprintf(stderr, "text: %s; text will not be drawn\n", what.c_str());
}

}  // namespace

class FontFace {
 public:
  FontFace(FT_Face face, std::string file, const LOGFONTA& font)
      : FFace(face), FFile(std::move(file)) {
    int upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    int winAscent = face->ascender, winDescent = -face->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      winAscent = os2->usWinAscent;
      winDescent = os2->usWinDescent;
    }
    if (winAscent + winDescent <= 0) winAscent = upem, winDescent = 0;
    const long cell = font.lfHeight == 0 ? kDefaultCellHeight : font.lfHeight;
    long em = cell < 0 ? -cell : std::lround(double(cell) * upem / (winAscent + winDescent));
    em = std::clamp(em, 1L, long(kLargestEm));
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em));
    FEm = int(em);
    FAscent = int(std::lround(double(winAscent) * em / upem));
    FDescent = int(std::lround(double(winDescent) * em / upem));
    FBold = font.lfWeight >= kFirstBoldWeight;
    FSyntheticBold = FBold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    FItalic = font.lfItalic != 0;
    FSyntheticItalic = FItalic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  }
  ~FontFace() { FT_Done_Face(FFace); }
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const Glyph& GlyphOf(unsigned char c) {
    Glyph& g = FGlyphs[c];
    if (!g.loaded) Load(c, g);
    return g;
  }

  int Ascent() const { return FAscent; }
  int Descent() const { return FDescent; }
  int Em() const { return FEm; }
  bool Bold() const { return FBold; }
  bool Italic() const { return FItalic; }
  const std::string& File() const { return FFile; }

 private:
  void Load(unsigned char c, Glyph& g) {
    g.loaded = true;
    if (FT_Load_Char(FFace, CodePoint(c), FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return;
    FT_GlyphSlot slot = FFace->glyph;
    if (FSyntheticBold) FT_GlyphSlot_Embolden(slot);
    if (FSyntheticItalic) FT_GlyphSlot_Oblique(slot);
    g.advance = int((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    g.width = int(bm.width);
    g.rows = int(bm.rows);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.coverage.resize(std::size_t(g.width) * std::size_t(g.rows));
    const int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
    for (int y = 0; y < g.rows; ++y) {
      const unsigned char* src = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
      for (int x = 0; x < g.width; ++x)
        g.coverage[std::size_t(y) * g.width + x] = std::uint8_t(src[x] * 255 / levels);
    }
  }

  FT_Face FFace;
  std::string FFile;
  int FEm = 0, FAscent = 0, FDescent = 0;
  bool FBold = false, FSyntheticBold = false, FItalic = false, FSyntheticItalic = false;
  std::array<Glyph, 256> FGlyphs;
};

namespace {

// The font file that best serves the request, from the build's font finder.
bool MatchFile(const LOGFONTA& font, platform::FontFile& file) {
  if (State().withoutFonts) return false;
  platform::FontRequest request;
  request.family.assign(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
  request.bold = font.lfWeight >= kFirstBoldWeight;
  request.italic = font.lfItalic;
  return platform::FindFont(request, file);
}

}  // namespace

std::shared_ptr<FontFace> ResolveFont(const LOGFONTA& font) {
  Fonts& s = State();
  std::string name(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  key.push_back('|');
  key.append(std::to_string(font.lfHeight));
  key.append(font.lfWeight >= kFirstBoldWeight ? "|b" : "|n");
  key.append(font.lfItalic ? "|i" : "|r");
  if (auto it = s.faces.find(key); it != s.faces.end()) return it->second;

  std::shared_ptr<FontFace> face;
  platform::FontFile file;
  if (!s.library && !s.libraryFailed && FT_Init_FreeType(&s.library) != 0) {
    s.library = nullptr;
    s.libraryFailed = true;
  }
  if (!s.library) {
    ReportOnce("the font engine cannot start");
  } else if (!MatchFile(font, file)) {
    ReportOnce("no font found for \"" + name + "\"");
  } else {
    FT_Face ft = nullptr;
    const FT_Error error =
        file.data ? FT_New_Memory_Face(s.library, file.data, static_cast<FT_Long>(file.size),
                                       file.index, &ft)
                  : FT_New_Face(s.library, file.name.c_str(), file.index, &ft);
    if (error != 0 || !ft) {
      ReportOnce("the font file " + file.name + " cannot be read");
    } else {
      face = std::make_shared<FontFace>(ft, file.name, font);
    }
  }
  s.faces[key] = face;  // a failure is remembered too: it is reported once and not retried
  return face;
}

SIZE MeasureText(FontFace* face, const char* text, int length) {
  SIZE size;
  if (!face || !text) return size;
  for (int i = 0; i < length; ++i)
    size.cx += face->GlyphOf(static_cast<unsigned char>(text[i])).advance;
  size.cy = face->Ascent() + face->Descent();
  return size;
}

void GetMetrics(FontFace* face, TEXTMETRICA& tm) {
  tm = TEXTMETRICA{};
  tm.tmCharSet = DEFAULT_CHARSET;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = '?';
  tm.tmBreakChar = ' ';
  tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
  if (!face) return;
  tm.tmAscent = face->Ascent();
  tm.tmDescent = face->Descent();
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max(0, tm.tmHeight - face->Em());
  tm.tmWeight = face->Bold() ? FW_BOLD : FW_NORMAL;
  tm.tmItalic = face->Italic() ? 1 : 0;
  tm.tmAveCharWidth = face->GlyphOf('x').advance;
  int widest = 0;
  for (int c = 0x20; c < 0x7F; ++c)
    widest = std::max(widest, face->GlyphOf(static_cast<unsigned char>(c)).advance);
  tm.tmMaxCharWidth = widest;
}

namespace {

// Blends in the channels of a 16- or 32-bit format directly: each channel moves from the pixel
// toward the text colour by the coverage, and bits outside the three masks are kept.
struct DirectBlend {
  Channel red, green, blue;
  std::uint32_t others;
  unsigned tr, tg, tb;
  std::uint32_t solid;

  DirectBlend(const PixelFormat& f, Rgb color)
      : red(f.redMask),
        green(f.greenMask),
        blue(f.blueMask),
        others(~(red.mask | green.mask | blue.mask)) {
    tr = red.Pack(RedOf(color)) >> red.shift;
    tg = green.Pack(GreenOf(color)) >> green.shift;
    tb = blue.Pack(BlueOf(color)) >> blue.shift;
    solid = (tr << red.shift) | (tg << green.shift) | (tb << blue.shift);
  }
  static unsigned Mix(unsigned under, unsigned over, unsigned a) {
    return (under * (255 - a) + over * a + 127) / 255;
  }
  std::uint32_t Blend(std::uint32_t p, unsigned a) const {
    const unsigned r = Mix((p & red.mask) >> red.shift, tr, a);
    const unsigned g = Mix((p & green.mask) >> green.shift, tg, a);
    const unsigned b = Mix((p & blue.mask) >> blue.shift, tb, a);
    return (p & others) | (r << red.shift) | (g << green.shift) | (b << blue.shift);
  }
};

// The two 16-bit layouts blend all three channels at once: the pixel is spread over 32 bits so
// that each channel has five free bits above it, room for a weighted sum with a coverage cut to
// the 0..32 that such channels can show.
struct SpreadBlend {
  std::uint32_t spread;  // where the channels lie once spread: green moved up by 16
  std::uint32_t over;    // the text colour, spread

  static constexpr std::uint32_t kSpread565 = 0x07E0F81F, kSpread555 = 0x03E07C1F;
  static std::uint32_t Spread(std::uint32_t p, std::uint32_t mask) {
    return (p | (p << 16)) & mask;
  }
  static std::uint16_t Gather(std::uint32_t v) { return static_cast<std::uint16_t>(v | (v >> 16)); }
  std::uint16_t Blend(std::uint16_t p, unsigned a) const {
    const std::uint32_t under = Spread(p, spread), a5 = (a + 4) >> 3;
    return Gather(((under * (32 - a5) + over * a5) >> 5) & spread);
  }
};

template <class T>
void DrawGlyphDirect(const PixelBlock& block, const Glyph& g, long long gx, long long gy,
                     const DirectBlend& blend) {
  const long long x0 = std::max(0LL, -gx), x1 = std::min<long long>(g.width, block.width - gx);
  for (int row = 0; row < g.rows; ++row) {
    const long long py = gy + row;
    if (py < 0 || py >= block.height) continue;
    std::uint8_t* out =
        block.Row(static_cast<int>(py)) + (gx + x0) * static_cast<long long>(sizeof(T));
    const std::uint8_t* cov = g.coverage.data() + std::size_t(row) * g.width;
    for (long long col = x0; col < x1; ++col, out += sizeof(T)) {
      const unsigned a = cov[col];
      if (a == 0) continue;
      T p;
      std::memcpy(&p, out, sizeof(T));
      p = static_cast<T>(a == 255 ? (p & blend.others) | blend.solid : blend.Blend(p, a));
      std::memcpy(out, &p, sizeof(T));
    }
  }
}

void DrawGlyph16(const PixelBlock& block, const Glyph& g, long long gx, long long gy,
                 const SpreadBlend& blend, std::uint16_t solid) {
  const long long x0 = std::max(0LL, -gx), x1 = std::min<long long>(g.width, block.width - gx);
  for (int row = 0; row < g.rows; ++row) {
    const long long py = gy + row;
    if (py < 0 || py >= block.height) continue;
    std::uint8_t* out = block.Row(static_cast<int>(py)) + (gx + x0) * 2;
    const std::uint8_t* cov = g.coverage.data() + std::size_t(row) * g.width;
    for (long long col = x0; col < x1; ++col, out += 2) {
      const unsigned a = cov[col];
      if (a == 0) continue;
      std::uint16_t p;
      std::memcpy(&p, out, 2);
      p = a == 255 ? solid : blend.Blend(p, a);
      std::memcpy(out, &p, 2);
    }
  }
}

void DrawGlyphGeneric(const PixelBlock& block, const Glyph& g, long long gx, long long gy,
                      ColorCodec& codec, Rgb color) {
  const int bits = block.format.bitCount;
  const std::uint32_t solid = codec.Encode(color);
  const int cr = int(RedOf(color)), cg = int(GreenOf(color)), cb = int(BlueOf(color));
  for (int row = 0; row < g.rows; ++row) {
    const long long py = gy + row;
    if (py < 0 || py >= block.height) continue;
    std::uint8_t* out = block.Row(static_cast<int>(py));
    const std::uint8_t* cov = g.coverage.data() + std::size_t(row) * g.width;
    for (int col = 0; col < g.width; ++col) {
      const long long px = gx + col;
      const unsigned a = cov[col];
      if (a == 0 || px < 0 || px >= block.width) continue;
      const int ix = static_cast<int>(px);
      if (a == 255) {
        WritePixel(out, ix, bits, solid);
        continue;
      }
      const Rgb under = codec.Decode(ReadPixel(out, ix, bits));
      auto mix = [a](int top, int bottom) {
        return unsigned(bottom + ((top - bottom) * int(a) + 127) / 255);
      };
      WritePixel(out, ix, bits,
                 codec.Encode(MakeRgb(mix(cr, int(RedOf(under))), mix(cg, int(GreenOf(under))),
                                      mix(cb, int(BlueOf(under))))));
    }
  }
}

}  // namespace

void DrawText(FontFace* face, const PixelBlock& block, int x, int y, const char* text, int length,
              Rgb color, bool opaque, Rgb background) {
  if (!face || !text || length <= 0 || block.Empty() || !IsSupported(block.format)) return;
  ColorCodec codec(block);
  if (opaque) {
    const SIZE cell = MeasureText(face, text, length);
    FillRaw(block, x, y, static_cast<long long>(x) + cell.cx, static_cast<long long>(y) + cell.cy,
            codec.Encode(background));
  }
  const int bits = block.format.bitCount;
  const bool direct = bits == 16 || bits == 32;
  const DirectBlend blend(direct ? block.format : PixelFormat::Rgb32(), color);
  const bool is565 = block.format == PixelFormat::Rgb565(),
             is555 = block.format == PixelFormat::Rgb555();
  SpreadBlend spread{is565 ? SpreadBlend::kSpread565 : SpreadBlend::kSpread555, 0};
  spread.over = SpreadBlend::Spread(blend.solid, spread.spread);
  const long long baseline = static_cast<long long>(y) + face->Ascent();
  long long penX = x;
  for (int i = 0; i < length; ++i) {
    const Glyph& g = face->GlyphOf(static_cast<unsigned char>(text[i]));
    const long long gx = penX + g.left, gy = baseline - g.top;
    penX += g.advance;
    if (g.rows == 0 || gx >= block.width || gx + g.width <= 0) continue;
    if (is565 || is555)
      DrawGlyph16(block, g, gx, gy, spread, static_cast<std::uint16_t>(blend.solid));
    else if (bits == 16)
      DrawGlyphDirect<std::uint16_t>(block, g, gx, gy, blend);
    else if (bits == 32)
      DrawGlyphDirect<std::uint32_t>(block, g, gx, gy, blend);
    else
      DrawGlyphGeneric(block, g, gx, gy, codec, color);
  }
}

std::string FontFile(const FontFace* face) { return face ? face->File() : std::string(); }

void ResetFontsForTesting(bool withoutFonts) {
  Fonts& s = State();
  s.faces.clear();
  s.reported = false;
  s.withoutFonts = withoutFonts;
}

}  // namespace gdi
