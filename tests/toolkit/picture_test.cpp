// The picture container and the registry of graphic kinds it reads by.
#include <gtest/gtest.h>

#include "tests/support/raises.h"
#include "toolkit/graphics_picture.h"
#include "toolkit/streams.h"
#include "toolkit/sysutils.h"

namespace {

// A graphic whose data is one byte: its width.
class TByteGraphic : public TGraphic {
  DECLARE_CLASSINFO(TByteGraphic);
  void Assign(const TPersistent* Source) override {
    if (Source && Source->Is<TByteGraphic>()) {
      FWidth = static_cast<const TByteGraphic*>(Source)->FWidth;
      Changed();
    } else {
      TGraphic::Assign(Source);
    }
  }
  void Draw(TCanvas&, const TRect&) override {}
  bool Empty() const override { return FWidth == 0; }
  std::int32_t Height() const override { return 1; }
  std::int32_t Width() const override { return FWidth; }
  void SetHeight(std::int32_t) override {}
  void SetWidth(std::int32_t Value) override {
    FWidth = Value;
    Changed();
  }
  void LoadFromStream(TStream& Stream) override {
    std::uint8_t b = 0;
    Stream.ReadBuffer(&b, 1);
    FWidth = b;
  }
  void SaveToStream(TStream& Stream) override {
    const auto b = static_cast<std::uint8_t>(FWidth);
    Stream.WriteBuffer(&b, 1);
  }

 private:
  std::int32_t FWidth = 0;
};
IMPLEMENT_CLASS(TByteGraphic, TGraphic)

class Picture : public ::testing::Test {
 protected:
  void SetUp() override { RegisterGraphicClass<TByteGraphic>("byt", "Byte picture"); }
  void TearDown() override { UnregisterGraphicClass(&TByteGraphic::ClassInfo); }

  static TOwnedPtr<TMemoryStream> Stream(std::initializer_list<std::uint8_t> bytes) {
    TOwnedPtr<TMemoryStream> s(Construct<TMemoryStream>());
    for (std::uint8_t b : bytes) s->WriteBuffer(&b, 1);
    s->SetPosition(0);
    return s;
  }
};

TEST_F(Picture, AssignCopiesTheGraphicAndTheLastRegistrationWins) {
  TOwnedPtr<TByteGraphic> graphic(Construct<TByteGraphic>());
  graphic->SetWidth(4);
  TOwnedPtr<TPicture> a(Construct<TPicture>());
  a->SetGraphic(graphic.get());
  ASSERT_NE(a->Graphic(), graphic.get());  // a copy of its own
  EXPECT_EQ(a->Width(), 4);
  TOwnedPtr<TPicture> b(Construct<TPicture>());
  b->Assign(a.get());
  EXPECT_EQ(b->Width(), 4);
  b->Assign(nullptr);
  EXPECT_EQ(b->Graphic(), nullptr);

  RegisterGraphicClass<TByteGraphic>("b2", "Again");
  EXPECT_EQ(FindGraphicKind("TByteGraphic")->Extension, "b2");
  EXPECT_EQ(FindGraphicKindByExtension("BYT")->Description, "Byte picture");
  UnregisterGraphicClass(&TByteGraphic::ClassInfo);
  EXPECT_EQ(FindGraphicKind("TByteGraphic"), nullptr);
}

// A filer that keeps what an object offers and can hand a stream to its binary reader.
struct OfferedData : TFiler {
  std::string Name;
  TStreamProc Read, Write;
  bool HasData = false;
  void DefineProperty(const std::string&, TReaderProc, TWriterProc, bool) override {}
  void DefineBinaryProperty(const std::string& AName, TStreamProc ReadData, TStreamProc WriteData,
                            bool AHasData) override {
    Name = AName;
    Read = ReadData;
    Write = WriteData;
    HasData = AHasData;
  }
};

TEST_F(Picture, DataIsADefinedBinaryPropertyStoredOnlyWithAGraphic) {
  TOwnedPtr<TPicture> picture(Construct<TPicture>());
  OfferedData empty;
  picture->DefineStoredProperties(empty);
  EXPECT_EQ(empty.Name, "Data");
  EXPECT_FALSE(empty.HasData);
  auto in = Stream({12, 'T', 'B', 'y', 't', 'e', 'G', 'r', 'a', 'p', 'h', 'i', 'c', 5});
  empty.Read(*in);  // what the component-stream reader does with the stored value
  EXPECT_EQ(picture->Width(), 5);

  OfferedData full;
  picture->DefineStoredProperties(full);
  EXPECT_TRUE(full.HasData);
  TOwnedPtr<TMemoryStream> out(Construct<TMemoryStream>());
  full.Write(*out);
  EXPECT_EQ(out->Size(), 14);

  // A graphic offers its own data under the same name.
  OfferedData graphic;
  picture->Graphic()->DefineStoredProperties(graphic);
  EXPECT_EQ(graphic.Name, "Data");
  EXPECT_TRUE(graphic.HasData);
}

}  // namespace
