// The picture collection of the image list: named items, each holding a picture that becomes
// one or more colour-keyed drawing surfaces while the display device runs, cut into patterns
// that are drawn by index.
//
// Surfaces are built whenever the device starts or restores (from the picture, never per
// frame); a frame only issues one keyed copy per drawn pattern. Pictures with many patterns
// share few surfaces: one in system memory, or blocks of about 2048 x 2048 pixels (rounded up
// to whole pattern cells) in video memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/directx.h"
#include "images/named_collection.h"
#include "picture/dib_format.h"
#include "toolkit/graphics_picture.h"
#include "toolkit/types.h"

class TCustomDXDraw;
class TDirectDrawSurface;
class TPictureCollection;

DECLARE_EXCEPTION(EPictureCollectionError, Exception);

namespace msg {
inline constexpr const char* SImageNotFound = "Image '%s' not found";
}

// Where the patterns of a picture lie: the rectangles of the picture that become surfaces (in
// list order) and, per pattern in row-major order, its surface and its rectangle there.
struct TPatternPlacement {
  int Surface = 0;
  TRect Rect;
};
struct TPatternLayout {
  std::vector<TRect> Surfaces;
  std::vector<TPatternPlacement> Patterns;
};
struct TPatternGeometry {
  std::int32_t PictureWidth = 0, PictureHeight = 0;
  // The size of one pattern (already the picture's size where none was set).
  std::int32_t PatternWidth = 0, PatternHeight = 0;
  std::int32_t SkipWidth = 0, SkipHeight = 0;
  bool SystemMemory = false;
};
// A pattern as large as the picture is one surface of the whole picture. Otherwise, in system
// memory, one surface of the whole picture holds every pattern; in video memory the picture is
// cut into blocks of whole pattern cells, each as many cells wide (high) as it takes to reach
// kPatternBlockLimit pixels, but no wider (higher) than all whole cells. A geometry that holds
// no whole cell gives nothing.
TPatternLayout LayoutPatterns(const TPatternGeometry& Geometry);
inline constexpr std::int32_t kPatternBlockLimit = 2048;

// One pattern: its rectangle on a surface of the item (the item owns the surface).
class TPictureCollectionItemPattern : public TCollectionItem {
  DECLARE_CLASSINFO(TPictureCollectionItemPattern);
  explicit TPictureCollectionItemPattern(TCollection* Collection) : TCollectionItem(Collection) {}

  TRect FRect;
  TDirectDrawSurface* FSurface = nullptr;
};

class TPictureCollectionItem : public THashCollectionItem {
  DECLARE_CLASSINFO(TPictureCollectionItem);

  explicit TPictureCollectionItem(TCollection* Collection);
  ~TPictureCollectionItem() override;

  // From another picture item: its settings and picture (pixels shared), rebuilt at once when
  // this item was initialised; the name stays. Otherwise as a named item.
  void Assign(const TPersistent* Source) override;

  // Copies pattern PatternIndex with its top-left corner at (X, Y) of Dest, leaving out the
  // colour key when Transparent. Nothing before the item is initialised, for a pattern that
  // does not exist, or without Dest.
  void Draw(TDirectDrawSurface* Dest, std::int32_t X, std::int32_t Y, int PatternIndex);
  // Rebuilds the surfaces from the picture (initialising the item first when its collection
  // is); an item whose picture has become empty lets its surfaces go.
  void Restore();

  // The pattern size: PatternWidth (PatternHeight) above 0, else the picture's.
  std::int32_t Width() const;
  std::int32_t Height() const;
  // The patterns built, or, before any surface exists, how many the picture holds.
  int PatternCount() const;
  // (0, 0, 0, 0) and nullptr for an index outside the patterns.
  TRect PatternRects(int Index) const;
  TDirectDrawSurface* PatternSurfaces(int Index) const;
  int SurfaceCount() const { return static_cast<int>(FSurfaceList.size()); }
  TDirectDrawSurface* Surfaces(int Index) const {
    return FSurfaceList.at(static_cast<std::size_t>(Index));
  }
  bool Initialized() const { return FInitialized; }
  TPictureCollection* PictureCollection() const;

