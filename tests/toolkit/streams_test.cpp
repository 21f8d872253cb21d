// Streams: the memory stream's reads, writes, seeks and growth, exact reads and copies, and
// read-only streams over stored resources.
#include "toolkit/streams.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "tests/support/byte_pattern.h"
#include "tests/support/raises.h"
#include "toolkit/sysutils.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Content(TMemoryStream& s) { return Bytes(s.Memory(), s.Memory() + s.Size()); }

using Stream = TOwnedPtr<TMemoryStream>;
Stream MakeStream() { return Stream(Construct<TMemoryStream>()); }

// ---- memory streams ----

TEST(MemoryStream, WhatIsWrittenReadsBack) {
  auto s = MakeStream();
  const Bytes data = Pattern(100);

  EXPECT_EQ(s->Write(data.data(), 100), 100);
  EXPECT_EQ(s->Size(), 100);
  EXPECT_EQ(s->Position(), 100);

  s->SetPosition(0);
  Bytes back(100);
  EXPECT_EQ(s->Read(back.data(), 100), 100);
  EXPECT_EQ(back, data);
  EXPECT_EQ(s->Position(), 100);
}

TEST(MemoryStream, SeekFromEachOrigin) {
  auto s = MakeStream();
  const Bytes data = Pattern(50);
  s->WriteBuffer(data.data(), 50);

  EXPECT_EQ(s->Seek(10, soBeginning), 10);
  EXPECT_EQ(s->Seek(5, soCurrent), 15);
  EXPECT_EQ(s->Seek(-3, soCurrent), 12);
  EXPECT_EQ(s->Seek(-8, soEnd), 42);
  std::uint8_t byte = 0;
  s->ReadBuffer(&byte, 1);
  EXPECT_EQ(byte, data[42]);
}

TEST(MemoryStream, PositionNeverGoesBeforeTheStart) {
  auto s = MakeStream();
  const Bytes data = Pattern(10);
  s->WriteBuffer(data.data(), 10);

  EXPECT_EQ(s->Seek(-20, soEnd), 0);
  EXPECT_EQ(s->Seek(-1, soBeginning), 0);
  s->SetPosition(4);
  EXPECT_EQ(s->Seek(-5, soCurrent), 0);
}

TEST(MemoryStream, WritingOverTheMiddleReplacesWithoutGrowing) {
  auto s = MakeStream();
  Bytes expected = Pattern(20);
  s->WriteBuffer(expected.data(), 20);
  const Bytes patch = Pattern(4, 99);

  s->SetPosition(8);
  s->WriteBuffer(patch.data(), 4);

  std::copy(patch.begin(), patch.end(), expected.begin() + 8);
  EXPECT_EQ(s->Size(), 20);
  EXPECT_EQ(s->Position(), 12);
  EXPECT_EQ(Content(*s), expected);
}

TEST(MemoryStream, GrowsAsItIsWrittenAcrossManyWrites) {
  auto s = MakeStream();
  const Bytes data = Pattern(300000);
  std::size_t at = 0;
  std::size_t piece = 1;
  while (at < data.size()) {
    const std::size_t n = std::min(piece, data.size() - at);
    s->WriteBuffer(data.data() + at, static_cast<std::int64_t>(n));
    at += n;
    piece = piece * 3 + 1;
  }

  EXPECT_EQ(s->Size(), 300000);
  EXPECT_EQ(Content(*s), data);
}

TEST(MemoryStream, WritingPastTheEndGrowsToTheEndOfTheWrite) {
  auto s = MakeStream();
  const Bytes head = Pattern(5);
  s->WriteBuffer(head.data(), 5);
  const Bytes tail = Pattern(3, 11);

  s->Seek(10, soBeginning);
  s->WriteBuffer(tail.data(), 3);

  ASSERT_EQ(s->Size(), 13);
  const Bytes all = Content(*s);
  EXPECT_EQ(Bytes(all.begin(), all.begin() + 5), head);
  EXPECT_EQ(Bytes(all.begin() + 10, all.end()), tail);
}

TEST(MemoryStream, SetSizeShrinksAndGrowsAndKeepsThePositionInside) {
  auto s = MakeStream();
  const Bytes data = Pattern(40);
  s->WriteBuffer(data.data(), 40);

  s->SetPosition(30);
  s->SetSize(16);
  EXPECT_EQ(s->Size(), 16);
  EXPECT_LE(s->Position(), 16);
  EXPECT_EQ(Content(*s), Bytes(data.begin(), data.begin() + 16));

  s->SetPosition(8);
  s->SetSize(64);
  EXPECT_EQ(s->Size(), 64);
  EXPECT_EQ(s->Position(), 8);
  const Bytes grown = Content(*s);
  EXPECT_EQ(Bytes(grown.begin(), grown.begin() + 16), Bytes(data.begin(), data.begin() + 16));

  s->Clear();
  EXPECT_EQ(s->Size(), 0);
  EXPECT_EQ(s->Position(), 0);
}

