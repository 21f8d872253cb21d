// The real backend's audio device, on SDL's "disk" driver, which writes what it plays to a
// file: a played wave is found in the recording.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/backend/sdl2/sdl2.h"
#include "platform/system/machine.h"
#include "sound/dxsound.h"
#include "sound/wavelist.h"
#include "tests/sound/wave_images.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"

namespace {

using namespace wavetest;

TEST(SdlAudio, APlayedWaveIsFoundInTheDiskDriversRecording) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("marvosk-audio-" + std::to_string(getpid()));
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  ASSERT_TRUE(platform::sdl2::Install());

  int channels = 0;
  {
    TOwnedPtr<TApplication> app(new TApplication());
    TForm* form = app->CreateForm<TForm>();
    TDXSound* sound = Construct<TDXSound>(form);
    TDXWaveList* list = Construct<TDXWaveList>(form);
    list->SetDXSound(sound);
    auto* item = static_cast<TWaveCollectionItem*>(list->Items()->Add());
    // 100 ms of one value, at the rate the device asks for: it comes out unchanged.
    const Bytes image = SimpleImage(FormatBody(48000, 16, 1), Constant16(7000, 4800));
    TOwnedPtr<TMemoryStream> s(new TMemoryStream());
    s->WriteBuffer(image.data(), static_cast<std::int64_t>(image.size()));
    s->SetPosition(0);
    item->Wave()->LoadFromStream(*s);
    sound->AfterLoading();
    ASSERT_TRUE(sound->Initialized());
    ASSERT_NE(sound->Primary(), nullptr);
    channels = sound->Primary()->Format()->nChannels;
    ASSERT_EQ(sound->Primary()->Format()->nSamplesPerSec, 48000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    item->Play(false);
    // The disk driver plays in real time; a busy machine may take longer.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (item->Playing() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(item->Playing());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  platform::UninstallBackend();

  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::filesystem::remove(file);
  ASSERT_GE(bytes.size(), 4800u * 2 * static_cast<std::size_t>(channels));
  // The longest run of frames whose every channel holds the played value.
  const std::size_t frames = bytes.size() / 2 / static_cast<std::size_t>(channels);
  std::size_t run = 0;
  std::size_t longest = 0;
  for (std::size_t f = 0; f < frames; ++f) {
    bool all = true;
    for (int c = 0; c < channels; ++c) {
      const std::size_t at =
          (f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)) * 2;
      const auto v = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                               (static_cast<std::uint8_t>(bytes[at + 1]) << 8));
      all = all && v == 7000;
    }
    run = all ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  EXPECT_EQ(longest, 4800u);
}

}  // namespace
