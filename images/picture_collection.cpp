#include "images/picture_collection.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "display/dxdraw.h"
#include "display/surface.h"
#include "picture/dib.h"
#include "toolkit/streams.h"
#include "toolkit/sysutils.h"

// ---- the layout of patterns ----

namespace {

// Whole cells of Cell pixels reaching Limit, but no more than the cells of Extent (Extent
// counted with the free space that would follow the last cell).
std::int32_t BlockSize(std::int32_t Cell, std::int32_t Extent) {
  const std::int32_t reaching = (kPatternBlockLimit + Cell - 1) / Cell * Cell;
  return std::min(reaching, Extent / Cell * Cell);
}

// The part of a block row or column that the picture still covers; a whole block past it.
std::int32_t BlockPart(std::int32_t Block, std::int32_t Picture, std::int32_t Start) {
  const std::int32_t part = std::min(Block, std::max(Picture - Start, 0));
  return part == 0 ? Block : part;
}

}  // namespace

TPatternLayout LayoutPatterns(const TPatternGeometry& g) {
  TPatternLayout layout;
  const std::int32_t W = g.PatternWidth, H = g.PatternHeight;
  const std::int32_t PW = g.PictureWidth, PH = g.PictureHeight;
  if (PW <= 0 || PH <= 0) return layout;
  if (W == PW && H == PH) {
    layout.Surfaces.push_back(Rect(0, 0, PW, PH));
    layout.Patterns.push_back({0, Rect(0, 0, PW, PH)});
    return layout;
  }
  const std::int32_t W2 = W + g.SkipWidth, H2 = H + g.SkipHeight;
  // Sizes or skips that leave no room for a cell (a pattern of nothing, or skips eating the
  // pattern) would divide by zero or count backwards: no cell fits.
  if (W <= 0 || H <= 0 || W2 <= 0 || H2 <= 0 || g.SkipWidth < 0 || g.SkipHeight < 0) return layout;
  const std::int32_t columns = (PW + g.SkipWidth) / W2, rows = (PH + g.SkipHeight) / H2;

  if (g.SystemMemory) {
    layout.Surfaces.push_back(Rect(0, 0, PW, PH));
    for (std::int32_t y = 0; y < rows; ++y)
      for (std::int32_t x = 0; x < columns; ++x)
        layout.Patterns.push_back({0, Bounds(x * W2, y * H2, W, H)});
    return layout;
  }

  const std::int32_t BlockWidth = BlockSize(W2, PW + g.SkipWidth);
  const std::int32_t BlockHeight = BlockSize(H2, PH + g.SkipHeight);
  if (BlockWidth == 0 || BlockHeight == 0) return layout;
  const std::int32_t BlockXCount = (PW + BlockWidth - 1) / BlockWidth;
  const std::int32_t BlockYCount = (PH + BlockHeight - 1) / BlockHeight;
  for (std::int32_t by = 0; by < BlockYCount; ++by)
    for (std::int32_t bx = 0; bx < BlockXCount; ++bx)
      layout.Surfaces.push_back(Bounds(bx * BlockWidth, by * BlockHeight,
                                       BlockPart(BlockWidth, PW, bx * BlockWidth),
                                       BlockPart(BlockHeight, PH, by * BlockHeight)));
  for (std::int32_t y = 0; y < rows; ++y)
    for (std::int32_t x = 0; x < columns; ++x) {
      const std::int32_t px = x * W2, py = y * H2;
      layout.Patterns.push_back({px / BlockWidth + py / BlockHeight * BlockXCount,
                                 Bounds(px % BlockWidth, py % BlockHeight, W, H)});
    }
  return layout;
}

// ---- TPictureCollectionItemPattern ----

IMPLEMENT_CLASS(TPictureCollectionItemPattern, TCollectionItem)

// ---- TPictureCollectionItem ----

