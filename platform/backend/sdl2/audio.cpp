// The audio device of the SDL backend (see sdl2.h).
#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "platform/backend/sdl2/sdl2.h"

namespace platform::sdl2 {

namespace {
constexpr int kMaxBlockFrames = 512;  // keeps a sound within about 20 ms of its Play
}  // namespace

void Sdl2Backend::AudioCallback(void* backend, std::uint8_t* stream, int bytes) {
  auto* self = static_cast<Sdl2Backend*>(backend);
  const int frameBytes = self->FAudioChannels * static_cast<int>(sizeof(std::int16_t));
  self->FAudioPull(reinterpret_cast<std::int16_t*>(stream), bytes / frameBytes,
                   self->FAudioChannels);
}

bool Sdl2Backend::OpenAudio(const AudioSpec& wanted, AudioSpec& obtained, AudioPull pull,
                            AudioLost) {
  if (FAudioDevice || !pull) return false;
  // SDL's audio stays up from the first open to the end of the backend: taking it down waits
  // for its device watcher, which sleeps in steps of a tenth of a second, and a machine with no
  // sound device would wait for it before its first frame.
  if (!FAudioUp) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      std::fprintf(stderr, "sdl2: no audio: %s\n", SDL_GetError());
      return false;
    }
    FAudioUp = true;
  }
  SDL_AudioSpec want{};
  want.freq = wanted.rate;
  want.format = AUDIO_S16SYS;
  want.channels = static_cast<Uint8>(wanted.channels);
  want.samples = static_cast<Uint16>(std::clamp(wanted.frames, 64, kMaxBlockFrames));
  want.callback = &Sdl2Backend::AudioCallback;
  want.userdata = this;
  // The device's own rate and channel count spare SDL a second resampling; the block size
  // and the sample format stay ours.
  SDL_AudioSpec have{};
  FAudioPull = std::move(pull);
  FAudioChannels = want.channels;
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(
      nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
  if (device == 0) {
    std::fprintf(stderr, "sdl2: cannot open the audio device: %s\n", SDL_GetError());
    FAudioPull = nullptr;
    return false;
  }
  FAudioDevice = device;
  FAudioChannels = have.channels;
  obtained = {have.freq, have.channels, have.samples};
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void Sdl2Backend::CloseAudio() {
  if (!FAudioDevice) return;
  // Closing waits for the callback to return and stops it for good.
  SDL_CloseAudioDevice(FAudioDevice);
  FAudioDevice = 0;
  FAudioPull = nullptr;
}

}  // namespace platform::sdl2
