// Thin wrappers over the sound service's objects: TDirectSound for the service itself and
// TDirectSoundBuffer for one sound buffer. Calls never raise by themselves: each keeps its
// result in DXResult. What raises is a wrapper without its platform object ("%s not made")
// and the few steps that cannot go on (making, loading).
//
// A buffer call that finds its buffer lost asks its TDirectSound to restore every buffer
// (RestoreBuffers); the call itself is not repeated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/directx.h"
#include "platform/dsound/dsound.h"
#include "sound/wave.h"

DECLARE_EXCEPTION(EDirectSoundError, EDirectXError);
DECLARE_EXCEPTION(EDirectSoundBufferError, EDirectSoundError);

namespace msg {
inline constexpr const char* SCannotInitialized = "%s cannot be initialized";
inline constexpr const char* SCannotMade = "%s cannot be made";
inline constexpr const char* SCannotLocked = "%s cannot be locked";
inline constexpr const char* SNotMade = "%s not made";
inline constexpr const char* SDirectSound = "DirectSound";
inline constexpr const char* SDirectSoundBuffer = "Sound Buffer";
inline constexpr const char* SDirectSoundPrimaryBuffer = "Primary Buffer";
}  // namespace msg

// One sound device as the service enumerates it.
struct TDirectSoundDriver {
  TGUID GUID;
  std::string Description;
  std::string DriverName;
};

class TDirectSoundBuffer;

class TDirectSound : public TDirectX {
  DECLARE_CLASSINFO(TDirectSound);

  // Opens the service on the device of that GUID (nullptr: the default device);
  // EDirectSoundError "%s cannot be initialized" with "DirectSound" when it cannot.
  explicit TDirectSound(PGUID GUID);
  ~TDirectSound() override;

  int BufferCount() const { return static_cast<int>(FBufferList.size()); }
  // EListError outside 0 .. BufferCount - 1.
  TDirectSoundBuffer* Buffers(int Index) const;
  platform::dsound::IDirectSound* IDSound() const { return FIDSound; }
  // EDirectSoundError "%s not made" with "IDirectSound" when there is none.
  platform::dsound::IDirectSound* ISound() const;

  bool GlobalFocus() const { return FGlobalFocus; }
  void SetGlobalFocus(bool Value) { FGlobalFocus = Value; }
  bool StickyFocus() const { return FStickyFocus; }
  void SetStickyFocus(bool Value) { FStickyFocus = Value; }
  bool InRestoreBuffer() const { return FInRestoreBuffer; }

  // The devices, enumerated once per process.
  static const std::vector<TDirectSoundDriver>& Drivers();

  // Called when a buffer was lost; here it does nothing.
  virtual void RestoreBuffers() {}

 protected:
  void BeforeDestruction() override;

 private:
  friend class TDirectSoundBuffer;
  void FreeBuffers();
  void Release();

  std::vector<TDirectSoundBuffer*> FBufferList;
  bool FGlobalFocus = false;
  platform::dsound::IDirectSound* FIDSound = nullptr;
  bool FInRestoreBuffer = false;
  bool FStickyFocus = false;
};

class TDirectSoundBuffer : public TDirectX {
  DECLARE_CLASSINFO(TDirectSoundBuffer);

  // A buffer without a platform buffer, on the service's list.
  explicit TDirectSoundBuffer(TDirectSound* ADirectSound);
  ~TDirectSoundBuffer() override;

  TDirectSound* DSound() const { return FDSound; }
  platform::dsound::IDirectSoundBuffer* IDSBuffer() const { return FIDSBuffer; }
  // Takes v (nullptr: lets go); the caps and the format are read from it.
  void SetIDSBuffer(platform::dsound::IDirectSoundBuffer* Value);
  // EDirectSoundBufferError "%s not made" with "IDirectSoundBuffer" when there is none.
  platform::dsound::IDirectSoundBuffer* IBuffer() const;

  const platform::dsound::DSBCAPS& Caps() const { return FCaps; }
  PWaveFormatEx Format() const { return FFormat; }
  std::int32_t FormatSize() const { return FFormatSize; }
  // wBitsPerSample of the format; 0 without one.
  int BitCount() const;
  int Size() const { return static_cast<int>(FCaps.dwBufferBytes); }
  bool IsD3D() const { return FIsD3D; }
  int LockCount() const { return FLockCount; }

  // The platform's values; the setters pass straight on and keep the result.
  int Frequency();
  void SetFrequency(int Value);
  int Pan();
  void SetPan(int Value);
  int Volume();
  void SetVolume(int Value);
  // The play cursor in bytes; reading keeps no result.
  int Position();
  void SetPosition(int Value);
  // Playing or looping.
  bool Playing();

  // nullptr lets go of the platform buffer; a TWave is loaded; another buffer is duplicated
  // (sharing its samples), or, when it holds none, this one lets go of its own.
  void Assign(const TPersistent* Source) override;
  // Lets go of the present buffer and makes one as described; answers whether it was made.
  bool CreateBuffer(const platform::dsound::DSBUFFERDESC& BufferDesc);
  // A new platform buffer of Size bytes in Format (a record of FormatSize bytes, of which the
  // service reads none past them) with frequency, pan and volume control;
  // EDirectSoundBufferError "%s cannot be made" with "Sound Buffer" when it cannot be made (a
  // format too short for its fields included).
  void SetSize(const void* Format, int FormatSize, int Size, bool D3D);
  // A new buffer of Size bytes filled from Data (left as made when Data is nullptr);
  // EDirectSoundBufferError "%s cannot be locked" with "Sound Buffer" when it cannot be filled.
  void LoadFromMemory(const void* Format, int FormatSize, const void* Data, int Size);
  void LoadFromWave(const TWave& Wave);
  void LoadFromStream(TStream& Stream);
  void LoadFromFile(const std::string& FileName);

  // One lock at a time: False without a platform buffer, with a lock open, or when the
  // platform refuses.
  bool Lock(int LockPosition, int LockSize, void*& AudioPtr1, int& AudioSize1, void*& AudioPtr2,
            int& AudioSize2);
  void UnLock();
  bool Play(bool Loop);
  void Stop();
  void Restore();

 protected:
  void BeforeDestruction() override;
  // A lost buffer makes the service restore all of them, unless it is doing so already.
  void CheckResult() override;

 private:
  TDirectSound* FDSound;
  platform::dsound::IDirectSoundBuffer* FIDSBuffer = nullptr;
  void* FIDS3DBuffer = nullptr;  // never made here
  platform::dsound::DSBCAPS FCaps{};
  PWaveFormatEx FFormat = nullptr;
  std::int32_t FFormatSize = 0;
  void* FLockAudioPtr1 = nullptr;
  void* FLockAudioPtr2 = nullptr;
  std::uint32_t FLockAudioSize1 = 0;
  std::uint32_t FLockAudioSize2 = 0;
  std::int32_t FLockCount = 0;
  bool FIsD3D = false;
  bool FCopyingResult = false;  // a result taken over from the service, not checked again
};
