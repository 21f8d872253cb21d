#include "platform/dsound/dsound.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/backend/backend.h"
#include "platform/dsound/mixer.h"
#include "platform/little_endian.h"
#include "platform/system/machine.h"
#include "platform/system/modules.h"
#include "platform/system/windows.h"

namespace platform::dsound {

namespace {

// What the service asks of the audio device: the usual desktop rate, stereo, and blocks
// small enough that a sound starts within about 20 ms of being played.
constexpr AudioSpec kWantedDevice{48000, 2, 512};

// The machine's audio device while any service object or buffer uses it.
class Device {
 public:
  static std::shared_ptr<Device> Open();
  ~Device();
  Mixer& mixer() { return *FMixer; }
  int Channels() const { return FChannels; }

 private:
  Device(Backend* backend, std::shared_ptr<Mixer> mixer, int channels)
      : FBackend(backend), FMixer(std::move(mixer)), FChannels(channels) {}
  Backend* FBackend;
  std::shared_ptr<Mixer> FMixer;
  int FChannels;
};

std::weak_ptr<Device>& OpenDevice() {
  static std::weak_ptr<Device> device;
  return device;
}

std::shared_ptr<Device> Device::Open() {
  if (auto device = OpenDevice().lock()) return device;
  if (!HasBackend()) return nullptr;
  Backend& backend = CurrentBackend();
  auto mixer = std::make_shared<Mixer>(kWantedDevice.rate);
  auto pull = [mixer](std::int16_t* out, int frames, int channels) {
    mixer->Mix(out, frames, channels);
  };
  auto lost = [mixer] { mixer->LoseAll(); };
  AudioSpec obtained;
  if (!backend.OpenAudio(kWantedDevice, obtained, pull, lost)) return nullptr;
  // No voice exists yet, so what was pulled so far was silence at any rate.
  mixer->SetDeviceRate(obtained.rate);
  std::shared_ptr<Device> device(new Device(&backend, std::move(mixer), obtained.channels));
  OpenDevice() = device;
  return device;
}

Device::~Device() {
  // A backend uninstalled meanwhile has closed its device already.
  if (HasBackend() && &CurrentBackend() == FBackend) FBackend->CloseAudio();
}

// Shared by both service objects: one reference count, made with one reference.
template <class Interface>
class RefCounted : public Interface {
 public:
  std::uint32_t AddRef() override { return ++FRefs; }
  std::uint32_t Release() override {
    const std::uint32_t left = --FRefs;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::uint32_t FRefs = 1;
};

// Reads the 16 bytes of a PCM format that the service needs, and checks it; a format of fewer
// bytes is refused unread.
bool ReadFormat(const void* format, DWORD bytes, PcmFormat& pcm) {
  if (bytes < kPCMFormatSize) return false;
  const auto* b = static_cast<const std::uint8_t*>(format);
  if (GetLE16(b) != WAVE_FORMAT_PCM) return false;
  pcm.channels = GetLE16(b + 2);
  pcm.rate = GetLE32(b + 4);
  const int blockAlign = GetLE16(b + 12);
  pcm.bits = GetLE16(b + 14);
  return (pcm.channels == 1 || pcm.channels == 2) && (pcm.bits == 8 || pcm.bits == 16) &&
         pcm.rate >= kMinFormatRate && pcm.rate <= kMaxFormatRate && blockAlign == pcm.BlockAlign();
}

// The format record the service reports for a PCM layout.
void WriteFormat(const PcmFormat& pcm, std::uint8_t (&out)[sizeof(WAVEFORMATEX)]) {
  PutLE16(out, WAVE_FORMAT_PCM);
  PutLE16(out + 2, static_cast<std::uint16_t>(pcm.channels));
  PutLE32(out + 4, pcm.rate);
  PutLE32(out + 8, pcm.rate * static_cast<std::uint32_t>(pcm.BlockAlign()));
  PutLE16(out + 12, static_cast<std::uint16_t>(pcm.BlockAlign()));
  PutLE16(out + 14, static_cast<std::uint16_t>(pcm.bits));
  PutLE16(out + 16, 0);
}

class SoundBuffer final : public RefCounted<IDirectSoundBuffer> {
 public:
  // The primary buffer: the device's own output, which takes no samples.
  explicit SoundBuffer(std::shared_ptr<Device> device)
      : FDevice(std::move(device)), FFlags(DSBCAPS_PRIMARYBUFFER) {
    FFormat = {static_cast<std::uint32_t>(FDevice->mixer().Rate()),
               std::min(2, FDevice->Channels()), 16};
  }
  // A secondary buffer on sample memory of its own or shared with the buffer it duplicates.
  SoundBuffer(std::shared_ptr<Device> device, std::shared_ptr<SampleMemory> memory, DWORD flags)
      : FDevice(std::move(device)), FFlags(flags), FFormat(memory->format) {
    FVoice = mixer().Add(std::move(memory));
  }
  ~SoundBuffer() override {
    if (FVoice) mixer().Remove(FVoice);
  }

