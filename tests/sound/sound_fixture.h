// A headless machine with a form that holds a sound device and a wave list bound to it, as the
// game's main window does, and what the machine's audio device played, channel by channel.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "sound/dxsound.h"
#include "sound/wavelist.h"
#include "tests/sound/wave_images.h"
#include "tests/support/headless_machine.h"
#include "toolkit/forms.h"

// Runs `wait`, a call that waits on the headless machine for a sound, on a thread of its own,
// and answers whether it came back within `limit`. When it did not, `undo` runs to end what it
// waits for; should even that not end it, the program stops rather than hang. The test thread
// only watches meanwhile, so the machine is used by one thread at a time until the limit.
inline bool ReturnsWithin(std::chrono::seconds limit, const std::function<void()>& wait,
                          const std::function<void()>& undo) {
  std::promise<void> done;
  std::future<void> returned = done.get_future();
  std::thread waiter([&] {
    try {
      wait();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  const bool inTime = returned.wait_for(limit) == std::future_status::ready;
  if (!inTime) {
    undo();
    if (returned.wait_for(limit) != std::future_status::ready) {
      std::fprintf(stderr, "a wait did not end within %llds, nor once it was undone\n",
                   static_cast<long long>(limit.count()));
      std::abort();
    }
  }
  waiter.join();
  returned.get();
  return inTime;
}

class SoundTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    form = app->CreateForm<TForm>();
    sound = Construct<TDXSound>(form);
    list = Construct<TDXWaveList>(form);
    list->SetDXSound(sound);
  }

  // Starts the device as loading the form does.
  void Start() { sound->AfterLoading(); }

  TWaveCollectionItem* AddWave(const std::string& name, const wavetest::Bytes& image,
                               bool looped = false) {
    auto* item = static_cast<TWaveCollectionItem*>(list->Items()->Add());
    item->SetName(name);
    item->SetLooped(looped);
    if (!image.empty()) {
      TOwnedPtr<TMemoryStream> s(new TMemoryStream());
      s->WriteBuffer(image.data(), static_cast<std::int64_t>(image.size()));
      s->SetPosition(0);
      item->Wave()->LoadFromStream(*s);
    }
    return item;
  }

  // A 16-bit mono item at the device's own rate holding one value throughout.
  TWaveCollectionItem* AddConstant(const std::string& name, std::int16_t value, std::size_t frames,
                                   bool looped = false) {
    return AddWave(name,
                   wavetest::SimpleImage(wavetest::FormatBody(48000, 16, 1),
                                         wavetest::Constant16(value, frames)),
                   looped);
  }

  // One channel of what the device played since it opened (or since the output was cleared).
  std::vector<int> Channel(int c) const {
    const auto& out = machine->AudioOutput();
    const int channels = machine->AudioFormat().channels;
    std::vector<int> v;
    for (std::size_t i = static_cast<std::size_t>(c); i < out.size();
         i += static_cast<std::size_t>(channels))
      v.push_back(out[i]);
    return v;
  }

  TForm* form = nullptr;
  TDXSound* sound = nullptr;
  TDXWaveList* list = nullptr;
};
