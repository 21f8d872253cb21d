// The sound service below the wrappers: formats it takes, locks and positions that stay inside
// a buffer's memory whatever they are asked, duplicates sharing samples, status flags, and the
// mixer's lock holding while the device pulls on its own thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "platform/dsound/dsound.h"
#include "platform/dsound/mixer.h"
#include "tests/sound/wave_images.h"
#include "tests/support/headless_machine.h"

namespace {

using namespace platform::dsound;
using platform::DWORD;
using wavetest::FormatBody;

class DSoundService : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
  }
  void TearDown() override {
    for (IDirectSoundBuffer* b : made) b->Release();
    if (ds) ds->Release();
    HeadlessTest::TearDown();
  }
  HRESULT Make(const wavetest::Bytes& format, DWORD bytes, IDirectSoundBuffer** out,
               DWORD flags = 0xE0) {
    DSBUFFERDESC d{};
    d.dwSize = DSBUFFERDESC_SIZE;
    d.dwFlags = flags;
    d.dwBufferBytes = bytes;
    d.dwFormatBytes = static_cast<DWORD>(format.size());
    d.lpwfxFormat = format.data();
    const HRESULT r = ds->CreateSoundBuffer(&d, out, nullptr);
    if (r == DS_OK) made.push_back(*out);
    return r;
  }
  IDirectSound* ds = nullptr;
  std::vector<IDirectSoundBuffer*> made;
};

TEST_F(DSoundService, TakesEightAndSixteenBitPcmFromFourToNinetySixKilohertz) {
  IDirectSoundBuffer* b = nullptr;
  for (int bits : {8, 16})
    for (int channels : {1, 2})
      for (std::uint32_t rate : {4000u, 11025u, 96000u})
        EXPECT_EQ(Make(FormatBody(rate, bits, channels, 16), 64, &b), DS_OK)
            << bits << " " << channels << " " << rate;
  EXPECT_EQ(Make(FormatBody(3999, 8, 1), 64, &b), DSERR_BADFORMAT);
  EXPECT_EQ(Make(FormatBody(96001, 8, 1), 64, &b), DSERR_BADFORMAT);
  EXPECT_EQ(Make(FormatBody(22050, 24, 1), 64, &b), DSERR_BADFORMAT);
  EXPECT_EQ(Make(FormatBody(22050, 8, 3), 64, &b), DSERR_BADFORMAT);
  wavetest::Bytes wrongBlock = FormatBody(22050, 16, 2);
  wrongBlock[12] = 3;
  EXPECT_EQ(Make(wrongBlock, 64, &b), DSERR_BADFORMAT);
  EXPECT_EQ(Make(FormatBody(22050, 8, 1), 0, &b), DSERR_INVALIDPARAM);
  // A format shorter than its 16 bytes is refused unread: each one below is a block of memory
  // of exactly its length.
  const wavetest::Bytes pcm = FormatBody(22050, 8, 1, 16);
  for (long n = 1; n < 16; ++n)
    EXPECT_EQ(Make(wavetest::Bytes(pcm.begin(), pcm.begin() + n), 64, &b), DSERR_BADFORMAT) << n;
  DSBUFFERDESC d{};
  d.dwSize = 20;
  EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);
}

TEST_F(DSoundService, LocksHandOutOnlyTheBuffersOwnMemory) {
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(Make(FormatBody(8000, 8, 1), 100, &b), DS_OK);
  void* base = nullptr;
  DWORD n = 0;
  ASSERT_EQ(b->Lock(0, 100, &base, &n, nullptr, nullptr, 0), DS_OK);
  ASSERT_EQ(b->Unlock(base, n, nullptr, 0), DS_OK);
  const auto* first = static_cast<std::uint8_t*>(base);

  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    const DWORD offset = random() % 300;
    const DWORD bytes = random() % 300;
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0;
    DWORD n2 = 0;
    if (b->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0) != DS_OK) {
      EXPECT_TRUE(offset >= 100 || bytes == 0 || bytes > 100) << offset << " " << bytes;
      continue;
    }
    const auto* a = static_cast<std::uint8_t*>(p1);
    ASSERT_GE(a, first);
    ASSERT_LE(a + n1, first + 100);
    ASSERT_EQ(n1 + n2, bytes);
    if (n2) {
      ASSERT_EQ(p2, base);
      ASSERT_LE(n2, offset);
    }
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  }
  std::uint8_t outside[4];
  EXPECT_EQ(b->Unlock(outside, 4, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(DSoundService, PositionsStayInsideTheBuffer) {
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(Make(FormatBody(8000, 16, 2), 101, &b), DS_OK);  // 25 whole frames and a tail
  EXPECT_EQ(b->SetCurrentPosition(101), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetCurrentPosition(0xFFFFFFFF), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetCurrentPosition(100), DS_OK);  // inside the tail: it plays nothing more
  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
  machine->Advance(5);
  DWORD status = 0;
  b->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  DWORD play = 1;
  b->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 0u);
  EXPECT_EQ(b->SetCurrentPosition(7), DS_OK);  // rounded down to its frame
  b->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 4u);
}

