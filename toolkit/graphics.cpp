#include "toolkit/graphics.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "toolkit/graphics_picture.h"

// ---- colours ----

namespace {
// The colours the system colour numbers stand for on this desktop.
constexpr std::int32_t kSystemColors[] = {
    0xC8D0D4,  // scrollbar
    0xA56E3A,  // background
    0x6A240A,  // active caption
    0x808080,  // inactive caption
    0xC8D0D4,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC8D0D4,  // active border
    0xC8D0D4,  // inactive border
    0x808080,  // application workspace
    0x6A240A,  // highlight
    0xFFFFFF,  // highlight text
    0xC8D0D4,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC8D0D4,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x404040,  // 3-D dark shadow
    0xC8D0D4,  // 3-D light
    0x000000,  // info text
    0xE1FFFF,  // info background
};
}  // namespace

std::int32_t ColorToRGB(TColor Color) {
  if ((Color & clSystemColor) == clSystemColor) {
    const auto index = static_cast<std::size_t>(Color & 0xFF);
    return index < std::size(kSystemColors) ? kSystemColors[index] : 0;
  }
  return Color & 0xFFFFFF;
}

namespace {
COLORREF ToColorRef(TColor Color) { return static_cast<COLORREF>(ColorToRGB(Color)); }

constexpr TIdentMapEntry kCharsetIdents[] = {
    {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
};

// Points to pixels and back, rounded to the nearest whole number as the platform's MulDiv does.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  const std::int64_t p = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = c / 2;
  return static_cast<std::int32_t>(p >= 0 ? (p + half) / c : (p - half) / c);
}
constexpr std::int32_t kPointsPerInch = 72;
}  // namespace

const TTypeInfo* TypeInfoFontCharset() {
  static const TTypeInfo kInfo{
      .Kind = TTypeKind::tkInteger, .Name = "TFontCharset", .Idents = kCharsetIdents};
  return &kInfo;
}

