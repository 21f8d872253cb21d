// Wave data: reading RIFF images chunk by chunk, every malformed image's error, the block rule
// of the sample memory, and writing an image that reads back.
#include "sound/wave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "platform/backend/headless/headless.h"
#include "platform/system/machine.h"
#include "sound/directsound.h"
#include "tests/sound/wave_images.h"
#include "tests/support/raises.h"

namespace {

using namespace wavetest;

TOwnedPtr<TMemoryStream> StreamOf(const Bytes& bytes) {
  TOwnedPtr<TMemoryStream> s(new TMemoryStream());
  if (!bytes.empty()) s->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  s->SetPosition(0);
  return s;
}

TOwnedPtr<TWave> Load(const Bytes& bytes) {
  TOwnedPtr<TWave> wave(new TWave());
  auto s = StreamOf(bytes);
  wave->LoadFromStream(*s);
  return wave;
}

Bytes FormatOf(const TWave& w) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(w.Format());
  return Bytes(p, p + w.FormatSize());
}

Bytes DataOf(const TWave& w) { return Bytes(w.Data(), w.Data() + w.Size()); }

TEST(WaveData, TheFirstStoredSoundsLayoutLoadsWithItsFormatAndSamples) {
  const Bytes format = FormatBody(22050, 8, 1, 18);
  const Bytes data = Sine8(700, 22050, 9506);
  const Bytes image = SimpleImage(format, data);
  ASSERT_EQ(image.size(), 9552u);
  ASSERT_EQ(image[4] | (image[5] << 8), 9544);

  auto wave = Load(image);
  EXPECT_EQ(wave->FormatSize(), 18);
  EXPECT_EQ(wave->Size(), 9506);
  EXPECT_EQ(FormatOf(*wave), format);
  EXPECT_EQ(DataOf(*wave), data);
  EXPECT_EQ(wave->Format()->nSamplesPerSec, 22050u);
  EXPECT_EQ(wave->Format()->wBitsPerSample, 8);
}

TEST(WaveData, FormatChunksKeepTheirStoredLength) {
  for (std::size_t size : {16u, 18u, 26u}) {
    const Bytes format = FormatBody(11025, 16, 2, size);
    auto wave = Load(SimpleImage(format, Constant16(5, 10, 2)));
    EXPECT_EQ(wave->FormatSize(), static_cast<int>(size));
    EXPECT_EQ(FormatOf(*wave), format) << size;
  }
}

TEST(WaveData, ChunksAreWalkedBackToBackWithoutPadBytes) {
  // An odd-length chunk is followed directly by the next header; a pad-skipping reader would
  // lose the "data" chunk's first byte of header and find nothing.
  const Bytes odd = {1, 2, 3};
  const Bytes data = {10, 20, 30, 40, 50};  // odd, last in the image, no pad
  auto wave = Load(Image({{"LIST", odd}, {"fmt ", FormatBody(8000, 8, 1)}, {"data", data}}));
  EXPECT_EQ(DataOf(*wave), data);
  EXPECT_EQ(wave->FormatSize(), 18);
}

TEST(WaveData, LaterChunksReplaceEarlierOnesAndMissingOnesLeaveZero) {
  const Bytes first = FormatBody(8000, 8, 1);
  const Bytes second = FormatBody(44100, 16, 2, 16);
  auto wave =
      Load(Image({{"fmt ", first}, {"data", {1, 2}}, {"fmt ", second}, {"data", {7, 8, 9}}}));
  EXPECT_EQ(FormatOf(*wave), second);
  EXPECT_EQ(DataOf(*wave), (Bytes{7, 8, 9}));

  auto noData = Load(Image({{"fmt ", first}}));
  EXPECT_EQ(noData->Size(), 0);
  EXPECT_EQ(noData->Data(), nullptr);
  EXPECT_EQ(FormatOf(*noData), first);

  auto noFormat = Load(Image({{"data", {4, 5}}}));
  EXPECT_EQ(noFormat->FormatSize(), 0);
  EXPECT_EQ(DataOf(*noFormat), (Bytes{4, 5}));
}