namespace {
using Item = TPictureCollectionItem;
const TPropInfo kItemProps[] = {
    Property<&Item::PatternHeight, &Item::SetPatternHeight>("PatternHeight"),
    Property<&Item::PatternWidth, &Item::SetPatternWidth>("PatternWidth"),
    Property<&Item::Picture, &Item::SetPicture>("Picture"),
    Property<&Item::SkipHeight, &Item::SetSkipHeight>("SkipHeight", nullptr, 0),
    Property<&Item::SkipWidth, &Item::SetSkipWidth>("SkipWidth", nullptr, 0),
    Property<&Item::SystemMemory, &Item::SetSystemMemory>("SystemMemory"),
    Property<&Item::Transparent, &Item::SetTransparent>("Transparent"),
    Property<&Item::TransparentColor, &Item::SetTransparentColor>("TransparentColor",
                                                                  TypeInfoColor()),
};
}  // namespace

IMPLEMENT_CLASS(TPictureCollectionItem, THashCollectionItem, .Properties = kItemProps)
REGISTER_CLASS(TPictureCollectionItem)

TPictureCollectionItem::TPictureCollectionItem(TCollection* Collection)
    : THashCollectionItem(Collection),
      FPicture(new TPicture()),
      FPatterns(new TCollection(&TPictureCollectionItemPattern::ClassInfo)) {}

TPictureCollectionItem::~TPictureCollectionItem() {
  if (FPatterns) FPatterns->Free();
  if (FPicture) FPicture->Free();
}

void TPictureCollectionItem::BeforeDestruction() {
  Finalize();
  ClearSurfaces();
  FPatterns->Free();
  FPatterns = nullptr;
  FPicture->Free();
  FPicture = nullptr;
  THashCollectionItem::BeforeDestruction();
}

TPictureCollection* TPictureCollectionItem::PictureCollection() const {
  return dynamic_cast<TPictureCollection*>(Collection());
}

void TPictureCollectionItem::Assign(const TPersistent* Source) {
  const auto* other = dynamic_cast<const TPictureCollectionItem*>(Source);
  if (!other) {
    THashCollectionItem::Assign(Source);
    return;
  }
  if (other == this) return;
  const bool wasInitialized = FInitialized;
  Finalize();
  FPatternHeight = other->FPatternHeight;
  FPatternWidth = other->FPatternWidth;
  FSkipHeight = other->FSkipHeight;
  FSkipWidth = other->FSkipWidth;
  FSystemMemory = other->FSystemMemory;
  FTransparent = other->FTransparent;
  FTransparentColor = other->FTransparentColor;
  FPicture->Assign(other->FPicture);
  if (wasInitialized) Restore();
}

void TPictureCollectionItem::SetPicture(TPicture* Value) { FPicture->Assign(Value); }

std::int32_t TPictureCollectionItem::Width() const {
  return FPatternWidth > 0 ? FPatternWidth : FPicture->Width();
}

std::int32_t TPictureCollectionItem::Height() const {
  return FPatternHeight > 0 ? FPatternHeight : FPicture->Height();
}

int TPictureCollectionItem::PatternCount() const {
  if (!FSurfaceList.empty()) return FPatterns->Count();
  // Counted from the settings: the columns that fit with their skips, and one more where the
  // last pattern of a row fits without the skip behind it.
  const std::int32_t PW = FPicture->Width(), PH = FPicture->Height();
  const std::int32_t W = Width(), H = Height();
  const std::int32_t W2 = W + FSkipWidth, H2 = H + FSkipHeight;
  if (W2 <= 0 || H2 <= 0) return 0;
  std::int32_t XCount = PW / W2, YCount = PH / H2;
  if (PW - XCount * W2 == W) ++XCount;
  if (PH - YCount * H2 == H) ++YCount;
  return XCount * YCount;
}

TPictureCollectionItemPattern* TPictureCollectionItem::Pattern(int Index) const {
  if (Index < 0 || Index >= FPatterns->Count()) return nullptr;
  return static_cast<TPictureCollectionItemPattern*>(FPatterns->Items(Index));
}

TRect TPictureCollectionItem::PatternRects(int Index) const {
  const TPictureCollectionItemPattern* p = Pattern(Index);
  return p ? p->FRect : TRect{};
}