TEST_F(DSoundService, DuplicatesShareSamplesAndTakeTheSettingsButNotThePlay) {
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(Make(FormatBody(8000, 8, 1), 64, &b), DS_OK);
  ASSERT_EQ(b->SetVolume(-500), DS_OK);
  ASSERT_EQ(b->SetFrequency(16000), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  IDirectSoundBuffer* d = nullptr;
  ASSERT_EQ(ds->DuplicateSoundBuffer(b, &d), DS_OK);
  made.push_back(d);
  void* pb = nullptr;
  void* pd = nullptr;
  DWORD n = 0;
  b->Lock(0, 64, &pb, &n, nullptr, nullptr, 0);
  b->Unlock(pb, n, nullptr, 0);
  d->Lock(0, 64, &pd, &n, nullptr, nullptr, 0);
  d->Unlock(pd, n, nullptr, 0);
  EXPECT_EQ(pb, pd);
  LONG volume = 0;
  DWORD frequency = 0;
  DWORD status = 0;
  d->GetVolume(&volume);
  d->GetFrequency(&frequency);
  d->GetStatus(&status);
  EXPECT_EQ(volume, -500);
  EXPECT_EQ(frequency, 16000u);
  EXPECT_EQ(status, 0u);
  b->GetStatus(&status);
  EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  // The original may go first: the duplicate keeps the samples.
  b->Release();
  made.erase(made.begin());
  EXPECT_EQ(d->Play(0, 0, 0), DS_OK);
  machine->Advance(5);
}

TEST_F(DSoundService, SettingsOutsideTheirRangeOrWithoutTheirControlAreRefused) {
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(Make(FormatBody(8000, 8, 1), 64, &b, DSBCAPS_CTRLVOLUME), DS_OK);
  EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetPan(0), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(b->SetFrequency(8000), DSERR_CONTROLUNAVAIL);
  ASSERT_EQ(Make(FormatBody(8000, 8, 1), 64, &b), DS_OK);
  EXPECT_EQ(b->SetPan(10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetFrequency(99), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetFrequency(200001), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Play(1, 0, 0), DSERR_INVALIDPARAM);
}

TEST_F(DSoundService, LostBuffersRefuseToPlayUntilRestored) {
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(Make(FormatBody(8000, 8, 1), 64, &b), DS_OK);
  b->Play(0, 0, DSBPLAY_LOOPING);
  machine->LoseAudioBuffers();
  DWORD status = 0;
  b->GetStatus(&status);
  EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
  void* p = nullptr;
  DWORD n = 0;
  EXPECT_EQ(b->Play(0, 0, 0), DSERR_BUFFERLOST);
  EXPECT_EQ(b->Lock(0, 4, &p, &n, nullptr, nullptr, 0), DSERR_BUFFERLOST);
  EXPECT_EQ(b->Restore(), DS_OK);
  EXPECT_EQ(b->Play(0, 0, 0), DS_OK);
}

TEST_F(DSoundService, TheServiceSharesTheOneDeviceAndClosesItWithTheLastUser) {
  IDirectSound* second = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &second, nullptr), DS_OK);
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(Make(FormatBody(8000, 8, 1), 64, &b), DS_OK);
  second->Release();
  EXPECT_TRUE(machine->AudioOpen());
  ds->Release();
  ds = nullptr;
  EXPECT_TRUE(machine->AudioOpen());  // the buffer still uses it
  for (IDirectSoundBuffer* m : made) m->Release();
  made.clear();
  EXPECT_FALSE(machine->AudioOpen());
  GUID other{};
  other.Data4[7] = 1;
  IDirectSound* none = nullptr;
  EXPECT_EQ(DirectSoundCreate(&other, &none, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(none, nullptr);
}

TEST(Mixer, CommandsDuringMixingFromAnotherThreadKeepTheirEffect) {
  platform::dsound::Mixer mixer(48000);
  auto memory = std::make_shared<SampleMemory>(PcmFormat{48000, 1, 16}, 96000);
  auto voice = mixer.Add(memory);
  {
    std::atomic<bool> done{false};
    std::thread device([&] {
      std::vector<std::int16_t> out(512 * 2);
      while (!done) mixer.Mix(out.data(), 512, 2);
    });
    // The device thread ends however the loop below ends, a failed assertion included.
    struct Join {
      std::atomic<bool>& done;
      std::thread& device;
      ~Join() {
        done = true;
        device.join();
      }
    } join{done, device};
    // A stop always wins over a mix that ran across it: the voice never plays on after it.
    for (int i = 0; i < 2000; ++i) {
      mixer.Play(*voice, true);
      mixer.Stop(*voice);
      ASSERT_FALSE(mixer.Playing(*voice));
      mixer.SetPosition(*voice, 10);
      ASSERT_EQ(mixer.Position(*voice), 10u);
    }
  }
  mixer.Remove(voice);
}

// The mixer's output for one voice at full gain, frame by frame against the rule it follows:
// linear interpolation at 32.32 fixed-point positions, the neighbour past the last frame being
// the first when looping and the last held otherwise, a voice that does not loop stopping at its
// end. Short and long sounds, every rate relation, blocks of any size, both sample kinds.
TEST(Mixer, EveryFrameFollowsTheInterpolationRuleAcrossBlocksEndsAndSeams) {
  constexpr int kDeviceRate = 48000;
  constexpr int kOut = 1500;
  for (int bits : {8, 16})
    for (int channels : {1, 2})
      for (std::uint32_t frames : {1u, 2u, 3u, 7u, 100u})
        for (std::uint32_t rate : {4000u, 22050u, 48000u, 96000u})
          for (bool looping : {false, true})
            for (int block : {1, 5, 512}) {
              const PcmFormat format{rate, channels, bits};
              auto memory = std::make_shared<SampleMemory>(
                  format, frames * static_cast<std::uint32_t>(format.BlockAlign()));
              for (std::size_t b = 0; b < memory->data.size(); ++b)
                memory->data[b] = static_cast<std::uint8_t>(b * 37 + 11);
              const auto sample = [&](std::uint64_t frame, int channel) {
                const std::uint8_t* p = memory->data.data() + frame * format.BlockAlign() +
                                        static_cast<std::size_t>(channel * bits / 8);
                return bits == 8
                           ? static_cast<float>((static_cast<int>(p[0]) - 128) * 256)
                           : static_cast<float>(static_cast<std::int16_t>(p[0] | (p[1] << 8)));
              };
              // What each output frame should be.
              std::vector<std::int16_t> expected(kOut * 2, 0);
              const std::uint64_t one = std::uint64_t{1} << 32;
              const std::uint64_t step = (std::uint64_t{rate} << 32) / kDeviceRate;
              const std::uint64_t end = std::uint64_t{frames} << 32;
              std::uint64_t pos = 0;
              for (int n = 0; n < kOut; ++n) {
                if (pos >= end) {
                  if (!looping) break;
                  pos %= end;
                }
                const std::uint64_t i = pos >> 32;
                const std::uint64_t j = i + 1 < frames ? i + 1 : (looping ? 0 : i);
                const float t =
                    static_cast<float>(pos & (one - 1)) * (1.0f / static_cast<float>(one));
                for (int c = 0; c < 2; ++c) {
                  const int from = channels == 2 ? c : 0;
                  const float a = sample(i, from), v = a + (sample(j, from) - a) * t;
                  expected[static_cast<std::size_t>(2 * n + c)] =
                      static_cast<std::int16_t>(std::clamp(std::lrint(v), -32768L, 32767L));
                }
                pos += step;
              }

              platform::dsound::Mixer mixer(kDeviceRate);
              auto voice = mixer.Add(memory);
              mixer.Play(*voice, looping);
              std::vector<std::int16_t> got(kOut * 2, 0);
              for (int n = 0; n < kOut; n += block)
                mixer.Mix(got.data() + 2 * n, std::min(block, kOut - n), 2);
              ASSERT_EQ(got, expected)
                  << bits << " bits, " << channels << " channels, " << frames << " frames at "
                  << rate << " Hz, looping " << looping << ", blocks of " << block;
              mixer.Remove(voice);
            }
}

}  // namespace
