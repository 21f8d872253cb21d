// Any bytes as a stored wave image, followed as far as the program follows a stored sound:
// loading ends in a wave or in its documented error, never in a read outside the stream; a
// wave that loaded writes an image that reads back the same. A wave with samples then goes to
// the sound service on the headless machine as the wave list hands it over: a main buffer is
// made from it (or refused with the wrapper's error), a duplicate plays it from the start, the
// main buffer loops it across its seam, and the device mixes a few blocks of both.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/backend/headless/headless.h"
#include "sound/directsound.h"
#include "sound/wave.h"

namespace {

// Device frames mixed per input: a few blocks, enough to pass a short sound's end.
constexpr int kMixedFrames = 2048;
// The main buffer starts this many bytes before its end, so that the loop crosses its seam.
constexpr int kBeforeTheEnd = 64;

struct Machine {
  platform::headless::HeadlessBackend* backend;
  TDirectSound* sound;
};

// One headless machine and one open sound service for the whole run.
Machine& TheMachine() {
  static Machine machine = [] {
    platform::headless::HeadlessBackend& backend = platform::headless::Install(0);
    backend.SetAudioCaptureLimit(0);  // mixed, not kept
    return Machine{&backend, new TDirectSound(nullptr)};
  }();
  return machine;
}

void Play(const TWave& wave) {
  Machine& machine = TheMachine();
  TOwnedPtr<TDirectSoundBuffer> main(new TDirectSoundBuffer(machine.sound));
  try {
    main->LoadFromWave(wave);
  } catch (const EDirectSoundBufferError&) {
    return;  // a format or size the service does not take
  }
  TOwnedPtr<TDirectSoundBuffer> copy(new TDirectSoundBuffer(machine.sound));
  copy->Assign(main.get());
  if (!copy->IDSBuffer()) __builtin_trap();
  copy->SetPosition(0);
  copy->Play(false);
  main->SetPosition(std::max(0, main->Size() - kBeforeTheEnd));
  main->Play(true);
  machine.backend->PullAudio(kMixedFrames);
  // A loop of at least one whole frame never ends by itself.
  if (main->Size() >= main->Format()->nBlockAlign && !main->Playing()) __builtin_trap();
  main->Stop();
  copy->Stop();
  machine.backend->PullAudio(64);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TOwnedPtr<TMemoryStream> in(new TMemoryStream());
  if (size) in->WriteBuffer(data, static_cast<std::int64_t>(size));
  in->SetPosition(0);
  TOwnedPtr<TWave> wave(new TWave());
  try {
    wave->LoadFromStream(*in);
  } catch (const EReadError&) {
    return 0;
  } catch (const EWaveStreamError&) {
    return 0;
  }
  if (wave->Size() > static_cast<std::int32_t>(size)) __builtin_trap();
  // A format that loaded holds at least the 16 bytes every reader of it takes.
  if (wave->FormatSize() != 0 && wave->FormatSize() < 16) __builtin_trap();

  TOwnedPtr<TMemoryStream> out(new TMemoryStream());
  wave->SaveToStream(*out);
  if (wave->Size() > 0 && wave->FormatSize() > 0) {
    out->SetPosition(0);
    TOwnedPtr<TWave> again(new TWave());
    again->LoadFromStream(*out);
    if (again->Size() != wave->Size() || again->FormatSize() != wave->FormatSize() ||
        std::memcmp(again->Data(), wave->Data(), static_cast<std::size_t>(wave->Size())) != 0 ||
        std::memcmp(again->Format(), wave->Format(),
                    static_cast<std::size_t>(wave->FormatSize())) != 0)
      __builtin_trap();
  } else if (out->Size() != 0) {
    __builtin_trap();  // a wave without a format or samples writes nothing
  }

  // As the wave list does, only a wave with samples gets a buffer.
  if (wave->Size() > 0) Play(*wave);
  return 0;
}