TDirectDrawSurface* TPictureCollectionItem::PatternSurfaces(int Index) const {
  const TPictureCollectionItemPattern* p = Pattern(Index);
  return p ? p->FSurface : nullptr;
}

void TPictureCollectionItem::Draw(TDirectDrawSurface* Dest, std::int32_t X, std::int32_t Y,
                                  int PatternIndex) {
  if (!FInitialized || !Dest) return;
  const TPictureCollectionItemPattern* p = Pattern(PatternIndex);
  if (!p) return;
  Dest->Draw(X, Y, p->FRect, p->FSurface, FTransparent);
}

void TPictureCollectionItem::Initialize() {
  Finalize();
  const TPictureCollection* owner = PictureCollection();
  FInitialized = owner && owner->Initialized();
  if (FInitialized) BuildSurfaces();
}

void TPictureCollectionItem::Finalize() {
  if (!FInitialized) return;
  FInitialized = false;
  ClearSurfaces();
}

void TPictureCollectionItem::ClearSurfaces() {
  if (FPatterns) FPatterns->Clear();
  // Freed last first, as the DirectDraw object keeps them in a list of its own.
  while (!FSurfaceList.empty()) {
    TDirectDrawSurface* s = FSurfaceList.back();
    FSurfaceList.pop_back();
    s->Free();
  }
}

void TPictureCollectionItem::Restore() {
  if (FPicture->Graphic() == nullptr || FPicture->Graphic()->Empty()) {
    // Surfaces of a picture that is no longer there would go on drawing it.
    if (FInitialized) ClearSurfaces();
    return;
  }
  if (!FInitialized) {
    if (const TPictureCollection* owner = PictureCollection(); owner && owner->Initialized())
      Initialize();
    if (!FInitialized) return;
  }
  ClearSurfaces();
  BuildSurfaces();
}

void TPictureCollectionItem::BuildSurfaces() {
  TGraphic* graphic = FPicture->Graphic();
  if (!graphic || graphic->Empty()) return;
  const TPatternLayout layout = LayoutPatterns({.PictureWidth = FPicture->Width(),
                                                .PictureHeight = FPicture->Height(),
                                                .PatternWidth = Width(),
                                                .PatternHeight = Height(),
                                                .SkipWidth = FSkipWidth,
                                                .SkipHeight = FSkipHeight,
                                                .SystemMemory = FSystemMemory});
  for (const TRect& r : layout.Surfaces) AddSurface(r);
  for (const TPatternPlacement& placement : layout.Patterns) {
    auto* p = static_cast<TPictureCollectionItemPattern*>(FPatterns->Add());
    p->FRect = placement.Rect;
    p->FSurface = FSurfaceList[static_cast<std::size_t>(placement.Surface)];
  }
}

void TPictureCollectionItem::AddSurface(const TRect& Rect) {
  auto* s = Construct<TDirectDrawSurface>(PictureCollection()->DXDraw()->DDraw());
  FSurfaceList.push_back(s);
  s->SetSystemMemory(FSystemMemory);
  s->LoadFromGraphicRect(FPicture->Graphic(), 0, 0, Rect);
  KeySurface(s);
}

void TPictureCollectionItem::KeySurface(TDirectDrawSurface* Surface) {
  // The key is what the picture's own conversion makes of the colour on this surface, so
  // that loaded pixels of that colour match it exactly.
  const std::uint32_t key = Surface->IDDSurface() ? Surface->ColorMatch(FTransparentColor) : 0;
  Surface->SetTransparentColor(key);
}

void TPictureCollectionItem::SetTransparentColor(TColor Value) {
  if (Value == FTransparentColor) return;
  FTransparentColor = Value;
  for (TDirectDrawSurface* s : FSurfaceList) {
    try {
      KeySurface(s);
    } catch (const std::exception&) {
      // A surface that cannot take its key now keeps the old one; the others go on.
    }
  }
}

// ---- TPictureCollection ----

IMPLEMENT_CLASS(TPictureCollection, THashCollection)

TPictureCollection::TPictureCollection(TPersistent* AOwner)
    : THashCollection(&TPictureCollectionItem::ClassInfo), FOwner(AOwner) {}