TEST(WaveData, TheRiffLengthDoesNotBoundTheWalk) {
  auto wave = Load(Image({{"fmt ", FormatBody(8000, 8, 1)}, {"data", {1, 2, 3}}}, 4));
  EXPECT_EQ(wave->Size(), 3);
}

TEST(WaveData, TheImageBeginsAtTheStreamsPosition) {
  Bytes bytes = {0xEE, 0xEE, 0xEE};
  const Bytes image = SimpleImage(FormatBody(8000, 8, 1), {9, 8, 7});
  bytes.insert(bytes.end(), image.begin(), image.end());
  auto s = StreamOf(bytes);
  s->SetPosition(3);
  TOwnedPtr<TWave> wave(new TWave());
  wave->LoadFromStream(*s);
  EXPECT_EQ(DataOf(*wave), (Bytes{9, 8, 7}));
}

TEST(WaveData, MalformedImagesFailWithTheirDocumentedErrors) {
  const Bytes good = SimpleImage(FormatBody(8000, 8, 1), {1, 2, 3, 4});
  const auto readError = [](const Bytes& b) { return MessageOf<EReadError>([&] { Load(b); }); };
  const auto waveError = [](const Bytes& b) {
    return MessageOf<EWaveStreamError>([&] { Load(b); });
  };
  EXPECT_EQ(readError({}), "Stream read error");
  EXPECT_EQ(readError(Bytes(good.begin(), good.begin() + 11)), "Stream read error");

  Bytes notRiff = good;
  notRiff[0] = 'X';
  EXPECT_EQ(waveError(notRiff), "Wave is invalid");
  Bytes notWave = good;
  notWave[11] = 'X';
  EXPECT_EQ(waveError(notWave), "Wave is invalid");

  // Declared longer than what remains.
  EXPECT_EQ(readError(Image({{"fmt ", FormatBody(8000, 8, 1), 400}})), "Stream read error");
  EXPECT_EQ(readError(Image({{"fmt ", FormatBody(8000, 8, 1)}, {"data", {1, 2}, 3}})),
            "Stream read error");
  EXPECT_EQ(readError(Image({{"fmt ", FormatBody(8000, 8, 1)}, {"data", {1, 2}, 0xFFFFFFF0}})),
            "Stream read error");
  // Cut in the middle of the samples.
  EXPECT_EQ(readError(Bytes(good.begin(), good.end() - 1)), "Stream read error");
}