TEST(MemoryStream, ReadAnswersOnlyWhatRemains) {
  auto s = MakeStream();
  const Bytes data = Pattern(10);
  s->WriteBuffer(data.data(), 10);
  s->SetPosition(7);

  Bytes back(8, 0);
  EXPECT_EQ(s->Read(back.data(), 8), 3);
  EXPECT_EQ(Bytes(back.begin(), back.begin() + 3), Bytes(data.begin() + 7, data.end()));
  EXPECT_EQ(s->Read(back.data(), 8), 0);
  s->Seek(5, soEnd);
  EXPECT_EQ(s->Read(back.data(), 1), 0);
}

TEST(MemoryStream, ReadBufferOfMoreThanRemainsRaisesReadError) {
  auto s = MakeStream();
  const Bytes data = Pattern(10);
  s->WriteBuffer(data.data(), 10);
  s->SetPosition(4);
  Bytes back(7);

  EXPECT_EQ(MessageOf<EReadError>([&] { s->ReadBuffer(back.data(), 7); }), "Stream read error");
}

TEST(MemoryStream, ReadBufferThatEndsExactlyAtTheEndSucceeds) {
  auto s = MakeStream();
  const Bytes data = Pattern(10);
  s->WriteBuffer(data.data(), 10);
  s->SetPosition(4);
  Bytes back(6);

  EXPECT_NO_THROW(s->ReadBuffer(back.data(), 6));
  EXPECT_EQ(back, Bytes(data.begin() + 4, data.end()));
  EXPECT_NO_THROW(s->ReadBuffer(back.data(), 0));
}

TEST(MemoryStream, ReadErrorIsAStreamError) {
  auto s = MakeStream();
  std::uint8_t byte = 0;
  EXPECT_THROW(s->ReadBuffer(&byte, 1), EStreamError);
}

TEST(MemoryStream, CopyFromWithZeroCopiesTheWholeSourceFromItsStart) {
  auto source = MakeStream();
  const Bytes data = Pattern(200000);  // more than one block of copying
  source->WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
  source->SetPosition(12345);
  auto dest = MakeStream();
  const Bytes prefix = Pattern(3, 5);
  dest->WriteBuffer(prefix.data(), 3);

  EXPECT_EQ(dest->CopyFrom(*source, 0), 200000);

  Bytes expected = prefix;
  expected.insert(expected.end(), data.begin(), data.end());
  EXPECT_EQ(Content(*dest), expected);
}

TEST(MemoryStream, CopyFromWithACountCopiesFromTheSourcesPosition) {
  auto source = MakeStream();
  const Bytes data = Pattern(100);
  source->WriteBuffer(data.data(), 100);
  source->SetPosition(30);
  auto dest = MakeStream();

  EXPECT_EQ(dest->CopyFrom(*source, 25), 25);

  EXPECT_EQ(Content(*dest), Bytes(data.begin() + 30, data.begin() + 55));
  EXPECT_EQ(source->Position(), 55);
}

TEST(MemoryStream, CopyFromMoreThanTheSourceHoldsRaisesReadError) {
  auto source = MakeStream();
  const Bytes data = Pattern(10);
  source->WriteBuffer(data.data(), 10);
  source->SetPosition(0);
  auto dest = MakeStream();

  EXPECT_THROW(dest->CopyFrom(*source, 11), EReadError);
}

TEST(MemoryStream, CopyFromAnEmptySourceCopiesNothing) {
  auto source = MakeStream();
  auto dest = MakeStream();
  EXPECT_EQ(dest->CopyFrom(*source, 0), 0);
  EXPECT_EQ(dest->Size(), 0);
}

TEST(MemoryStream, LoadFromStreamReplacesTheContentAndRewinds) {
  auto source = MakeStream();
  const Bytes data = Pattern(64);
  source->WriteBuffer(data.data(), 64);
  auto dest = MakeStream();
  const Bytes old = Pattern(100, 3);
  dest->WriteBuffer(old.data(), 100);

  dest->LoadFromStream(*source);

  EXPECT_EQ(Content(*dest), data);
  EXPECT_EQ(dest->Position(), 0);
}