bool TPictureCollection::Initialized() const { return FDXDraw && FDXDraw->Initialized(); }

TPictureCollectionItem* TPictureCollection::Find(const std::string& Name) const {
  const int i = IndexOf(Name);
  if (i < 0) throw EPictureCollectionError(Format(msg::SImageNotFound, Name.c_str()));
  return Items(i);
}

void TPictureCollection::Initialize(TCustomDXDraw* DXDraw) {
  Finalize();
  InitializeImages(DXDraw, -1);
}

void TPictureCollection::InitializeImages(TCustomDXDraw* DXDraw, int Id) {
  FDXDraw = DXDraw;
  if (!Initialized()) throw EPictureCollectionError(Format(SCannotInitialized, ClassInfo.Name));
  if (Id == -1) {
    for (int i = 0; i < Count(); ++i) Items(i)->Initialize();
  } else {
    Items(Id)->Initialize();
  }
}

void TPictureCollection::Finalize() {
  try {
    for (int i = 0; i < Count(); ++i) Items(i)->Finalize();
  } catch (...) {
    FDXDraw = nullptr;
    throw;
  }
  FDXDraw = nullptr;
}

void TPictureCollection::Restore() {
  for (int i = 0; i < Count(); ++i) Items(i)->Restore();
}

void TPictureCollection::Assign(const TPersistent* Source) {
  THashCollection::Assign(Source);
  // Picture items copy everything but their names; a copied collection keeps them, so that
  // its pictures are still found by name.
  if (const auto* other = dynamic_cast<const THashCollection*>(Source))
    for (int i = 0; i < Count() && i < other->Count(); ++i)
      if (const auto* named = dynamic_cast<const THashCollectionItem*>(other->Items(i)))
        Items(i)->SetName(named->Name());
}

// ---- the colour table ----