// A format chunk must hold every field of its tag: PCM ends after wBitsPerSample (16 bytes);
// any other tag has a cbSize (18 bytes) and the extra bytes that cbSize declares. A shorter
// one is an invalid wave, so no reader of the format ever reads past its end.
TEST(WaveData, AFormatTooShortForItsTagIsAnInvalidWave) {
  const auto waveError = [](const Bytes& b) {
    return MessageOf<EWaveStreamError>([&] { Load(b); });
  };
  const Bytes pcm = FormatBody(22050, 8, 1, 16);
  // A 2-byte format whose other 14 bytes became a JUNK chunk, every length consistent.
  EXPECT_EQ(waveError(Image({{"fmt ", Bytes(pcm.begin(), pcm.begin() + 2)},
                             {"JUNK", Bytes(pcm.begin() + 2 + 8, pcm.end())},
                             {"data", Sine8(440, 22050, 50)}})),
            "Wave is invalid");
  for (std::size_t size : {0u, 1u, 2u, 14u, 15u})
    EXPECT_EQ(waveError(SimpleImage(Bytes(pcm.begin(), pcm.begin() + static_cast<long>(size)),
                                    {1, 2, 3})),
              "Wave is invalid")
        << size;
  // A PCM format may end after wBitsPerSample, or carry any cbSize it likes.
  Bytes pcmWithHugeExtra = FormatBody(22050, 8, 1, 18);
  pcmWithHugeExtra[16] = 0xFF;
  pcmWithHugeExtra[17] = 0xFF;
  EXPECT_EQ(Load(SimpleImage(pcmWithHugeExtra, {1, 2}))->FormatSize(), 18);

  // Other tags (here 3 and 2) need their cbSize and the bytes it declares.
  const auto withTag = [](std::uint16_t tag, std::size_t size, std::uint16_t extra) {
    Bytes f = FormatBody(22050, 16, 1, size);
    f[0] = static_cast<std::uint8_t>(tag);
    f[1] = static_cast<std::uint8_t>(tag >> 8);
    if (size >= 18) {
      f[16] = static_cast<std::uint8_t>(extra);
      f[17] = static_cast<std::uint8_t>(extra >> 8);
    }
    return f;
  };
  EXPECT_EQ(waveError(SimpleImage(withTag(3, 16, 0), {1, 2})), "Wave is invalid");
  EXPECT_EQ(waveError(SimpleImage(withTag(3, 17, 0), {1, 2})), "Wave is invalid");
  EXPECT_EQ(Load(SimpleImage(withTag(3, 18, 0), {1, 2}))->FormatSize(), 18);
  EXPECT_EQ(waveError(SimpleImage(withTag(2, 49, 32), {1, 2})), "Wave is invalid");
  EXPECT_EQ(Load(SimpleImage(withTag(2, 50, 32), {1, 2}))->FormatSize(), 50);

  // The format the wave takes is the last one: a short one that a later one replaces is not
  // read by anyone.
  auto replaced = Load(Image({{"fmt ", {1, 0}}, {"fmt ", pcm}, {"data", {9}}}));
  EXPECT_EQ(FormatOf(*replaced), pcm);
  EXPECT_EQ(waveError(Image({{"fmt ", pcm}, {"fmt ", {1, 0}}, {"data", {9}}})), "Wave is invalid");
}

