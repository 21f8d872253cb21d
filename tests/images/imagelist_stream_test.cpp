// The image list in component streams: a stored list with its colour table and its items'
// settings and pictures, reached by dotted property paths, and the collection saved as a
// component resource and loaded back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "assets/writer.h"
#include "images/imagelist.h"
#include "picture/dib.h"
#include "toolkit/streams.h"

namespace {

// A 24-bit w x h picture whose pixel (x, y) is 0x010203 * (x + 10 * y + 1).
TOwnedPtr<TPicture> Numbered(int w, int h) {
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  dib->SetSize(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib->SetPixels(x, y, 0x010203u * std::uint32_t(x + 10 * y + 1));
  TOwnedPtr<TPicture> picture(new TPicture());
  picture->SetGraphic(dib.get());
  return picture;
}

void ExpectNumbered(TPicture* picture, int w, int h) {
  auto* dib = dynamic_cast<TDIB*>(picture->Graphic());
  ASSERT_NE(dib, nullptr);
  ASSERT_EQ(dib->Width(), w);
  ASSERT_EQ(dib->Height(), h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(dib->Pixels(x, y), 0x010203u * std::uint32_t(x + 10 * y + 1)) << x << ", " << y;
}

TEST(ImageListStream, AStoredListReadsItsColourTableItemsAndPictures) {
  TOwnedPtr<TPicture> picture = Numbered(5, 3);
  TOwnedPtr<TMemoryStream> data(new TMemoryStream());
  picture->WriteData(*data);
  std::vector<std::uint8_t> table(1024);
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = std::uint8_t(255 - i % 251);

  TOwnedPtr<TMemoryStream> stream(new TMemoryStream());
  {
    TComponentWriter w(*stream);
    w.WriteRaw("TPF0", 4);
    w.WriteShortString("TDXImageList");
    w.WriteShortString("ImageList");
    w.WriteShortString("Items.ColorTable");
    w.WriteBinary(table.data(), 1024);
    w.WriteShortString("Items");
    w.WriteValue(vaCollection);
    for (const char* name : {"Ledig", "Kanin", "Ledig"}) {
      w.WriteListBegin();
      w.WriteShortString("Name");
      w.WriteString(name);
      if (std::string(name) == "Kanin") {
        w.WriteShortString("PatternHeight");
        w.WriteInteger(0);
        w.WriteShortString("PatternWidth");
        w.WriteInteger(0);
        w.WriteShortString("Picture.Data");
        w.WriteBinary(data->Memory(), std::uint32_t(data->Size()));
        w.WriteShortString("SystemMemory");
        w.WriteBoolean(true);
        w.WriteShortString("Transparent");
        w.WriteBoolean(false);
        w.WriteShortString("TransparentColor");
        w.WriteIdent("clWhite");
      }
      w.WriteListEnd();
    }
    w.WriteListEnd();  // the collection
    w.WriteListEnd();  // the properties
    w.WriteListEnd();  // the children
    w.FlushBuffer();
  }
  stream->SetPosition(0);
  TOwnedPtr<TDXImageList> list(Construct<TDXImageList>(nullptr));
  stream->ReadComponent(list.get());

  TPictureCollection* items = list->Items();
  ASSERT_EQ(items->Count(), 3);
  EXPECT_EQ(std::memcmp(items->ColorTable.data(), table.data(), 1024), 0);
  // Written again as a component and read back, the list keeps its table.
  TOwnedPtr<TMemoryStream> again(new TMemoryStream());
  again->WriteComponent(list.get());
  again->SetPosition(0);
  TOwnedPtr<TDXImageList> copy(Construct<TDXImageList>(nullptr));
  again->ReadComponent(copy.get());
  EXPECT_EQ(std::memcmp(copy->Items()->ColorTable.data(), table.data(), 1024), 0);
  EXPECT_EQ(copy->Items()->Count(), 3);
  EXPECT_EQ(items->IndexOf("LEDIG"), 2);
  TPictureCollectionItem* kanin = items->Find("kanin");
  EXPECT_EQ(kanin->Index(), 1);
  EXPECT_TRUE(kanin->SystemMemory());
  EXPECT_FALSE(kanin->Transparent());
  EXPECT_EQ(kanin->TransparentColor(), clWhite);
  ExpectNumbered(kanin->Picture(), 5, 3);
  EXPECT_EQ(kanin->Width(), 5);
  EXPECT_EQ(items->Items(0)->Width(), 0);
  EXPECT_TRUE(items->Items(0)->Transparent());
}

TEST(ImageListStream, ACollectionSavedAsAComponentResourceLoadsBackWhole) {
  TOwnedPtr<TPictureCollection> items(new TPictureCollection(nullptr));
  auto* a = static_cast<TPictureCollectionItem*>(items->Add());
  a->SetName("Kanin");
  a->SetPicture(Numbered(6, 4).get());
  a->SetPatternWidth(3);
  a->SetPatternHeight(2);
  a->SetSkipWidth(1);
  a->SetTransparentColor(clAqua);
  auto* b = static_cast<TPictureCollectionItem*>(items->Add());
  b->SetTransparent(false);
  for (std::size_t i = 0; i < items->ColorTable.size(); ++i)
    items->ColorTable[i] = RGBQUAD{BYTE(3 * i), BYTE(i ^ 0x5A), BYTE(255 - i), BYTE(i % 7)};

  TOwnedPtr<TMemoryStream> stream(new TMemoryStream());
  items->SaveToStream(*stream);
  // The table goes as the collection's own stored property, its 1024 bytes as they are.
  const std::string saved(reinterpret_cast<const char*>(stream->Memory()),
                          static_cast<std::size_t>(stream->Size()));
  const std::string name = "\x10Items.ColorTable";
  const std::size_t at = saved.find(name);
  ASSERT_NE(at, std::string::npos);
  ASSERT_LE(at + name.size() + 5 + 1024, saved.size());
  EXPECT_EQ(saved[at + name.size()], char(vaBinary));
  EXPECT_EQ(saved.substr(at + name.size() + 1, 4), std::string("\0\4\0\0", 4));
  EXPECT_EQ(std::memcmp(saved.data() + at + name.size() + 5, items->ColorTable.data(), 1024), 0);
  stream->SetPosition(0);
  TOwnedPtr<TPictureCollection> loaded(new TPictureCollection(nullptr));
  static_cast<TPictureCollectionItem*>(loaded->Add())->SetName("replaced");
  loaded->ColorTable[9] = RGBQUAD{1, 2, 3, 4};
  loaded->LoadFromStream(*stream);

  EXPECT_TRUE(loaded->ColorTable == items->ColorTable);
  ASSERT_EQ(loaded->Count(), 2);
  EXPECT_EQ(loaded->IndexOf("replaced"), -1);
  TPictureCollectionItem* k = loaded->Find("KANIN");
  EXPECT_EQ(k->PatternWidth(), 3);
  EXPECT_EQ(k->PatternHeight(), 2);
  EXPECT_EQ(k->SkipWidth(), 1);
  EXPECT_EQ(k->SkipHeight(), 0);
  EXPECT_EQ(k->TransparentColor(), clAqua);
  ExpectNumbered(k->Picture(), 6, 4);
  EXPECT_EQ(loaded->Items(1)->Name(), "");
  EXPECT_FALSE(loaded->Items(1)->Transparent());
  EXPECT_EQ(loaded->Items(1)->Picture()->Graphic(), nullptr);
}

TEST(ImageListStream, ACollectionWhosePictureDeclaresMoreThanItHoldsFailsToLoad) {
  // A 2 x 2 run-length picture saved in a collection, then made to declare 46340 x 46340.
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  dib->SetSize(2, 2, 8);
  dib->SetPixels(1, 1, 5);
  dib->Compress();
  TOwnedPtr<TPicture> picture(new TPicture());
  picture->SetGraphic(dib.get());
  TOwnedPtr<TPictureCollection> items(new TPictureCollection(nullptr));
  auto* item = static_cast<TPictureCollectionItem*>(items->Add());
  item->SetName("Huge");
  item->SetPicture(picture.get());
  TOwnedPtr<TMemoryStream> stream(new TMemoryStream());
  items->SaveToStream(*stream);
  std::vector<std::uint8_t> bytes(stream->Memory(), stream->Memory() + stream->Size());
  const std::uint8_t header[] = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0};
  const auto at = std::search(bytes.begin(), bytes.end(), std::begin(header), std::end(header));
  ASSERT_NE(at, bytes.end());
  const auto load = [](const std::vector<std::uint8_t>& data, TPictureCollection& into) {
    TOwnedPtr<TMemoryStream> s(new TMemoryStream());
    s->WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    s->SetPosition(0);
    into.LoadFromStream(*s);
  };
  TOwnedPtr<TPictureCollection> loaded(new TPictureCollection(nullptr));
  load(bytes, *loaded);
  ASSERT_EQ(loaded->Count(), 1);
  EXPECT_EQ(loaded->Find("Huge")->Picture()->Width(), 2);

  for (std::size_t i : {4u, 8u}) {
    at[i] = 46340 & 0xFF;
    at[i + 1] = 46340 >> 8;
  }
  ASSERT_LT(bytes.size(), 2600u);  // the collection's 1024-byte colour table among them
  try {
    load(bytes, *loaded);
    ADD_FAILURE() << "nothing raised";
  } catch (const EReadError& e) {
    // The stream reader names the property the picture's own error came from.
    EXPECT_EQ(e.Message(), "Error reading TPictureCollectionItem.Picture.Data: DIB is invalid");
  }
}

}  // namespace