  bool Primary() const { return !FVoice; }
  DWORD Flags() const { return FFlags; }
  const std::shared_ptr<Voice>& voice() const { return FVoice; }
  const std::shared_ptr<Device>& device() const { return FDevice; }
  LONG volume() const { return FVolume; }
  LONG pan() const { return FPan; }
  DWORD frequency() const { return FFrequency; }

  HRESULT GetCaps(DSBCAPS* caps) override {
    if (!caps || caps->dwSize != DSBCAPS_SIZE) return DSERR_INVALIDPARAM;
    caps->dwFlags = FFlags;
    caps->dwBufferBytes = Bytes();
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
  }

  HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override {
    if (Primary()) return DSERR_INVALIDCALL;
    const DWORD at = mixer().Position(*FVoice) * static_cast<DWORD>(FFormat.BlockAlign());
    if (play) *play = at;
    if (write) *write = at;
    return DS_OK;
  }

  HRESULT GetFormat(void* format, DWORD allocated, DWORD* written) override {
    std::uint8_t record[sizeof(WAVEFORMATEX)];
    WriteFormat(FFormat, record);
    if (!format) {
      if (!written) return DSERR_INVALIDPARAM;
      *written = sizeof record;
      return DS_OK;
    }
    const DWORD n = std::min<DWORD>(allocated, sizeof record);
    std::memcpy(format, record, n);
    if (written) *written = n;
    return DS_OK;
  }

  HRESULT GetVolume(LONG* v) override { return Get(v, FVolume, DSBCAPS_CTRLVOLUME); }
  HRESULT GetPan(LONG* v) override { return Get(v, FPan, DSBCAPS_CTRLPAN); }
  HRESULT GetFrequency(DWORD* v) override {
    if (Primary()) return DSERR_CONTROLUNAVAIL;
    return Get(v, FFrequency ? FFrequency : FFormat.rate, DSBCAPS_CTRLFREQUENCY);
  }

  HRESULT GetStatus(DWORD* status) override {
    if (!status) return DSERR_INVALIDPARAM;
    if (Primary()) {
      *status = FPrimaryPlaying ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
      return DS_OK;
    }
    const Mixer& m = mixer();
    *status = 0;
    if (m.Lost(*FVoice)) *status |= DSBSTATUS_BUFFERLOST;
    if (m.Playing(*FVoice)) {
      *status |= DSBSTATUS_PLAYING;
      if (m.Looping(*FVoice)) *status |= DSBSTATUS_LOOPING;
    }
    return DS_OK;
  }

  HRESULT Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2, DWORD* bytes2,
               DWORD flags) override {
    if (Primary()) return DSERR_INVALIDCALL;
    if (!ptr1 || !bytes1) return DSERR_INVALIDPARAM;
    if (mixer().Lost(*FVoice)) return DSERR_BUFFERLOST;
    const DWORD size = Bytes();
    if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    std::uint8_t* base = FVoice->Memory()->data.data();
    const DWORD first = std::min(bytes, size - offset);
    *ptr1 = base + offset;
    *bytes1 = first;
    const DWORD second = bytes - first;
    if (second && (!ptr2 || !bytes2)) return DSERR_INVALIDPARAM;
    if (ptr2) *ptr2 = second ? base : nullptr;
    if (bytes2) *bytes2 = second;
    ++FLocks;
    return DS_OK;
  }