// A stream of Size bytes: `head` at its start, `tail` at its end and zeros between them,
// without the memory for the zeros.
class TZerosBetween : public TStream {
 public:
  TZerosBetween(Bytes head, std::int64_t size, Bytes tail = {})
      : FHead(std::move(head)), FTail(std::move(tail)), FSize(size) {}
  std::int64_t Read(void* Buffer, std::int64_t Count) override {
    const std::int64_t n = std::max<std::int64_t>(0, std::min(Count, FSize - FPosition));
    const std::int64_t tailAt = FSize - static_cast<std::int64_t>(FTail.size());
    auto* out = static_cast<std::uint8_t*>(Buffer);
    for (std::int64_t i = 0; i < n; ++i) {
      const std::int64_t at = FPosition + i;
      out[i] = at < static_cast<std::int64_t>(FHead.size()) ? FHead[static_cast<std::size_t>(at)]
               : at >= tailAt ? FTail[static_cast<std::size_t>(at - tailAt)]
                              : 0;
    }
    FPosition += n;
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override {
    const std::int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : FSize;
    FPosition = std::clamp<std::int64_t>(base + Offset, 0, FSize);
    return FPosition;
  }
  std::int64_t Size() override { return FSize; }

 private:
  Bytes FHead;
  Bytes FTail;
  std::int64_t FSize;
  std::int64_t FPosition = 0;
};

TEST(WaveData, AChunkLongerThanAWaveCanHoldFailsEvenWhenTheStreamHoldsIt) {
  // Sizes of a wave's parts are 32-bit signed; a stream of more than 2 GiB may declare more.
  constexpr std::uint32_t kTooLong = 0x80000000u;
  for (const char* id : {"fmt ", "data"}) {
    Bytes head = Image({{"fmt ", FormatBody(8000, 8, 1)}});
    PutId(head, id);
    PutU32(head, kTooLong);
    TZerosBetween stream(head, std::int64_t{3} << 30);
    TOwnedPtr<TWave> wave(new TWave());
    EXPECT_EQ(MessageOf<EWaveStreamError>([&] { wave->LoadFromStream(stream); }), "Wave is invalid")
        << id;
    EXPECT_EQ(wave->Size(), 0);
  }
  // An unknown chunk that long is passed over, and the samples after it, past 2 GiB into the
  // stream, are found.
  Bytes head = Image({{"fmt ", FormatBody(8000, 8, 1)}});
  PutId(head, "JUNK");
  PutU32(head, kTooLong);
  Bytes tail;
  PutId(tail, "data");
  PutU32(tail, 3);
  tail.insert(tail.end(), {7, 8, 9});
  TZerosBetween stream(head, static_cast<std::int64_t>(head.size() + tail.size()) + kTooLong, tail);
  TOwnedPtr<TWave> wave(new TWave());
  wave->LoadFromStream(stream);
  EXPECT_EQ(DataOf(*wave), (Bytes{7, 8, 9}));
}

TEST(WaveData, AFailedLoadLeavesTheWaveAsItWas) {
  const Bytes format = FormatBody(8000, 8, 1, 16);
  auto wave = Load(SimpleImage(format, {1, 2, 3}));
  const std::uint8_t* data = wave->Data();
  const Bytes good = SimpleImage(FormatBody(44100, 16, 2), Constant16(9, 20, 2));
  const std::vector<Bytes> bad = {
      {},
      Bytes(good.begin(), good.end() - 1),                            // samples cut short
      Image({{"fmt ", FormatBody(44100, 16, 2)}, {"fmt ", {1, 0}}}),  // a short format
      Image({{"fmt ", FormatBody(44100, 16, 2)}, {"data", {1}, 5}}),  // data past the end
  };
  for (const Bytes& b : bad) {
    auto s = StreamOf(b);
    EXPECT_ANY_THROW(wave->LoadFromStream(*s));
    EXPECT_EQ(wave->Data(), data);
    EXPECT_EQ(DataOf(*wave), (Bytes{1, 2, 3}));
    EXPECT_EQ(FormatOf(*wave), format);
  }
}

TEST(WaveData, AnUnknownChunkDeclaringTooMuchEndsTheWalkQuietly) {
  auto wave = Load(Image({{"fmt ", FormatBody(8000, 8, 1)}, {"data", {5}}, {"junk", {1}, 99999}}));
  EXPECT_EQ(DataOf(*wave), Bytes{5});
}

TEST(WaveData, SampleMemoryIsReservedInBlocksOf8096Bytes) {
  TOwnedPtr<TWave> wave(new TWave());
  wave->SetSize(100);
  std::memset(wave->Data(), 0x5A, 100);
  const std::uint8_t* block = wave->Data();
  wave->SetSize(8000);  // the same single block: the memory stays where it is
  EXPECT_EQ(wave->Data(), block);
  wave->SetSize(8096);
  EXPECT_EQ(wave->Data(), block);
  EXPECT_EQ(wave->Size(), 8096);
  wave->SetSize(8097);  // two blocks; the bytes that fit are kept
  EXPECT_EQ(wave->Size(), 8097);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(wave->Data()[i], 0x5A);
  wave->Data()[8096] = 1;  // inside the second block
  wave->SetSize(-5);
  EXPECT_EQ(wave->Size(), 0);
  EXPECT_EQ(wave->Data(), nullptr);
}

TEST(WaveData, SampleMemoryNearTwoGibibytesHoldsEveryByte) {
  // The block count of sizes near 2^31 is computed without overflow: the largest size takes
  // 265,253 blocks, more bytes than an int32 holds. Only the pages touched are used.
  TOwnedPtr<TWave> wave(new TWave());
  constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();
  wave->SetSize(kLargest);
  ASSERT_NE(wave->Data(), nullptr);
  EXPECT_EQ(wave->Size(), kLargest);
  wave->Data()[kLargest - 1] = 0x77;
  const std::uint8_t* memory = wave->Data();
  // 265,252 blocks end at 2,147,480,192 bytes: a size just past that keeps the last block.
  wave->SetSize(2147480193);
  EXPECT_EQ(wave->Data(), memory);
  EXPECT_EQ(wave->Size(), 2147480193);
  wave->Data()[2147480192] = 0x55;
  wave->SetSize(kLargest);
  EXPECT_EQ(wave->Data(), memory);
  EXPECT_EQ(wave->Data()[kLargest - 1], 0x77);
  wave->SetSize(0);
  EXPECT_EQ(wave->Data(), nullptr);
}

TEST(WaveData, PcmFormatsAreComputedFromRateBitsAndChannels) {
  TOwnedPtr<TWave> wave(new TWave());
  wave->SetPCMFormat(22050, 16, 2);
  EXPECT_EQ(wave->FormatSize(), 18);
  EXPECT_EQ(FormatOf(*wave), FormatBody(22050, 16, 2, 18));
  EXPECT_EQ(wave->Format()->nBlockAlign, 4);
  EXPECT_EQ(wave->Format()->nAvgBytesPerSec, 88200u);
}

TEST(WaveData, SavedImagesHaveTheDocumentedLayoutAndReadBack) {
  const Bytes format = FormatBody(11025, 8, 1, 26);
  const Bytes data = Sine8(300, 11025, 333);  // odd length: no pad byte may follow
  auto original = Load(SimpleImage(format, data));

  TOwnedPtr<TMemoryStream> out(new TMemoryStream());
  original->SaveToStream(*out);
  const Bytes written(out->Memory(), out->Memory() + out->Size());
  EXPECT_EQ(written, SimpleImage(format, data));

  out->SetPosition(0);
  TOwnedPtr<TWave> copy(new TWave());
  copy->LoadFromStream(*out);
  EXPECT_EQ(FormatOf(*copy), format);
  EXPECT_EQ(DataOf(*copy), data);

  // Saved after other bytes of the stream, the image is the same: its lengths count from its
  // own start, and what went before stays.
  TOwnedPtr<TMemoryStream> after(new TMemoryStream());
  const Bytes before = {0xEE, 0xDD, 0xCC, 0xBB, 0xAA};
  after->WriteBuffer(before.data(), static_cast<std::int64_t>(before.size()));
  original->SaveToStream(*after);
  const Bytes both(after->Memory(), after->Memory() + after->Size());
  ASSERT_EQ(both.size(), before.size() + written.size());
  EXPECT_EQ(Bytes(both.begin(), both.begin() + 5), before);
  EXPECT_EQ(Bytes(both.begin() + 5, both.end()), written);
  EXPECT_EQ(after->Position(), after->Size());
}

TEST(WaveData, AWaveWithoutFormatOrSamplesWritesNothing) {
  TOwnedPtr<TMemoryStream> out(new TMemoryStream());
  TOwnedPtr<TWave> wave(new TWave());
  wave->SetSize(10);
  wave->SaveToStream(*out);
  wave->Clear();
  wave->SetPCMFormat(8000, 8, 1);
  wave->SaveToStream(*out);
  EXPECT_EQ(out->Size(), 0);
}

TEST(WaveData, AssignCopiesAndNilClears) {
  auto source = Load(SimpleImage(FormatBody(8000, 8, 1, 16), {1, 2, 3}));
  TOwnedPtr<TWave> copy(new TWave());
  copy->Assign(source.get());
  EXPECT_EQ(DataOf(*copy), (Bytes{1, 2, 3}));
  EXPECT_EQ(copy->FormatSize(), 16);
  EXPECT_NE(copy->Data(), source->Data());
  copy->Assign(copy.get());
  EXPECT_EQ(DataOf(*copy), (Bytes{1, 2, 3}));
  copy->Assign(nullptr);
  EXPECT_EQ(copy->Size(), 0);
  EXPECT_EQ(copy->FormatSize(), 0);
  TOwnedPtr<TPersistent> other(new TPersistent());
  EXPECT_EQ(MessageOf<EConvertError>([&] { copy->Assign(other.get()); }),
            "Cannot assign a TPersistent to a TWave");
}

TEST(WaveStream, ReadingOrWritingBeforeOpenFailsAndOpeningTwiceFails) {
  TOwnedPtr<TMemoryStream> backing(new TMemoryStream());
  TOwnedPtr<TWaveStream> ws(new TWaveStream(*backing));
  std::uint8_t b[4];
  EXPECT_EQ(MessageOf<EWaveStreamError>([&] { ws->Read(b, 4); }), "Stream not opened");
  EXPECT_EQ(MessageOf<EWaveStreamError>([&] { ws->Write(b, 4); }), "Stream not opened");
  EXPECT_EQ(MessageOf<EWaveStreamError>([&] { ws->Open(true); }), "Format is invalid");
  ws->SetPCMFormat(8000, 8, 1);
  ws->Open(true);
  EXPECT_EQ(MessageOf<EWaveStreamError>([&] { ws->Open(true); }), "Stream is already open");
}

TEST(WaveStream, ReadsStayInsideTheDataChunkAndSeeksAreClamped) {
  const Bytes image =
      Image({{"fmt ", FormatBody(8000, 8, 1)}, {"data", {1, 2, 3, 4}}, {"tail", {9, 9}}});
  auto s = StreamOf(image);
  TOwnedPtr<TWaveStream> ws(new TWaveStream(*s));
  ws->Open(false);
  EXPECT_EQ(ws->Size(), 4);
  std::uint8_t b[8] = {};
  EXPECT_EQ(ws->Read(b, 8), 4);  // not into the chunk that follows
  EXPECT_EQ(Bytes(b, b + 4), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(ws->Seek(100, soBeginning), 4);
  EXPECT_EQ(ws->Seek(-100, soCurrent), 0);
  EXPECT_EQ(ws->Seek(-1, soEnd), 3);
  EXPECT_EQ(ws->Read(b, 8), 1);
  EXPECT_EQ(b[0], 4);
}

// Each kept input goes as far as the fuzzer takes it: a wave that loads is handed to the sound
// service on the headless machine, which makes a buffer of it (or refuses it with the
// wrapper's error) and mixes it looping for a few blocks.
TEST(WaveStream, KeptFailingInputsEndInADocumentedErrorOrLoad) {
  const std::filesystem::path folder = MARVOSK_WAVE_REGRESSIONS;
  ASSERT_TRUE(std::filesystem::is_directory(folder));
  platform::headless::HeadlessBackend& machine = platform::headless::Install(0);
  struct Uninstall {
    ~Uninstall() { platform::UninstallBackend(); }
  } uninstall;
  TOwnedPtr<TDirectSound> sound(new TDirectSound(nullptr));
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(in), {}};
    ++files;
    TOwnedPtr<TWave> wave;
    try {
      wave = Load(bytes);
    } catch (const EReadError&) {
      continue;
    } catch (const EWaveStreamError&) {
      continue;
    }
    EXPECT_LE(wave->Size(), static_cast<int>(bytes.size())) << entry.path().filename();
    if (wave->Size() == 0) continue;
    TOwnedPtr<TDirectSoundBuffer> buffer(new TDirectSoundBuffer(sound.get()));
    try {
      buffer->LoadFromWave(*wave);
    } catch (const EDirectSoundBufferError&) {
      continue;
    }
    buffer->Play(true);
    machine.PullAudio(2048);
    buffer->Stop();
  }
  EXPECT_GT(files, 0);
}

}  // namespace
