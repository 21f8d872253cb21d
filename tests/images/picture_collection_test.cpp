// The picture collection without a running device: where the patterns of a picture lie (one
// surface, one system-memory surface, or video-memory blocks of whole cells), counting
// patterns from the settings, sizes, lookup by name, drawing before the device runs, copies,
// and the colour table and its stored form.
#include "images/picture_collection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "display/directdraw.h"
#include "display/surface.h"
#include "picture/dib.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "toolkit/streams.h"

namespace {

TPatternGeometry Geometry(int pw, int ph, int w, int h, int skipW = 0, int skipH = 0,
                          bool systemMemory = false) {
  return {.PictureWidth = pw,
          .PictureHeight = ph,
          .PatternWidth = w,
          .PatternHeight = h,
          .SkipWidth = skipW,
          .SkipHeight = skipH,
          .SystemMemory = systemMemory};
}

// Every pattern, placed back into the picture through its surface's rectangle, must sit at
// its cell: column x, row y of a grid with steps w + skipW and h + skipH, row-major; and it
// must lie inside its surface.
void ExpectCellsInPlace(const TPatternLayout& layout, const TPatternGeometry& g, int columns,
                        int rows) {
  ASSERT_EQ(layout.Patterns.size(), std::size_t(columns * rows));
  for (int i = 0; i < columns * rows; ++i) {
    const TPatternPlacement& p = layout.Patterns[std::size_t(i)];
    ASSERT_GE(p.Surface, 0);
    ASSERT_LT(p.Surface, int(layout.Surfaces.size()));
    const TRect& s = layout.Surfaces[std::size_t(p.Surface)];
    SCOPED_TRACE("pattern " + std::to_string(i));
    EXPECT_EQ(s.Left + p.Rect.Left, (i % columns) * (g.PatternWidth + g.SkipWidth));
    EXPECT_EQ(s.Top + p.Rect.Top, (i / columns) * (g.PatternHeight + g.SkipHeight));
    EXPECT_EQ(p.Rect.Width(), g.PatternWidth);
    EXPECT_EQ(p.Rect.Height(), g.PatternHeight);
    EXPECT_LE(p.Rect.Right, s.Width());
    EXPECT_LE(p.Rect.Bottom, s.Height());
  }
}

TEST(PatternLayout, APatternAsLargeAsThePictureIsOneSurfaceOfTheWholePicture) {
  for (bool systemMemory : {false, true}) {
    const TPatternLayout l = LayoutPatterns(Geometry(640, 480, 640, 480, 0, 0, systemMemory));
    ASSERT_EQ(l.Surfaces.size(), 1u);
    EXPECT_EQ(l.Surfaces[0], Rect(0, 0, 640, 480));
    ASSERT_EQ(l.Patterns.size(), 1u);
    EXPECT_EQ(l.Patterns[0].Rect, Rect(0, 0, 640, 480));
  }
  // Skips play no part when the pattern is the whole picture.
  EXPECT_EQ(LayoutPatterns(Geometry(30, 30, 30, 30, 7, 9)).Patterns.size(), 1u);
}

TEST(PatternLayout, PatternsRunLeftToRightThenTopToBottomInEitherMemory) {
  for (bool systemMemory : {false, true}) {
    SCOPED_TRACE(systemMemory ? "system memory" : "video memory");
    const TPatternGeometry g = Geometry(100, 40, 20, 20, 0, 0, systemMemory);
    const TPatternLayout l = LayoutPatterns(g);
    ASSERT_EQ(l.Surfaces.size(), 1u);
    EXPECT_EQ(l.Surfaces[0], Rect(0, 0, 100, 40));
    ExpectCellsInPlace(l, g, 5, 2);
    EXPECT_EQ(l.Patterns[7].Rect, Rect(40, 20, 60, 40));
  }
}

TEST(PatternLayout, SkipsLeaveFreeColumnsAndRowsBetweenPatterns) {
  for (bool systemMemory : {false, true}) {
    SCOPED_TRACE(systemMemory ? "system memory" : "video memory");
    // Four columns at 0, 25, 50, 75: the last one fits without the skip behind it.
    TPatternGeometry g = Geometry(100, 40, 20, 20, 5, 0, systemMemory);
    ExpectCellsInPlace(LayoutPatterns(g), g, 4, 2);
    // Rows 0 and 23: 43 - 20 leaves no room for a third.
    g = Geometry(100, 43, 20, 20, 5, 3, systemMemory);
    ExpectCellsInPlace(LayoutPatterns(g), g, 4, 2);
    // 98 pixels: the fourth column would end at 95 and fits; a fifth would not.
    g = Geometry(98, 20, 20, 20, 5, 0, systemMemory);
    ExpectCellsInPlace(LayoutPatterns(g), g, 4, 1);
  }
}

TEST(PatternLayout, VideoMemoryCutsWidePicturesIntoBlocksOfWholeCellsReaching2048) {
  const TPatternGeometry g = Geometry(5000, 20, 20, 20);
  const TPatternLayout l = LayoutPatterns(g);
  ASSERT_EQ(l.Surfaces.size(), 3u);
  EXPECT_EQ(l.Surfaces[0], Bounds(0, 0, 2060, 20));
  EXPECT_EQ(l.Surfaces[1], Bounds(2060, 0, 2060, 20));
  EXPECT_EQ(l.Surfaces[2], Bounds(4120, 0, 880, 20));
  ExpectCellsInPlace(l, g, 250, 1);
  EXPECT_EQ(l.Patterns[103].Surface, 1);
  EXPECT_EQ(l.Patterns[103].Rect, Bounds(0, 0, 20, 20));
  // The same picture in system memory stays one surface.
  const TPatternLayout one = LayoutPatterns(Geometry(5000, 20, 20, 20, 0, 0, true));
  ASSERT_EQ(one.Surfaces.size(), 1u);
  EXPECT_EQ(one.Patterns[103].Rect, Bounds(2060, 0, 20, 20));
}

TEST(PatternLayout, BlocksGoBothWaysAndCountSurfacesRowByRow) {
  // 3000 x 4500 with 100 x 90 cells and skips of 10: cells of 110 x 100; blocks reach 2048
  // with 19 x 21 cells (2090 x 2100) but no more than the whole cells of the picture.
  const TPatternGeometry g = Geometry(3000, 4500, 100, 90, 10, 10);
  const TPatternLayout l = LayoutPatterns(g);
  const int blockW = 19 * 110, blockH = 21 * 100;
  const int blocksX = (3000 + blockW - 1) / blockW, blocksY = (4500 + blockH - 1) / blockH;
  ASSERT_EQ(int(l.Surfaces.size()), blocksX * blocksY);
  for (int by = 0; by < blocksY; ++by)
    for (int bx = 0; bx < blocksX; ++bx) {
      const TRect& s = l.Surfaces[std::size_t(bx + by * blocksX)];
      EXPECT_EQ(s.Left, bx * blockW);
      EXPECT_EQ(s.Top, by * blockH);
      EXPECT_EQ(s.Width(), std::min(blockW, 3000 - bx * blockW));
      EXPECT_EQ(s.Height(), std::min(blockH, 4500 - by * blockH));
    }
  ExpectCellsInPlace(l, g, (3000 + 10) / 110, (4500 + 10) / 100);
}

TEST(PatternLayout, APictureNarrowerThanOneCellGetsNothingInVideoMemory) {
  EXPECT_TRUE(LayoutPatterns(Geometry(10, 10, 20, 20)).Surfaces.empty());
  EXPECT_TRUE(LayoutPatterns(Geometry(10, 10, 20, 20)).Patterns.empty());
  // In system memory the picture still becomes a surface, with no pattern on it.
  const TPatternLayout l = LayoutPatterns(Geometry(10, 10, 20, 20, 0, 0, true));
  EXPECT_EQ(l.Surfaces.size(), 1u);
  EXPECT_TRUE(l.Patterns.empty());
}

TEST(PatternLayout, SkipsThatSwallowThePatternGiveNothingInsteadOfDividingByZero) {
  for (bool systemMemory : {false, true}) {
    EXPECT_TRUE(LayoutPatterns(Geometry(100, 40, 20, 20, -20, 0, systemMemory)).Patterns.empty());
    EXPECT_TRUE(LayoutPatterns(Geometry(100, 40, 20, 20, 0, -25, systemMemory)).Patterns.empty());
    EXPECT_TRUE(LayoutPatterns(Geometry(100, 40, 20, 20, -5, 0, systemMemory)).Patterns.empty());
    EXPECT_TRUE(LayoutPatterns(Geometry(0, 0, 20, 20, 0, 0, systemMemory)).Surfaces.empty());
  }
}

// A 24-bit picture of w x h whose pixels are all Color (0xBBGGRR).
TOwnedPtr<TPicture> SolidPicture(int w, int h, TColor Color = clWhite) {
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  dib->SetSize(w, h, 24);
  const std::uint32_t rgb = std::uint32_t(Color);
  const std::uint32_t value = (rgb & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF0000);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib->SetPixels(x, y, value);
  TOwnedPtr<TPicture> picture(new TPicture());
  picture->SetGraphic(dib.get());
  return picture;
}

class PictureItems : public ::testing::Test {
 protected:
  PictureItems() : items(new TPictureCollection(nullptr)) {}

