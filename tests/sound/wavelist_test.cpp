// The wave list: the pool of duplicates that lets a sound overlap itself, its limit, looped
// items, Stop, the setters, and lookup by name.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "tests/sound/sound_fixture.h"
#include "tests/support/raises.h"

namespace {

using namespace wavetest;

class WaveList : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    shot = AddConstant("Skott", 3000, 4800);  // 100 ms
    loop = AddConstant("Musik", 2000, 4800, true);
    Start();
  }
  TWaveCollectionItem* shot = nullptr;
  TWaveCollectionItem* loop = nullptr;
};

TEST_F(WaveList, EveryItemGetsAMainBufferWhenTheDeviceStarts) {
  ASSERT_TRUE(sound->Initialized());
  for (TWaveCollectionItem* item : {shot, loop}) {
    EXPECT_TRUE(item->Initialized());
    ASSERT_NE(item->Buffer(), nullptr);
    EXPECT_EQ(item->Buffer()->Size(), 9600);
    EXPECT_EQ(item->Buffer()->BitCount(), 16);
    EXPECT_EQ(item->PoolCount(), 0);
  }
}

TEST_F(WaveList, ThePoolGrowsWhileEveryCopySoundsAndReusesSilentCopies) {
  shot->Play(false);
  machine->Advance(10);
  shot->Play(false);
  machine->Advance(10);
  shot->Play(false);
  ASSERT_EQ(shot->PoolCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(shot->Pool(i)->Playing()) << i;
  EXPECT_FALSE(shot->Buffer()->Playing());  // the main buffer itself never plays
  EXPECT_TRUE(shot->Playing());

  machine->Advance(200);
  EXPECT_FALSE(shot->Playing());
  TDirectSoundBuffer* first = shot->Pool(0);
  machine->ClearAudioOutput();
  shot->Play(false);
  EXPECT_EQ(shot->PoolCount(), 3);
  EXPECT_EQ(shot->Pool(0), first);
  EXPECT_TRUE(first->Playing());
  machine->Advance(10);
  EXPECT_EQ(Channel(0)[0], 3000);  // from the start of the sound
}

TEST_F(WaveList, AFullPoolCutsOffItsOldestCopyAndRestartsIt) {
  shot->SetMaxPlayingCount(2);
  shot->Play(false);
  TDirectSoundBuffer* oldest = shot->Pool(0);
  machine->Advance(40);
  shot->Play(false);
  machine->Advance(40);
  EXPECT_GT(oldest->Position(), 0);
  shot->Play(false);
  ASSERT_EQ(shot->PoolCount(), 2);
  EXPECT_EQ(shot->Pool(1), oldest);  // moved to the end
  EXPECT_EQ(oldest->Position(), 0);  // and rewound
  EXPECT_TRUE(oldest->Playing());
  // Only two copies sound: the output holds two levels, never three.
  machine->ClearAudioOutput();
  machine->Advance(10);
  EXPECT_EQ(Channel(0)[0], 6000);
}

TEST_F(WaveList, ALoopedItemRestartsFromItsBeginningAndStopSilencesIt) {
  loop->Play(false);
  machine->Advance(30);
  const int before = loop->Buffer()->Position();
  EXPECT_GT(before, 0);
  loop->Play(false);
  EXPECT_EQ(loop->Buffer()->Position(), 0);
  EXPECT_EQ(loop->PoolCount(), 0);
  machine->ClearAudioOutput();
  machine->Advance(300);  // well past its length: it goes round
  EXPECT_TRUE(loop->Playing());
  EXPECT_EQ(Channel(0).back(), 2000);  // one sound, not two
  loop->Stop();
  EXPECT_FALSE(loop->Playing());
  machine->ClearAudioOutput();
  machine->Advance(20);
  EXPECT_EQ(Channel(0)[100], 0);
}

TEST_F(WaveList, StopSilencesEveryCopyAndTheNextPlayRewinds) {
  for (int i = 0; i < 3; ++i) {
    shot->Play(false);
    machine->Advance(5);
  }
  shot->Stop();
  EXPECT_FALSE(shot->Playing());
  machine->ClearAudioOutput();
  machine->Advance(20);
  for (int v : Channel(0)) ASSERT_EQ(v, 0);
  shot->Play(false);
  EXPECT_EQ(shot->PoolCount(), 3);
  EXPECT_EQ(shot->Pool(0)->Position(), 0);
}

TEST_F(WaveList, ChangingTheLimitWhileSoundsPlayFreesTheirCopies) {
  shot->Play(false);
  shot->Play(false);
  ASSERT_EQ(shot->PoolCount(), 2);
  shot->SetMaxPlayingCount(-3);  // counts as 0, the present value: nothing happens
  EXPECT_EQ(shot->PoolCount(), 2);
  shot->SetMaxPlayingCount(5);
  EXPECT_EQ(shot->PoolCount(), 0);
  EXPECT_FALSE(shot->Playing());
  EXPECT_NE(shot->Buffer(), nullptr);
  machine->ClearAudioOutput();
  machine->Advance(10);
  EXPECT_EQ(Channel(0)[10], 0);
}

TEST_F(WaveList, ChangingLoopedStopsTheItemFirst) {
  loop->Play(false);
  ASSERT_TRUE(loop->Playing());
  loop->SetLooped(false);
  EXPECT_FALSE(loop->Buffer()->Playing());
  EXPECT_FALSE(loop->Looped());
  loop->Play(false);  // now through a duplicate
  EXPECT_EQ(loop->PoolCount(), 1);
}

TEST_F(WaveList, AnItemWithoutDataHasNoBufferAndPlaysNothing) {
  TWaveCollectionItem* empty = AddWave("Tom", {});
  list->Items()->Restore();
  EXPECT_EQ(empty->Buffer(), nullptr);
  EXPECT_NO_THROW(empty->Play(false));
  EXPECT_NO_THROW(empty->Stop());
  EXPECT_EQ(empty->PoolCount(), 0);
  // Ready for sound but nothing to play: its Playing asserts.
  empty->Restore();
  EXPECT_FALSE(empty->Initialized());
  TOwnedPtr<TWave> data(new TWave());
  data->SetPCMFormat(48000, 16, 1);
  empty->SetWave(data.get());  // a format but still no samples
  list->Items()->Initialize(sound);
  ASSERT_TRUE(empty->Initialized());
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { empty->Playing(); }), "Assertion failure (DXSounds)");
}