  HRESULT Unlock(void* ptr1, DWORD bytes1, void* ptr2, DWORD bytes2) override {
    if (Primary()) return DSERR_INVALIDCALL;
    if (FLocks == 0 || !Inside(ptr1, bytes1) || (ptr2 && !Inside(ptr2, bytes2)))
      return DSERR_INVALIDPARAM;
    --FLocks;
    return DS_OK;
  }

  HRESULT Play(DWORD reserved, DWORD, DWORD flags) override {
    if (reserved != 0) return DSERR_INVALIDPARAM;
    if (Primary()) {
      // The device plays all the time; the primary's own state is only reported.
      FPrimaryPlaying = true;
      return DS_OK;
    }
    if (mixer().Lost(*FVoice)) return DSERR_BUFFERLOST;
    mixer().Play(*FVoice, (flags & DSBPLAY_LOOPING) != 0);
    return DS_OK;
  }

  HRESULT SetCurrentPosition(DWORD position) override {
    if (Primary()) return DSERR_INVALIDCALL;
    if (position >= Bytes()) return DSERR_INVALIDPARAM;
    mixer().SetPosition(*FVoice, position / static_cast<DWORD>(FFormat.BlockAlign()));
    return DS_OK;
  }

  HRESULT SetVolume(LONG volume) override {
    if (!(FFlags & DSBCAPS_CTRLVOLUME) || Primary()) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    FVolume = volume;
    mixer().SetGains(*FVoice, GainsOf(FVolume, FPan));
    return DS_OK;
  }

  HRESULT SetPan(LONG pan) override {
    if (!(FFlags & DSBCAPS_CTRLPAN) || Primary()) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    FPan = pan;
    mixer().SetGains(*FVoice, GainsOf(FVolume, FPan));
    return DS_OK;
  }