  TPictureCollectionItem* Add(const std::string& name) {
    auto* item = static_cast<TPictureCollectionItem*>(items->Add());
    if (!name.empty()) item->SetName(name);
    return item;
  }

  TOwnedPtr<TPictureCollection> items;
};

TEST_F(PictureItems, SizesFollowThePatternSizeOrElseThePicture) {
  TPictureCollectionItem* item = Add("x");
  EXPECT_EQ(item->Width(), 0);
  EXPECT_EQ(item->Height(), 0);
  EXPECT_EQ(item->PatternCount(), 0);  // nothing to count, and no division by zero
  item->SetPicture(SolidPicture(250, 250).get());
  EXPECT_EQ(item->Width(), 250);
  EXPECT_EQ(item->Height(), 250);
  item->SetPatternWidth(50);
  item->SetPatternHeight(-3);
  EXPECT_EQ(item->Width(), 50);
  EXPECT_EQ(item->Height(), 250);
  EXPECT_EQ(item->PatternCount(), 5);
  EXPECT_FALSE(item->Initialized());
  EXPECT_EQ(item->SurfaceCount(), 0);
  EXPECT_EQ(item->PatternRects(0), TRect{});
  EXPECT_EQ(item->PatternSurfaces(0), nullptr);
}

TEST_F(PictureItems, PatternCountBeforeBuildingCountsTheCellsThatFit) {
  TPictureCollectionItem* item = Add("x");
  item->SetPicture(SolidPicture(100, 40).get());
  item->SetPatternWidth(20);
  item->SetPatternHeight(20);
  EXPECT_EQ(item->PatternCount(), 10);
  item->SetSkipWidth(5);
  EXPECT_EQ(item->PatternCount(), 8);  // 100 - 4 * 25 = 0 is not 20: no extra column
  EXPECT_EQ(item->PatternWidth(), 20);
  item->SetPicture(SolidPicture(95, 40).get());
  EXPECT_EQ(item->PatternCount(), 8);  // 95 - 3 * 25 = 20: the fourth fits without its skip
  // Counting asks nothing of the stored settings: a pattern size of 0 stays 0.
  item->SetPatternWidth(0);
  item->SetSkipWidth(0);
  EXPECT_EQ(item->PatternCount(), 2);
  EXPECT_EQ(item->PatternWidth(), 0);
  item->SetPicture(SolidPicture(30, 40).get());
  EXPECT_EQ(item->Width(), 30);  // follows the new picture
  item->SetSkipWidth(-30);
  EXPECT_EQ(item->PatternCount(), 0);
}

TEST_F(PictureItems, FindAnswersTheItemNamedLastAmongEqualNames) {
  Add("Bakgrund");
  Add("Ledig");
  TPictureCollectionItem* last = Add("ledig");
  Add("");
  EXPECT_EQ(items->Find("LEDIG"), last);
  EXPECT_EQ(items->IndexOf("Ledig"), 2);
  EXPECT_EQ(items->IndexOf(""), 3);
  try {
    items->Find("Boss");
    ADD_FAILURE() << "no error for a missing name";
  } catch (const EPictureCollectionError& e) {
    EXPECT_STREQ(e.what(), "Image 'Boss' not found");
  }
  EXPECT_THROW(items->Items(4), EListError);
}

TEST_F(PictureItems, InitializingWithoutARunningDeviceFailsAndLeavesItemsFinalized) {
  Add("a")->SetPicture(SolidPicture(4, 4).get());
  try {
    items->Initialize(nullptr);
    ADD_FAILURE() << "initialised without a device";
  } catch (const EPictureCollectionError& e) {
    EXPECT_STREQ(e.what(), "TPictureCollection cannot be initialized");
  }
  EXPECT_FALSE(items->Initialized());
  EXPECT_FALSE(items->Items(0)->Initialized());
  // Restoring an item without a running device builds nothing.
  items->Restore();
  EXPECT_EQ(items->Items(0)->SurfaceCount(), 0);
}

TEST_F(PictureItems, CopiesTakeSettingsAndPictureButNotTheName) {
  TPictureCollectionItem* a = Add("Kanin");
  a->SetPicture(SolidPicture(60, 20, clYellow).get());
  a->SetPatternWidth(20);
  a->SetPatternHeight(10);
  a->SetSkipWidth(1);
  a->SetSkipHeight(2);
  a->SetSystemMemory(true);
  a->SetTransparent(false);
  a->SetTransparentColor(clAqua);
  TPictureCollectionItem* b = Add("Gris");
  b->Assign(a);
  EXPECT_EQ(b->Name(), "Gris");
  EXPECT_EQ(b->PatternWidth(), 20);
  EXPECT_EQ(b->PatternHeight(), 10);
  EXPECT_EQ(b->SkipWidth(), 1);
  EXPECT_EQ(b->SkipHeight(), 2);
  EXPECT_TRUE(b->SystemMemory());
  EXPECT_FALSE(b->Transparent());
  EXPECT_EQ(b->TransparentColor(), clAqua);
  auto* dib = dynamic_cast<TDIB*>(b->Picture()->Graphic());
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib->Width(), 60);
  EXPECT_EQ(dib->Pixels(5, 5), 0x00FFFFu);  // red 255 + green 255 * 256