  std::int32_t PatternHeight() const { return FPatternHeight; }
  void SetPatternHeight(std::int32_t Value) { FPatternHeight = Value; }
  std::int32_t PatternWidth() const { return FPatternWidth; }
  void SetPatternWidth(std::int32_t Value) { FPatternWidth = Value; }
  TPicture* Picture() const { return FPicture; }
  // Copies Value into the item's own picture; the surfaces follow at the next Restore.
  void SetPicture(TPicture* Value);
  std::int32_t SkipHeight() const { return FSkipHeight; }
  void SetSkipHeight(std::int32_t Value) { FSkipHeight = Value; }
  std::int32_t SkipWidth() const { return FSkipWidth; }
  void SetSkipWidth(std::int32_t Value) { FSkipWidth = Value; }
  bool SystemMemory() const { return FSystemMemory; }
  void SetSystemMemory(bool Value) { FSystemMemory = Value; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value) { FTransparent = Value; }
  TColor TransparentColor() const { return FTransparentColor; }
  // A new colour re-keys every surface, in list order; a surface that fails is passed over.
  void SetTransparentColor(TColor Value);

 protected:
  void BeforeDestruction() override;

 private:
  friend class TPictureCollection;
  void Initialize();
  void Finalize();
  void ClearSurfaces();
  void BuildSurfaces();
  void AddSurface(const TRect& Rect);
  void KeySurface(TDirectDrawSurface* Surface);
  TPictureCollectionItemPattern* Pattern(int Index) const;

  TPicture* FPicture = nullptr;
  bool FInitialized = false;
  std::int32_t FPatternHeight = 0;
  std::int32_t FPatternWidth = 0;
  TCollection* FPatterns = nullptr;
  std::int32_t FSkipHeight = 0;
  std::int32_t FSkipWidth = 0;
  std::vector<TDirectDrawSurface*> FSurfaceList;
  bool FSystemMemory = false;
  bool FTransparent = true;
  TColor FTransparentColor = clBlack;
};

class TPictureCollection : public THashCollection {
  DECLARE_CLASSINFO(TPictureCollection);

  explicit TPictureCollection(TPersistent* AOwner);

  // EListError outside the collection.
  TPictureCollectionItem* Items(int Index) const {
    return static_cast<TPictureCollectionItem*>(THashCollection::Items(Index));
  }
  // EPictureCollectionError "Image '%s' not found" when no item has the name.
  TPictureCollectionItem* Find(const std::string& Name) const;

  // Finalises, binds the device and builds every item's surfaces; EPictureCollectionError
  // "%s cannot be initialized" (TPictureCollection) when the device is missing or stopped.
  void Initialize(TCustomDXDraw* DXDraw);
  // As Initialize, for every item (Id -1) or only the item at position Id, without
  // finalising the others first.
  void InitializeImages(TCustomDXDraw* DXDraw, int Id);
  // Frees every item's surfaces and lets the device go, also when an item fails.
  void Finalize();
  // Rebuilds every item's surfaces.
  void Restore();
  // Fills ColorTable with the sixteen fixed colours and then the colours of the pictures, in
  // item order, each colour once, until the table is full.
  void MakeColorTable();

  // The items of another named collection, names included.
  void Assign(const TPersistent* Source) override;
  // Offers "ColorTable": the 1024 bytes of the table, always stored.
  void DefineStoredProperties(TFiler& Filer) override;

  // The whole collection as a component resource. Loading replaces the items and, while
  // initialised, builds them again.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream& Stream);
  void SaveToFile(const std::string& FileName);
  void SaveToStream(TStream& Stream);

  // A device is bound and running.
  bool Initialized() const;
  TCustomDXDraw* DXDraw() const { return FDXDraw; }
  TPersistent* Owner() const { return FOwner; }

  // Blue, green, red, reserved; carried in stored descriptions, read by nothing that runs.
  TRGBQuads ColorTable{};

 private:
  void ReadColorTable(TStream& Stream);
  void WriteColorTable(TStream& Stream);

  TCustomDXDraw* FDXDraw = nullptr;
  TPersistent* FOwner;
};

// The type of properties holding a picture collection. Tables in several sources name it
// through this one definition: the toolkit's per-class type is made once per source, and two
// sources making it at different stages of start-up (one from constants, one at run time)
// write over each other.
const TTypeInfo* PictureCollectionTypeInfo();