  HRESULT SetFrequency(DWORD frequency) override {
    if (!(FFlags & DSBCAPS_CTRLFREQUENCY) || Primary()) return DSERR_CONTROLUNAVAIL;
    if (frequency != DSBFREQUENCY_ORIGINAL &&
        (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
      return DSERR_INVALIDPARAM;
    FFrequency = frequency;
    mixer().SetRate(*FVoice, frequency ? frequency : FFormat.rate);
    return DS_OK;
  }

  HRESULT Stop() override {
    if (Primary())
      FPrimaryPlaying = false;
    else
      mixer().Stop(*FVoice);
    return DS_OK;
  }

  HRESULT Restore() override {
    if (!Primary()) mixer().Restore(*FVoice);
    return DS_OK;
  }

  // Copies the play parameters of the buffer this one duplicates.
  void TakeParameters(const SoundBuffer& from) {
    FVolume = from.FVolume;
    FPan = from.FPan;
    FFrequency = from.FFrequency;
    mixer().SetGains(*FVoice, GainsOf(FVolume, FPan));
    mixer().SetRate(*FVoice, FFrequency ? FFrequency : FFormat.rate);
  }

 private:
  Mixer& mixer() const { return FDevice->mixer(); }
  DWORD Bytes() const { return FVoice ? static_cast<DWORD>(FVoice->Memory()->data.size()) : 0; }
  bool Inside(const void* p, DWORD n) const {
    const auto& data = FVoice->Memory()->data;
    const auto* b = static_cast<const std::uint8_t*>(p);
    return b >= data.data() && b <= data.data() + data.size() &&
           n <= static_cast<std::size_t>(data.data() + data.size() - b);
  }
  template <class T>
  HRESULT Get(T* out, T value, DWORD control) const {
    if (!out) return DSERR_INVALIDPARAM;
    if (!(FFlags & control)) return DSERR_CONTROLUNAVAIL;
    *out = value;
    return DS_OK;
  }

  std::shared_ptr<Device> FDevice;
  DWORD FFlags;
  PcmFormat FFormat;
  std::shared_ptr<Voice> FVoice;  // none for the primary buffer
  LONG FVolume = 0;
  LONG FPan = 0;
  DWORD FFrequency = DSBFREQUENCY_ORIGINAL;
  int FLocks = 0;
  bool FPrimaryPlaying = false;
};

class DirectSound final : public RefCounted<IDirectSound> {
 public:
  explicit DirectSound(std::shared_ptr<Device> device) : FDevice(std::move(device)) {}

  HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                            void* outer) override {
    if (outer) return DSERR_NOAGGREGATION;
    if (!desc || !buffer || desc->dwSize != DSBUFFERDESC_SIZE) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
      if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
      *buffer = new SoundBuffer(FDevice);
      return DS_OK;
    }
    if (!desc->lpwfxFormat) return DSERR_INVALIDPARAM;
    PcmFormat pcm;
    if (!ReadFormat(desc->lpwfxFormat, desc->dwFormatBytes, pcm)) return DSERR_BADFORMAT;
    // Any length that holds a byte is taken; a tail shorter than a frame is never played.
    if (desc->dwBufferBytes == 0 || desc->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
    std::shared_ptr<SampleMemory> memory;
    try {
      memory = std::make_shared<SampleMemory>(pcm, desc->dwBufferBytes);
    } catch (const std::bad_alloc&) {
      return DSERR_OUTOFMEMORY;
    }
    *buffer = new SoundBuffer(FDevice, std::move(memory), desc->dwFlags);
    return DS_OK;
  }

  HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original,
                               IDirectSoundBuffer** duplicate) override {
    if (!original || !duplicate) return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    auto* source = dynamic_cast<SoundBuffer*>(original);
    if (!source || source->Primary() || source->device() != FDevice) return DSERR_INVALIDCALL;
    auto* copy = new SoundBuffer(FDevice, source->voice()->Memory(), source->Flags());
    copy->TakeParameters(*source);
    *duplicate = copy;
    return DS_OK;
  }

  HRESULT SetCooperativeLevel(HWND window, DWORD level) override {
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY || !IsWindow(window))
      return DSERR_INVALIDPARAM;
    FLevel = level;
    return DS_OK;
  }

 private:
  std::shared_ptr<Device> FDevice;
  DWORD FLevel = 0;
};

constexpr const char* kDefaultDevice = "Primary Sound Driver";

}  // namespace

HRESULT DirectSoundCreate(const GUID* device, IDirectSound** sound, void* outer) {
  if (!sound) return DSERR_INVALIDPARAM;
  *sound = nullptr;
  if (outer) return DSERR_NOAGGREGATION;
  // The machine has one device, the default one, named by no GUID or by the zero GUID.
  if (device && (device->Data1 || device->Data2 || device->Data3 ||
                 std::any_of(std::begin(device->Data4), std::end(device->Data4),
                             [](std::uint8_t b) { return b != 0; })))
    return DSERR_NODRIVER;
  std::shared_ptr<Device> open = Device::Open();
  if (!open) return DSERR_NODRIVER;
  *sound = new DirectSound(std::move(open));
  return DS_OK;
}

HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, void* context) {
  if (!callback) return DSERR_INVALIDPARAM;
  callback(nullptr, kDefaultDevice, "", context);
  return DS_OK;
}

void RegisterModule() {
  RegisterBuiltinModule(
      "DSound.dll", {{"DirectSoundCreate", reinterpret_cast<void*>(&DirectSoundCreate)},
                     {"DirectSoundEnumerateA", reinterpret_cast<void*>(&DirectSoundEnumerateA)}});
}

namespace {
[[maybe_unused]] const bool kRegistered = (RegisterModule(), true);
}

}  // namespace platform::dsound