  // A copied collection keeps its pictures findable by name.
  TOwnedPtr<TPictureCollection> copy(new TPictureCollection(nullptr));
  copy->Assign(items.get());
  ASSERT_EQ(copy->Count(), 2);
  EXPECT_EQ(copy->IndexOf("kanin"), 0);
  EXPECT_EQ(copy->IndexOf("GRIS"), 1);
  EXPECT_EQ(copy->Items(1)->SkipHeight(), 2);
}

// The stored description writes the settings in table order; the skips only when set.
TEST(PictureItemTable, SettingsArePublishedInStoredOrder) {
  std::vector<std::string> names;
  for (const TPropInfo* p : TPictureCollectionItem::ClassInfo.AllProperties()) {
    std::string entry = p->Name;
    if (p->Default) entry.append("=").append(std::to_string(*p->Default));
    names.push_back(entry);
  }
  const std::vector<std::string> expected = {"Name",         "PatternHeight", "PatternWidth",
                                             "Picture",      "SkipHeight=0",  "SkipWidth=0",
                                             "SystemMemory", "Transparent",   "TransparentColor"};
  EXPECT_EQ(names, expected);
}

// A filer that keeps what the object offers.
class CapturingFiler : public TFiler {
 public:
  void DefineProperty(const std::string& Name, TReaderProc, TWriterProc, bool) override {
    names.push_back(Name);
  }
  void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override {
    names.push_back(Name);
    read = ReadData;
    write = WriteData;
    hasData = HasData;
  }
  std::vector<std::string> names;
  TStreamProc read, write;
  bool hasData = false;
};