IMPLEMENT_ENUM_TYPEINFO(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut")
IMPLEMENT_ENUM_TYPEINFO(TFontPitch, "fpDefault", "fpVariable", "fpFixed")
IMPLEMENT_ENUM_TYPEINFO(TBrushStyle, "bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                        "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross")
IMPLEMENT_ENUM_TYPEINFO(TPenStyle, "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot",
                        "psClear", "psInsideFrame")
IMPLEMENT_ENUM_TYPEINFO(TPenMode, "pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy",
                        "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge",
                        "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor")

// ---- TGraphicsObject ----

IMPLEMENT_CLASS(TGraphicsObject, TPersistent)

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TFont ----

namespace {
// GDI fonts shared by every TFont with the same settings. A font nobody uses stays for a while,
// so that text that switches between a few fonts every frame makes no new font each time.
class FontCache {
 public:
  HFONT Acquire(const LOGFONTA& lf) {
    for (Entry& e : FEntries)
      if (Same(e.Font, lf)) {
        ++e.Refs;
        return e.Handle;
      }
    const HFONT handle = CreateFontIndirectA(&lf);
    if (!handle) return nullptr;
    Trim();
    FEntries.push_back(Entry{lf, handle, 1});
    return handle;
  }
  void Release(HFONT handle) {
    for (Entry& e : FEntries)
      if (e.Handle == handle) {
        --e.Refs;
        return;
      }
  }

 private:
  struct Entry {
    LOGFONTA Font;
    HFONT Handle;
    int Refs;
  };
  static constexpr std::size_t kKeptFonts = 16;

  static bool Same(const LOGFONTA& a, const LOGFONTA& b) {
    return a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfWeight == b.lfWeight &&
           a.lfItalic == b.lfItalic && a.lfUnderline == b.lfUnderline &&
           a.lfStrikeOut == b.lfStrikeOut && a.lfCharSet == b.lfCharSet &&
           a.lfPitchAndFamily == b.lfPitchAndFamily &&
           std::strncmp(a.lfFaceName, b.lfFaceName, LF_FACESIZE) == 0;
  }
  // Deletes unused fonts once more than kKeptFonts are kept.
  void Trim() {
    if (FEntries.size() < kKeptFonts) return;
    std::erase_if(FEntries, [](const Entry& e) {
      if (e.Refs > 0) return false;
      DeleteObject(e.Handle);
      return true;
    });
  }

  std::vector<Entry> FEntries;
};

FontCache& Fonts() {
  // Lives until the program ends: fonts are given back from destructors of static objects too.
  static FontCache* cache = new FontCache;
  return *cache;
}
HFONT AcquireFont(const LOGFONTA& lf) { return Fonts().Acquire(lf); }
void ReleaseFont(HFONT handle) { Fonts().Release(handle); }

// Charset goes through int so that the table passes it as an ordinal.
std::int32_t GetCharset(const TFont* f) { return f->Charset(); }

const TPropInfo kFontProps[] = {
    TPropInfo{"Charset", TypeInfoFontCharset(),
              [](const TObject* o) -> TPropValue {
                return std::int64_t{GetCharset(static_cast<const TFont*>(o))};
              },
              [](TObject* o, const TPropValue& v) {
                static_cast<TFont*>(o)->SetCharset(
                    static_cast<TFontCharset>(std::get<std::int64_t>(v)));
              },
              DEFAULT_CHARSET},
    Property<&TFont::Color, &TFont::SetColor>("Color", TypeInfoColor()),
    Property<&TFont::Height, &TFont::SetHeight>("Height"),
    Property<&TFont::Name, &TFont::SetName>("Name"),
    Property<&TFont::Pitch, &TFont::SetPitch>("Pitch", nullptr, fpDefault),
    // Height carries the size; Size is offered for reading and setting, never stored.
    Property<&TFont::Size, &TFont::SetSize>("Size", nullptr, std::nullopt, false),
    Property<&TFont::Style, &TFont::SetStyle>("Style"),
};
}  // namespace

IMPLEMENT_CLASS(TFont, TGraphicsObject, .Properties = kFontProps)

TFont::TFont() = default;

TFont::~TFont() { DestroyHandle(); }

void TFont::Assign(const TPersistent* Source) {
  if (Source && Source->Is<TFont>()) {
    const auto* f = static_cast<const TFont*>(Source);
    if (f == this) return;
    const bool newHandle = f->FCharset != FCharset || f->FHeight != FHeight || f->FName != FName ||
                           f->FPitch != FPitch || f->FStyle != FStyle;
    const bool newColor = f->FColor != FColor;
    FCharset = f->FCharset;
    FColor = f->FColor;
    FHeight = f->FHeight;
    FName = f->FName;
    FPitch = f->FPitch;
    FStyle = f->FStyle;
    if (newHandle || newColor) FontChanged(newHandle);
    return;
  }
  TGraphicsObject::Assign(Source);
}

HFONT TFont::Handle() {
  if (!FHandle) {
    LOGFONTA lf;
    lf.lfHeight = FHeight;
    lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(fsItalic) ? 1 : 0;
    lf.lfUnderline = FStyle.Contains(fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = FStyle.Contains(fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = FCharset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = static_cast<BYTE>(FPitch);
    const std::size_t n = std::min<std::size_t>(FName.size(), LF_FACESIZE - 1);
    std::memcpy(lf.lfFaceName, FName.data(), n);
    lf.lfFaceName[n] = '\0';
    FHandle = AcquireFont(lf);
  }
  return FHandle;
}

void TFont::SetCharset(TFontCharset Value) {
  if (Value == FCharset) return;
  FCharset = Value;
  FontChanged(true);
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  FontChanged(false);
}

void TFont::SetHeight(std::int32_t Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  FontChanged(true);
}

void TFont::SetName(const std::string& Value) {
  if (Value.empty() || Value == FName) return;
  FName = Value;
  FontChanged(true);
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == FPitch) return;
  FPitch = Value;
  FontChanged(true);
}

std::int32_t TFont::Size() const { return -MulDiv(FHeight, kPointsPerInch, kPixelsPerInch); }

void TFont::SetSize(std::int32_t Value) {
  SetHeight(-MulDiv(Value, kPixelsPerInch, kPointsPerInch));
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  FontChanged(true);
}

void TFont::FontChanged(bool NewHandle) {
  // The listeners (canvases) deselect the old font before it is deleted.
  Changed();
  if (NewHandle) DestroyHandle();
}

void TFont::DestroyHandle() {
  if (FHandle) {
    ReleaseFont(FHandle);
    FHandle = nullptr;
  }
}

// ---- TBrush ----

namespace {
const TPropInfo kBrushProps[] = {
    Property<&TBrush::Color, &TBrush::SetColor>("Color", TypeInfoColor(), clWhite),
    Property<&TBrush::Style, &TBrush::SetStyle>("Style", nullptr, bsSolid),
};
}  // namespace

IMPLEMENT_CLASS(TBrush, TGraphicsObject, .Properties = kBrushProps)

TBrush::~TBrush() { DestroyHandle(); }

void TBrush::Assign(const TPersistent* Source) {
  if (Source && Source->Is<TBrush>()) {
    const auto* b = static_cast<const TBrush*>(Source);
    if (b->FColor == FColor && b->FStyle == FStyle) return;
    FColor = b->FColor;
    FStyle = b->FStyle;
    BrushChanged();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HBRUSH TBrush::Handle() {
  if (FStyle == bsClear) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  if (!FHandle) FHandle = CreateSolidBrush(ToColorRef(FColor));
  return FHandle;
}

void TBrush::SetColor(TColor Value) {
  if (Value == FColor && FStyle != bsClear) return;
  FColor = Value;
  // A colour given to a clear brush makes it solid, so that it shows.
  if (FStyle == bsClear) FStyle = bsSolid;
  BrushChanged();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  BrushChanged();
}

void TBrush::BrushChanged() {
  Changed();
  DestroyHandle();
}

void TBrush::DestroyHandle() {
  if (FHandle) {
    DeleteObject(FHandle);
    FHandle = nullptr;
  }
}

// ---- TPen ----

namespace {
const TPropInfo kPenProps[] = {
    Property<&TPen::Color, &TPen::SetColor>("Color", TypeInfoColor(), clBlack),
    Property<&TPen::Mode, &TPen::SetMode>("Mode", nullptr, pmCopy),
    Property<&TPen::Style, &TPen::SetStyle>("Style", nullptr, psSolid),
    Property<&TPen::Width, &TPen::SetWidth>("Width", nullptr, 1),
};
}  // namespace

IMPLEMENT_CLASS(TPen, TGraphicsObject, .Properties = kPenProps)

void TPen::Assign(const TPersistent* Source) {
  if (Source && Source->Is<TPen>()) {
    const auto* p = static_cast<const TPen*>(Source);
    FColor = p->FColor;
    FMode = p->FMode;
    FStyle = p->FStyle;
    FWidth = p->FWidth;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TPen::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

void TPen::SetMode(TPenMode Value) {
  if (Value == FMode) return;
  FMode = Value;
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TPen::SetWidth(std::int32_t Value) {
  if (Value < 0 || Value == FWidth) return;
  FWidth = Value;
  Changed();
}

// ---- TCanvas ----

IMPLEMENT_CLASS(TCanvas, TPersistent)

TCanvas::TCanvas()
    : FFont(Construct<TFont>()), FBrush(Construct<TBrush>()), FPen(Construct<TPen>()) {
  FFont->OnChange = TNotifyEvent::Of<&TCanvas::FontChanged>(this);
  FBrush->OnChange = TNotifyEvent::Of<&TCanvas::BrushChanged>(this);
  FPen->OnChange = TNotifyEvent::Of<&TCanvas::PenChanged>(this);
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid, csPenValid});
  Changed();
  return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
  if (Value == FHandle) return;
  if (FHandle) {
    DeselectHandles();
    FState.Exclude(csHandleValid);
  }
  FHandle = Value;
  if (FHandle) FState.Include(csHandleValid);
}

void TCanvas::DeselectHandles() {
  if (FHandle && (FState.Contains(csFontValid) || FState.Contains(csBrushValid))) {
    SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
    SelectObject(FHandle, GetStockObject(WHITE_BRUSH));
  }
  FState = FState - TCanvasState{csFontValid, csBrushValid, csPenValid};
}

void TCanvas::CreateHandle() {}

void TCanvas::RequiredState(TCanvasState ReqState) {
  const TCanvasState needed = ReqState - FState;
  if (needed.Empty()) return;
  if (needed.Contains(csHandleValid)) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation(msg::SNoCanvasHandle);
  }
  if (needed.Contains(csFontValid)) CreateFont();
  if (needed.Contains(csBrushValid)) CreateBrush();
  if (needed.Contains(csPenValid)) FState.Include(csPenValid);
}

void TCanvas::CreateFont() {
  SelectObject(FHandle, FFont->Handle());
  SetTextColor(FHandle, ToColorRef(FFont->Color()));
  FState.Include(csFontValid);
}

void TCanvas::CreateBrush() {
  SelectObject(FHandle, FBrush->Handle());
  if (FBrush->Style() == bsClear) {
    SetBkMode(FHandle, TRANSPARENT);
  } else {
    SetBkColor(FHandle, ToColorRef(FBrush->Color()));
    SetBkMode(FHandle, OPAQUE);
  }
  FState.Include(csBrushValid);
}

void TCanvas::FontChanged(TObject*) {
  if (FState.Contains(csFontValid)) {
    FState.Exclude(csFontValid);
    SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
  }
}

void TCanvas::BrushChanged(TObject*) {
  if (FState.Contains(csBrushValid)) {
    FState.Exclude(csBrushValid);
    SelectObject(FHandle, GetStockObject(WHITE_BRUSH));
  }
}

void TCanvas::PenChanged(TObject*) { FState.Exclude(csPenValid); }

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::TextOut(std::int32_t X, std::int32_t Y, const std::string& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  TextOutA(FHandle, X, Y, Text.data(), static_cast<int>(Text.size()));
  Changed();
}

SIZE TCanvas::TextExtent(const std::string& Text) {
  RequiredState({csHandleValid, csFontValid});
  SIZE size;
  if (!GetTextExtentPoint32A(FHandle, Text.data(), static_cast<int>(Text.size()), &size))
    size = SIZE{};
  return size;
}

void TCanvas::Draw(std::int32_t X, std::int32_t Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  RequiredState({csHandleValid});
  Graphic->Draw(*this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
  if (!Graphic) return;
  Changing();
  RequiredState({csHandleValid});
  Graphic->Draw(*this, Rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  if (!Canvas) return;
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  Canvas->RequiredState({csHandleValid, csBrushValid});
  StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->FHandle,
             Source.Left, Source.Top, Source.Width(), Source.Height(),
             static_cast<DWORD>(FCopyMode));
  Changed();
}

void TCanvas::FillRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  const RECT r{Rect.Left, Rect.Top, Rect.Right, Rect.Bottom};
  ::FillRect(FHandle, &r, FBrush->Handle());
  Changed();
}
