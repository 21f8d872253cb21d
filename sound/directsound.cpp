#include "sound/directsound.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/little_endian.h"
#include "toolkit/sysutils.h"

using namespace platform::dsound;
using platform::BOOL;
using platform::DWORD;

namespace {

constexpr const char* kLibrary = "DSound.dll";

template <class Function>
Function Entry(const char* name) {
  return reinterpret_cast<Function>(LoadLibraryEntry(kLibrary, name));
}

// The flags of a secondary buffer whose samples the wave list plays at its own frequency,
// pan and volume.
constexpr DWORD kControlledFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
constexpr DWORD k3DFlags =
    DSBCAPS_STATIC | DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME;

}  // namespace

// ---- TDirectSound ----

IMPLEMENT_CLASS(TDirectSound, TDirectX)

TDirectSound::TDirectSound(PGUID GUID) {
  const auto create = Entry<DirectSoundCreateFunc>("DirectSoundCreate");
  SetDXResult(create(GUID, &FIDSound, nullptr));
  if (DXResult() != DS_OK) {
    FIDSound = nullptr;
    throw EDirectSoundError(::Format(msg::SCannotInitialized, msg::SDirectSound));
  }
}

TDirectSound::~TDirectSound() {
  FreeBuffers();
  Release();
}

void TDirectSound::BeforeDestruction() {
  FreeBuffers();
  Release();
  TDirectX::BeforeDestruction();
}

void TDirectSound::FreeBuffers() {
  while (!FBufferList.empty()) FBufferList.back()->Free();
}

void TDirectSound::Release() {
  if (FIDSound) FIDSound->Release();
  FIDSound = nullptr;
}

TDirectSoundBuffer* TDirectSound::Buffers(int Index) const {
  if (Index < 0 || Index >= BufferCount()) throw EListError(Format(msg::SListIndexError, Index));
  return FBufferList[static_cast<std::size_t>(Index)];
}

IDirectSound* TDirectSound::ISound() const {
  if (!FIDSound) throw EDirectSoundError(Format(msg::SNotMade, "IDirectSound"));
  return FIDSound;
}

const std::vector<TDirectSoundDriver>& TDirectSound::Drivers() {
  static const std::vector<TDirectSoundDriver> drivers = [] {
    std::vector<TDirectSoundDriver> list;
    const auto enumerate = Entry<DirectSoundEnumerateAFunc>("DirectSoundEnumerateA");
    enumerate(
        [](GUID* guid, const char* description, const char* module, void* context) -> BOOL {
          static_cast<std::vector<TDirectSoundDriver>*>(context)->push_back(
              {guid ? *guid : GUID{}, description ? description : "", module ? module : ""});
          return true;
        },
        &list);
    return list;
  }();
  return drivers;
}

// ---- TDirectSoundBuffer ----

IMPLEMENT_CLASS(TDirectSoundBuffer, TDirectX)

TDirectSoundBuffer::TDirectSoundBuffer(TDirectSound* ADirectSound) : FDSound(ADirectSound) {
  FDSound->FBufferList.push_back(this);
}