TEST_F(WaveList, ItemsAreFoundByName) {
  EXPECT_EQ(list->Items()->Find("Skott"), shot);
  EXPECT_EQ(list->Items()->Find("musik"), loop);
  EXPECT_EQ(MessageOf<EWaveCollectionError>([&] { list->Items()->Find("Boss"); }),
            "Wave 'Boss' not found");
  EXPECT_EQ(MessageOf<EListError>([&] { list->Items()->Items(2); }),
            "List index out of bounds (2)");
}

TEST_F(WaveList, ItemSettingsReachTheMainBufferAtOnceAndCopiesAtTheirNextPlay) {
  shot->Play(false);
  shot->SetVolume(-1200);
  shot->SetPan(-500);
  shot->SetFrequency(24000);
  EXPECT_EQ(shot->Buffer()->Volume(), -1200);
  EXPECT_EQ(shot->Buffer()->Pan(), -500);
  EXPECT_EQ(shot->Buffer()->Frequency(), 24000);
  EXPECT_EQ(shot->Pool(0)->Volume(), 0);
  machine->Advance(200);
  shot->Play(false);
  EXPECT_EQ(shot->Pool(0)->Volume(), -1200);
  EXPECT_EQ(shot->Pool(0)->Frequency(), 24000);
  shot->SetFrequency(0);
  EXPECT_EQ(shot->Buffer()->Frequency(), 48000);  // the wave's own rate
}

TEST_F(WaveList, AssigningAnItemCopiesItsSoundAndSettings) {
  TWaveCollectionItem* copy = AddWave("", {});
  shot->SetVolume(-300);
  copy->Assign(shot);
  EXPECT_EQ(copy->Name(), "Skott");
  EXPECT_EQ(copy->Volume(), -300);
  EXPECT_EQ(copy->Wave()->Size(), shot->Wave()->Size());
  EXPECT_EQ(list->Items()->IndexOf("Skott"), 2);  // named last
  copy->Play(false);  // made after the device started: not ready until restored
  EXPECT_FALSE(copy->Playing());
  copy->Restore();
  copy->Play(false);
  EXPECT_TRUE(copy->Playing());
}

TEST_F(WaveList, PlayCanWaitForTheSoundToEnd) {
  const std::uint32_t before = machine->Now();
  // A sound that never ended would keep Play waiting for ever; stopping it ends the wait.
  EXPECT_TRUE(ReturnsWithin(
      std::chrono::seconds(30), [&] { shot->Play(true); }, [&] { shot->Stop(); }))
      << "Play(true) was still waiting";
  EXPECT_FALSE(shot->Playing());
  EXPECT_GE(machine->Now() - before, 100u);
  EXPECT_LE(machine->Now() - before, 120u);
}