namespace {

constexpr RGBQUAD Quad(BYTE Red, BYTE Green, BYTE Blue) { return RGBQUAD{Blue, Green, Red, 0}; }

// The colours every table begins with, at their places.
struct TFixedColor {
  int Index;
  RGBQUAD Color;
};
constexpr TFixedColor kFixedColors[] = {
    {0, Quad(0, 0, 0)},         {1, Quad(128, 0, 0)},     {2, Quad(0, 128, 0)},
    {3, Quad(128, 128, 0)},     {4, Quad(0, 0, 128)},     {5, Quad(128, 0, 128)},
    {6, Quad(0, 128, 128)},     {7, Quad(192, 192, 192)}, {248, Quad(128, 128, 128)},
    {249, Quad(255, 0, 0)},     {250, Quad(0, 255, 0)},   {251, Quad(255, 255, 0)},
    {252, Quad(0, 0, 255)},     {253, Quad(255, 0, 255)}, {254, Quad(0, 255, 255)},
    {255, Quad(255, 255, 255)},
};
constexpr int kTableSize = 256;
constexpr std::int32_t kMaxIndexedBitCount = 8;

bool SameColor(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// The colours a picture offers: an indexed bitmap its whole colour table, anything else the
// entries of its palette.
std::vector<RGBQUAD> OfferedColors(TGraphic* Graphic) {
  if (auto* dib = dynamic_cast<TDIB*>(Graphic); dib && dib->BitCount() <= kMaxIndexedBitCount)
    return {dib->ColorTable.begin(), dib->ColorTable.end()};
  std::vector<RGBQUAD> out;
  if (const HPALETTE palette = Graphic->GetPalette()) {
    PALETTEENTRY entries[kTableSize];
    const UINT n = GetPaletteEntries(palette, 0, kTableSize, entries);
    for (UINT i = 0; i < n; ++i)
      out.push_back(Quad(entries[i].peRed, entries[i].peGreen, entries[i].peBlue));
  }
  return out;
}

}  // namespace

void TPictureCollection::MakeColorTable() {
  ColorTable = {};
  std::array<bool, kTableSize> used{};
  for (const TFixedColor& f : kFixedColors) {
    ColorTable[static_cast<std::size_t>(f.Index)] = f.Color;
    used[static_cast<std::size_t>(f.Index)] = true;
  }
  int usedCount = static_cast<int>(std::size(kFixedColors));
  for (int i = 0; i < Count() && usedCount < kTableSize; ++i) {
    TGraphic* graphic = Items(i)->Picture()->Graphic();
    if (!graphic || graphic->Empty()) continue;
    for (const RGBQUAD& c : OfferedColors(graphic)) {
      if (usedCount == kTableSize) break;
      bool known = false;
      for (std::size_t k = 0; k < kTableSize && !known; ++k)
        known = used[k] && SameColor(ColorTable[k], c);
      if (known) continue;
      const auto free =
          static_cast<std::size_t>(std::find(used.begin(), used.end(), false) - used.begin());
      ColorTable[free] = Quad(c.rgbRed, c.rgbGreen, c.rgbBlue);
      used[free] = true;
      ++usedCount;
    }
  }
}

void TPictureCollection::DefineStoredProperties(TFiler& Filer) {
  THashCollection::DefineStoredProperties(Filer);
  Filer.DefineBinaryProperty("ColorTable",
                             TStreamProc::Of<&TPictureCollection::ReadColorTable>(this),
                             TStreamProc::Of<&TPictureCollection::WriteColorTable>(this), true);
}

void TPictureCollection::ReadColorTable(TStream& Stream) {
  TRGBQuads table;
  for (RGBQUAD& q : table) {
    BYTE b[4];
    Stream.ReadBuffer(b, 4);
    q = RGBQUAD{b[0], b[1], b[2], b[3]};
  }
  ColorTable = table;
}

void TPictureCollection::WriteColorTable(TStream& Stream) {
  for (const RGBQUAD& q : ColorTable) {
    const BYTE b[4] = {q.rgbBlue, q.rgbGreen, q.rgbRed, q.rgbReserved};
    Stream.WriteBuffer(b, 4);
  }
}

// ---- the collection as a component resource ----

const TTypeInfo* PictureCollectionTypeInfo() {
  static const TTypeInfo kInfo{.Kind = TTypeKind::tkClass,
                               .Name = TPictureCollection::ClassInfo.Name,
                               .ClassType = &TPictureCollection::ClassInfo};
  return &kInfo;
}

namespace {

// Publishes a collection as its items, so that the collection travels as a component stream.
class TPictureCollectionComponent : public TComponent {
  DECLARE_CLASSINFO(TPictureCollectionComponent);
  explicit TPictureCollectionComponent(TComponent* AOwner) : TComponent(AOwner) {}

  TPictureCollection* Items() const { return FItems; }
  void SetItems(TPictureCollection* Value) { FItems->Assign(Value); }

  TPictureCollection* FItems = nullptr;
};

const TPropInfo kComponentProps[] = {
    Property<&TPictureCollectionComponent::Items, &TPictureCollectionComponent::SetItems>("Items"),
};

}  // namespace

IMPLEMENT_CLASS(TPictureCollectionComponent, TComponent, .Properties = kComponentProps)

void TPictureCollection::SaveToStream(TStream& Stream) {
  TOwnedPtr<TPictureCollectionComponent> wrapper(Construct<TPictureCollectionComponent>(nullptr));
  wrapper->FItems = this;
  Stream.WriteComponentRes(TPictureCollectionComponent::ClassInfo.Name, wrapper.get());
}

void TPictureCollection::LoadFromStream(TStream& Stream) {
  Clear();
  TOwnedPtr<TPictureCollectionComponent> wrapper(Construct<TPictureCollectionComponent>(nullptr));
  wrapper->FItems = this;
  Stream.ReadComponentRes(wrapper.get());
  if (Initialized()) {
    Initialize(FDXDraw);
    Restore();
  }
}

void TPictureCollection::LoadFromFile(const std::string& FileName) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->LoadFromFile(FileName);
  LoadFromStream(*stream);
}

void TPictureCollection::SaveToFile(const std::string& FileName) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  SaveToStream(*stream);
  stream->SaveToFile(FileName);
}