TEST(MemoryStream, SaveToStreamWritesTheWholeContent) {
  auto source = MakeStream();
  const Bytes data = Pattern(64);
  source->WriteBuffer(data.data(), 64);
  source->SetPosition(20);
  auto dest = MakeStream();

  source->SaveToStream(*dest);

  EXPECT_EQ(Content(*dest), data);
}

// ---- resource streams ----

const std::array<std::uint8_t, 6> kBlob = {0x00, 0xFF, 0x10, 0x7F, 0x80, 0x01};

class ResourceStream : public ::testing::Test {
 protected:
  void SetUp() override { RegisterResource("StreamTestBlob", RT_RCDATA, kBlob); }
};

TEST_F(ResourceStream, RegisteredResourceReadsBackByteForByte) {
  TResourceStream s("StreamTestBlob", RT_RCDATA);

  EXPECT_EQ(s.Size(), static_cast<std::int64_t>(kBlob.size()));
  Bytes back(kBlob.size());
  s.ReadBuffer(back.data(), static_cast<std::int64_t>(back.size()));
  EXPECT_EQ(back, Bytes(kBlob.begin(), kBlob.end()));
  std::uint8_t more = 0;
  EXPECT_THROW(s.ReadBuffer(&more, 1), EReadError);
}

TEST_F(ResourceStream, LookupIgnoresCase) {
  TResourceStream upper("STREAMTESTBLOB", RT_RCDATA);
  TResourceStream lower("streamtestblob", RT_RCDATA);
  EXPECT_EQ(upper.Size(), static_cast<std::int64_t>(kBlob.size()));
  EXPECT_EQ(lower.Size(), static_cast<std::int64_t>(kBlob.size()));
  bool found = false;
  EXPECT_EQ(FindResourceData("StreamTESTBlob", RT_RCDATA, found).size(), kBlob.size());
  EXPECT_TRUE(found);
}

TEST_F(ResourceStream, MissingResourceRaisesResNotFound) {
  EXPECT_EQ(MessageOf<EResNotFound>([] { TResourceStream s("NOPE", RT_RCDATA); }),
            "Resource NOPE not found");
}

TEST_F(ResourceStream, ResourceOfAnotherTypeIsNotFound) {
  constexpr int kOtherType = RT_RCDATA + 1;
  EXPECT_THROW(TResourceStream("StreamTestBlob", kOtherType), EResNotFound);
  bool found = true;
  EXPECT_TRUE(FindResourceData("StreamTestBlob", kOtherType, found).empty());
  EXPECT_FALSE(found);
}

TEST_F(ResourceStream, WritingRaisesStreamError) {
  TResourceStream s("StreamTestBlob", RT_RCDATA);
  const std::uint8_t byte = 1;

  EXPECT_THROW(s.Write(&byte, 1), EStreamError);
  EXPECT_THROW(s.WriteBuffer(&byte, 1), EStreamError);
  s.SetPosition(0);
  std::uint8_t first = 0xAA;
  s.ReadBuffer(&first, 1);
  EXPECT_EQ(first, kBlob[0]);
}

TEST_F(ResourceStream, SeeksLikeAMemoryStream) {
  TResourceStream s("StreamTestBlob", RT_RCDATA);
  EXPECT_EQ(s.Seek(-2, soEnd), 4);
  std::uint8_t byte = 0;
  s.ReadBuffer(&byte, 1);
  EXPECT_EQ(byte, kBlob[4]);
}

TEST_F(ResourceStream, CopiesIntoAMemoryStream) {
  TResourceStream s("StreamTestBlob", RT_RCDATA);
  auto dest = MakeStream();
  dest->CopyFrom(s, 0);
  EXPECT_EQ(Content(*dest), Bytes(kBlob.begin(), kBlob.end()));
}

}  // namespace

TEST(MemoryStreamSelfCopy, WritingPartOfItsOwnMemoryPastTheEndKeepsTheBytes) {
  TOwnedPtr<TMemoryStream> s(new TMemoryStream());
  const std::uint8_t bytes[] = {1, 2, 3, 4};
  s->WriteBuffer(bytes, 4);
  for (int i = 0; i < 12; ++i) s->WriteBuffer(s->Memory(), s->Size());  // doubles each time
  ASSERT_EQ(s->Size(), 4 << 12);
  for (std::int64_t i = 0; i < s->Size(); ++i) ASSERT_EQ(s->Memory()[i], bytes[i % 4]) << i;
}