TEST_F(WaveList, TheCollectionReadsBackWhatItWrote) {
  TOwnedPtr<TMemoryStream> stream(new TMemoryStream());
  list->Items()->SaveToStream(*stream);
  stream->SetPosition(0);
  TDXWaveList* other = Construct<TDXWaveList>(form);
  other->Items()->LoadFromStream(*stream);
  ASSERT_EQ(other->Items()->Count(), 2);
  EXPECT_EQ(other->Items()->Items(1)->Name(), "Musik");
  EXPECT_TRUE(other->Items()->Items(1)->Looped());
  EXPECT_EQ(other->Items()->Items(0)->Wave()->Size(), 9600);
}

// The most memory the process has held so far, in KiB.
long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// One item of a wave list's own stream, written byte by byte.
void PutItem(Bytes& b, const std::string& name, const Bytes& image, std::uint32_t looped = 0,
             std::uint32_t limit = 0) {
  PutU32(b, static_cast<std::uint32_t>(name.size()));
  b.insert(b.end(), name.begin(), name.end());
  PutU32(b, looped);
  PutU32(b, limit);
  PutU32(b, static_cast<std::uint32_t>(image.size()));
  b.insert(b.end(), image.begin(), image.end());
}

TEST_F(WaveList, ACollectionStreamThatCannotHoldWhatItDeclaresFailsAtOnceAndChangesNothing) {
  TWaveCollection* items = list->Items();
  const Bytes image = SimpleImage(FormatBody(48000, 16, 1), Constant16(100, 10));
  std::vector<std::pair<std::string, Bytes>> streams;
  // Eight bytes: one item whose name is 4 GiB long.
  streams.push_back({"8-byte name length", {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}});
  streams.push_back({"item count", {0xFF, 0xFF, 0xFF, 0xFF}});
  Bytes count(4, 0);
  PutItem(count, "Ett", image);
  count[0] = 2;  // two items declared, one present
  streams.push_back({"second item missing", count});
  Bytes longImage;
  PutU32(longImage, 2);
  PutItem(longImage, "Ett", image);
  PutItem(longImage, "Tva", image);
  longImage[longImage.size() - image.size() - 2] = 0x10;  // the second image's length + 1 MiB
  streams.push_back({"image length", longImage});
  Bytes shortFormat;
  PutU32(shortFormat, 2);
  PutItem(shortFormat, "Ett", image);
  PutItem(shortFormat, "Tva", Image({{"fmt ", {1, 0}}, {"data", {1, 2}}}));
  streams.push_back({"format of 2 bytes", shortFormat});
  Bytes notWave;
  PutU32(notWave, 1);
  PutItem(notWave, "Ett", Bytes(image.size(), 'x'));
  streams.push_back({"not a wave", notWave});

  for (const auto& [what, bytes] : streams) {
    TOwnedPtr<TMemoryStream> s(new TMemoryStream());
    s->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    s->SetPosition(0);
    const long peak = PeakKiB();
    EXPECT_ANY_THROW(items->LoadFromStream(*s)) << what;
    // Nothing was reserved for what the stream could not hold (a 4 GiB name would be).
    EXPECT_LT(PeakKiB() - peak, 64 * 1024) << what;
    ASSERT_EQ(items->Count(), 2) << what;
    EXPECT_EQ(items->Items(0), shot) << what;
    EXPECT_EQ(items->Items(1), loop) << what;
    EXPECT_EQ(shot->Name(), "Skott");
    EXPECT_EQ(shot->Wave()->Size(), 9600);
    EXPECT_TRUE(loop->Looped());
    EXPECT_NE(shot->Buffer(), nullptr);
  }
  shot->Play(false);
  EXPECT_TRUE(shot->Playing());

  // The stream that missed its second item loads once it is there.
  PutItem(count, "Tva", image, 1, 3);
  TOwnedPtr<TMemoryStream> s(new TMemoryStream());
  s->WriteBuffer(count.data(), static_cast<std::int64_t>(count.size()));
  s->SetPosition(0);
  items->LoadFromStream(*s);
  ASSERT_EQ(items->Count(), 2);
  EXPECT_EQ(items->Items(1)->Name(), "Tva");
  EXPECT_TRUE(items->Items(1)->Looped());
  EXPECT_EQ(items->Items(1)->MaxPlayingCount(), 3);
  EXPECT_EQ(items->Items(1)->Wave()->Size(), 20);
  EXPECT_NE(items->Items(1)->Buffer(), nullptr);  // ready for sound: started again
}

}  // namespace