TDirectSoundBuffer::~TDirectSoundBuffer() {
  SetIDSBuffer(nullptr);
  auto& list = FDSound->FBufferList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TDirectSoundBuffer::BeforeDestruction() {
  SetIDSBuffer(nullptr);
  TDirectX::BeforeDestruction();
}

void TDirectSoundBuffer::SetIDSBuffer(IDirectSoundBuffer* Value) {
  if (Value == FIDSBuffer) return;
  if (FIDSBuffer) FIDSBuffer->Release();
  FIDSBuffer = Value;
  FCaps = {};
  std::free(FFormat);
  FFormat = nullptr;
  FFormatSize = 0;
  FLockCount = 0;
  if (!FIDSBuffer) return;
  FCaps.dwSize = DSBCAPS_SIZE;
  FIDSBuffer->GetCaps(&FCaps);
  DWORD size = 0;
  if (FIDSBuffer->GetFormat(nullptr, 0, &size) == DS_OK && size > 0) {
    FFormat = static_cast<PWaveFormatEx>(std::calloc(size, 1));
    if (!FFormat) throw std::bad_alloc();
    FFormatSize = static_cast<std::int32_t>(size);
    FIDSBuffer->GetFormat(FFormat, size, nullptr);
  }
}

IDirectSoundBuffer* TDirectSoundBuffer::IBuffer() const {
  if (!FIDSBuffer) throw EDirectSoundBufferError(::Format(msg::SNotMade, "IDirectSoundBuffer"));
  return FIDSBuffer;
}

int TDirectSoundBuffer::BitCount() const {
  constexpr int kBitsOffset = 14;  // wBitsPerSample in the format record
  return FFormatSize >= kBitsOffset + 2
             ? platform::GetLE16(reinterpret_cast<const std::uint8_t*>(FFormat) + kBitsOffset)
             : 0;
}

void TDirectSoundBuffer::CheckResult() {
  if (FCopyingResult || DXResult() != DSERR_BUFFERLOST || FDSound->FInRestoreBuffer) return;
  FDSound->FInRestoreBuffer = true;
  try {
    FDSound->RestoreBuffers();
  } catch (...) {
    FDSound->FInRestoreBuffer = false;
    throw;
  }
  FDSound->FInRestoreBuffer = false;
}

int TDirectSoundBuffer::Frequency() {
  DWORD value = 0;
  SetDXResult(IBuffer()->GetFrequency(&value));
  return static_cast<int>(value);
}

void TDirectSoundBuffer::SetFrequency(int Value) {
  SetDXResult(IBuffer()->SetFrequency(static_cast<DWORD>(Value)));
}

int TDirectSoundBuffer::Pan() {
  LONG value = 0;
  SetDXResult(IBuffer()->GetPan(&value));
  return value;
}

void TDirectSoundBuffer::SetPan(int Value) { SetDXResult(IBuffer()->SetPan(Value)); }

int TDirectSoundBuffer::Volume() {
  LONG value = 0;
  SetDXResult(IBuffer()->GetVolume(&value));
  return value;
}

void TDirectSoundBuffer::SetVolume(int Value) { SetDXResult(IBuffer()->SetVolume(Value)); }

int TDirectSoundBuffer::Position() {
  DWORD play = 0;
  DWORD write = 0;
  IBuffer()->GetCurrentPosition(&play, &write);
  return static_cast<int>(play);
}

void TDirectSoundBuffer::SetPosition(int Value) {
  SetDXResult(IBuffer()->SetCurrentPosition(static_cast<DWORD>(Value)));
}

bool TDirectSoundBuffer::Playing() {
  DWORD status = 0;
  SetDXResult(IBuffer()->GetStatus(&status));
  return (status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING)) != 0;
}

void TDirectSoundBuffer::Assign(const TPersistent* Source) {
  if (!Source) {
    SetIDSBuffer(nullptr);
    return;
  }
  if (const auto* wave = dynamic_cast<const TWave*>(Source)) {
    LoadFromWave(*wave);
    return;
  }
  if (const auto* other = dynamic_cast<const TDirectSoundBuffer*>(Source)) {
    if (!other->FIDSBuffer) {
      SetIDSBuffer(nullptr);
      return;
    }
    IDirectSoundBuffer* duplicate = nullptr;
    FDSound->SetDXResult(FDSound->ISound()->DuplicateSoundBuffer(other->FIDSBuffer, &duplicate));
    if (FDSound->DXResult() == DS_OK) SetIDSBuffer(duplicate);
    return;
  }
  TDirectX::Assign(Source);
}

bool TDirectSoundBuffer::CreateBuffer(const DSBUFFERDESC& BufferDesc) {
  SetIDSBuffer(nullptr);
  IDirectSoundBuffer* buffer = nullptr;
  FDSound->SetDXResult(FDSound->ISound()->CreateSoundBuffer(&BufferDesc, &buffer, nullptr));
  // Copied without the lost-buffer check: no buffer was played here.
  const HRESULT result = FDSound->DXResult();
  FCopyingResult = true;
  SetDXResult(result);
  FCopyingResult = false;
  if (result != DS_OK) return false;
  SetIDSBuffer(buffer);
  return true;
}