TEST_F(PictureItems, TheColorTableIsStoredAsItsThousandAndTwentyFourBytes) {
  CapturingFiler filer;
  items->DefineStoredProperties(filer);
  ASSERT_EQ(filer.names, std::vector<std::string>{"ColorTable"});
  EXPECT_TRUE(filer.hasData);  // always written, even all zero

  std::vector<std::uint8_t> bytes(1024);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i * 7 + 3);
  TOwnedPtr<TMemoryStream> in(new TMemoryStream());
  in->WriteBuffer(bytes.data(), 1024);
  in->SetPosition(0);
  filer.read(*in);
  EXPECT_EQ(in->Position(), 1024);
  EXPECT_EQ(items->ColorTable[1].rgbBlue, bytes[4]);
  EXPECT_EQ(items->ColorTable[1].rgbGreen, bytes[5]);
  EXPECT_EQ(items->ColorTable[1].rgbRed, bytes[6]);
  EXPECT_EQ(items->ColorTable[255].rgbReserved, bytes[1023]);

  TOwnedPtr<TMemoryStream> out(new TMemoryStream());
  filer.write(*out);
  ASSERT_EQ(out->Size(), 1024);
  EXPECT_EQ(std::memcmp(out->Memory(), bytes.data(), 1024), 0);

  // A value cut short fails and leaves the table as it was.
  TOwnedPtr<TMemoryStream> shortValue(new TMemoryStream());
  shortValue->WriteBuffer(bytes.data(), 1000);
  shortValue->SetPosition(0);
  const TRGBQuads before = items->ColorTable;
  EXPECT_THROW(filer.read(*shortValue), EReadError);
  EXPECT_TRUE(items->ColorTable == before);
}