void TDirectSoundBuffer::SetSize(const void* Format, int FormatSize, int Size, bool D3D) {
  DSBUFFERDESC desc{};
  desc.dwSize = DSBUFFERDESC_SIZE;
  desc.dwFlags = kControlledFlags;
  if (FDSound->StickyFocus())
    desc.dwFlags |= DSBCAPS_STICKYFOCUS;
  else if (FDSound->GlobalFocus())
    desc.dwFlags |= DSBCAPS_GLOBALFOCUS;
  if (D3D) desc.dwFlags = k3DFlags;
  desc.dwBufferBytes = static_cast<DWORD>(Size);
  desc.dwFormatBytes = Format ? static_cast<DWORD>(std::max(FormatSize, 0)) : 0;
  desc.lpwfxFormat = Format;
  if (!CreateBuffer(desc))
    throw EDirectSoundBufferError(::Format(msg::SCannotMade, msg::SDirectSoundBuffer));
}

void TDirectSoundBuffer::LoadFromMemory(const void* Format, int FormatSize, const void* Data,
                                        int Size) {
  SetSize(Format, FormatSize, Size, FIsD3D);
  if (!Data) return;
  void* p1 = nullptr;
  void* p2 = nullptr;
  int n1 = 0;
  int n2 = 0;
  if (!Lock(0, Size, p1, n1, p2, n2)) {
    SetIDSBuffer(nullptr);
    FIDS3DBuffer = nullptr;
    throw EDirectSoundBufferError(::Format(msg::SCannotLocked, msg::SDirectSoundBuffer));
  }
  try {
    const auto* bytes = static_cast<const std::uint8_t*>(Data);
    std::memcpy(p1, bytes, static_cast<std::size_t>(n1));
    if (p2) std::memcpy(p2, bytes + n1, static_cast<std::size_t>(n2));
  } catch (...) {
    UnLock();
    throw;
  }
  UnLock();
}

void TDirectSoundBuffer::LoadFromWave(const TWave& Wave) {
  LoadFromMemory(Wave.Format(), Wave.FormatSize(), Wave.Data(), Wave.Size());
}

void TDirectSoundBuffer::LoadFromStream(TStream& Stream) {
  TOwnedPtr<TWave> wave(new TWave());
  wave->LoadFromStream(Stream);
  LoadFromWave(*wave);
}

void TDirectSoundBuffer::LoadFromFile(const std::string& FileName) {
  TOwnedPtr<TWave> wave(new TWave());
  wave->LoadFromFile(FileName);
  LoadFromWave(*wave);
}

bool TDirectSoundBuffer::Lock(int LockPosition, int LockSize, void*& AudioPtr1, int& AudioSize1,
                              void*& AudioPtr2, int& AudioSize2) {
  if (!FIDSBuffer || FLockCount > 0) return false;
  DWORD n1 = 0;
  DWORD n2 = 0;
  void* p1 = nullptr;
  void* p2 = nullptr;
  SetDXResult(FIDSBuffer->Lock(static_cast<DWORD>(LockPosition), static_cast<DWORD>(LockSize), &p1,
                               &n1, &p2, &n2, 0));
  if (DXResult() != DS_OK) return false;
  FLockAudioPtr1 = AudioPtr1 = p1;
  FLockAudioPtr2 = AudioPtr2 = p2;
  FLockAudioSize1 = n1;
  FLockAudioSize2 = n2;
  AudioSize1 = static_cast<int>(n1);
  AudioSize2 = static_cast<int>(n2);
  FLockCount = 1;
  return true;
}

void TDirectSoundBuffer::UnLock() {
  if (!FIDSBuffer || FLockCount == 0) return;
  --FLockCount;
  SetDXResult(FIDSBuffer->Unlock(FLockAudioPtr1, FLockAudioSize1, FLockAudioPtr2, FLockAudioSize2));
}

bool TDirectSoundBuffer::Play(bool Loop) {
  SetDXResult(IBuffer()->Play(0, 0, Loop ? DSBPLAY_LOOPING : 0));
  return DXResult() == DS_OK;
}

void TDirectSoundBuffer::Stop() { SetDXResult(IBuffer()->Stop()); }

void TDirectSoundBuffer::Restore() { SetDXResult(IBuffer()->Restore()); }