// An 8-bit picture whose colour table holds the given colours (0xRRGGBB) and black after them.
TOwnedPtr<TPicture> IndexedPicture(const std::vector<std::uint32_t>& colors) {
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  dib->ColorTable = {};
  for (std::size_t i = 0; i < colors.size(); ++i)
    dib->ColorTable[i] = RGBQUAD{BYTE(colors[i]), BYTE(colors[i] >> 8), BYTE(colors[i] >> 16), 0};
  dib->SetSize(2, 2, 8);
  TOwnedPtr<TPicture> picture(new TPicture());
  picture->SetGraphic(dib.get());
  return picture;
}

std::uint32_t Rgb(const RGBQUAD& q) {
  return std::uint32_t(q.rgbRed) << 16 | std::uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
}

TEST_F(PictureItems, TheColorTableTakesTheFixedColoursThenEachNewPictureColourOnce) {
  Add("empty");
  // Red 255 is one of the fixed colours, 0x123456 comes twice.
  Add("a")->SetPicture(IndexedPicture({0xFF0000, 0x123456, 0x123456, 0x010203}).get());
  Add("b")->SetPicture(IndexedPicture({0x010203, 0xABCDEF}).get());
  items->MakeColorTable();
  const std::pair<int, std::uint32_t> fixed[] = {
      {0, 0x000000},   {1, 0x800000},   {2, 0x008000},   {3, 0x808000},
      {4, 0x000080},   {5, 0x800080},   {6, 0x008080},   {7, 0xC0C0C0},
      {248, 0x808080}, {249, 0xFF0000}, {250, 0x00FF00}, {251, 0xFFFF00},
      {252, 0x0000FF}, {253, 0xFF00FF}, {254, 0x00FFFF}, {255, 0xFFFFFF}};
  for (auto [index, rgb] : fixed) EXPECT_EQ(Rgb(items->ColorTable[std::size_t(index)]), rgb);
  EXPECT_EQ(Rgb(items->ColorTable[8]), 0x123456u);
  EXPECT_EQ(Rgb(items->ColorTable[9]), 0x010203u);
  EXPECT_EQ(Rgb(items->ColorTable[10]), 0xABCDEFu);
  for (int i = 11; i < 248; ++i) EXPECT_EQ(Rgb(items->ColorTable[std::size_t(i)]), 0u) << i;
}

TEST_F(PictureItems, TheColorTableStopsWhenFull) {
  std::vector<std::uint32_t> many;
  for (std::uint32_t i = 0; i < 256; ++i) many.push_back(0x100000 + i * 0x10101);
  Add("a")->SetPicture(IndexedPicture(many).get());
  Add("b")->SetPicture(IndexedPicture({0x777777}).get());
  items->MakeColorTable();
  // 240 free places, taken by the first 240 colours of the first picture in order.
  for (int i = 8; i < 248; ++i)
    EXPECT_EQ(Rgb(items->ColorTable[std::size_t(i)]), many[std::size_t(i - 8)]) << i;
  for (const RGBQUAD& q : items->ColorTable) EXPECT_NE(Rgb(q), 0x777777u);
}

// Drawing needs surfaces; before the device runs there are none and nothing is drawn.
TEST_F(PictureItems, DrawingBeforeTheDeviceRunsLeavesTheTargetAlone) {
  platform::headless::Install();
  ddraw::RegisterService();
  {
    TOwnedPtr<TDirectDraw> dd(Construct<TDirectDraw>(nullptr, false));
    auto* target = Construct<TDirectDrawSurface>(dd.get());
    target->SetSize(16, 16);
    target->Fill(0);
    TPictureCollectionItem* item = Add("white");
    item->SetPicture(SolidPicture(8, 8).get());
    item->Draw(target, 0, 0, 0);
    item->Draw(nullptr, 0, 0, 0);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) ASSERT_EQ(target->GetPixel(x, y), 0u);
  }
  platform::UninstallBackend();
}

}  // namespace
