// The sound-mixing service, in software: a service object on the machine's audio device, and
// sound buffers that hold PCM samples and play them, once or looping, with their own
// frequency, pan and volume. Duplicates of a buffer share its sample memory. Every buffer that
// plays is mixed into the device by the mixer (mixer.h).
//
// Callers reach the service as the library "DSound.dll" with the entries "DirectSoundCreate"
// and "DirectSoundEnumerateA" (registered as a built-in module when the program starts). Every
// operation answers a result code and never raises; DS_OK is 0.
//
// Units: volume in hundredths of a decibel from DSBVOLUME_MIN (-10000, silence) to 0 (full);
// pan in hundredths of a decibel taken off the other side, from -10000 (left only) to 10000
// (right only); frequency in Hz, 0 meaning the buffer's own rate.
//
// Does not: 3-D sound (the 3-D flag is accepted and ignored), capture, hardware buffers,
// notification positions, formats other than 8- and 16-bit PCM with one or two channels.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace platform::dsound {

using HRESULT = std::int32_t;
using LONG = std::int32_t;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_ALLOCATED = static_cast<HRESULT>(0x8878000A);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001E);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078);
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096);
constexpr HRESULT DSERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);

// Buffer description flags.
constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x1;
constexpr DWORD DSBCAPS_STATIC = 0x2;
constexpr DWORD DSBCAPS_CTRL3D = 0x10;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLPAN = 0x40;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;
constexpr DWORD DSBCAPS_STICKYFOCUS = 0x4000;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x8000;

constexpr DWORD DSBPLAY_LOOPING = 0x1;
constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x1;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x2;

constexpr DWORD DSBSTATUS_PLAYING = 0x1;
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x2;
constexpr DWORD DSBSTATUS_LOOPING = 0x4;

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DSSCL_EXCLUSIVE = 3;
constexpr DWORD DSSCL_WRITEPRIMARY = 4;

constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBPAN_LEFT = -10000;
constexpr LONG DSBPAN_RIGHT = 10000;
constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 200000;
// Rates a buffer's format may have.
constexpr DWORD kMinFormatRate = 4000;
constexpr DWORD kMaxFormatRate = 96000;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

using GUID = platform::GUID;

// The published wave format header, packed as stored. A format buffer may end after
// wBitsPerSample (16 bytes); the service reads only those 16 bytes, and none past the length
// a buffer description gives: a shorter format is a bad format.
#pragma pack(push, 1)
struct WAVEFORMATEX {
  std::uint16_t wFormatTag;
  std::uint16_t nChannels;
  std::uint32_t nSamplesPerSec;
  std::uint32_t nAvgBytesPerSec;
  std::uint16_t nBlockAlign;
  std::uint16_t wBitsPerSample;
  std::uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);
constexpr DWORD kPCMFormatSize = 16;  // the bytes of a format without cbSize

// A buffer description. dwSize must be DSBUFFERDESC_SIZE, the size it has as the service
// publishes it.
struct DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwFormatBytes;      // the bytes lpwfxFormat holds; the service reads none past them
  const void* lpwfxFormat;  // a WAVEFORMATEX of at least 16 bytes; nullptr for the primary
  GUID guid3DAlgorithm;
};
constexpr DWORD DSBUFFERDESC_SIZE = 36;

// A buffer's capabilities. dwSize must be DSBCAPS_SIZE.
struct DSBCAPS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwUnlockTransferRate;
  DWORD dwPlayCpuOverhead;
};
constexpr DWORD DSBCAPS_SIZE = 20;

// Reference counted: made with one reference, freed when the last is released.
class IUnknown {
 public:
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IDirectSoundBuffer : public IUnknown {
 public:
  virtual HRESULT GetCaps(DSBCAPS* caps) = 0;
  // Byte offsets of the play cursor and of the first byte that is safe to write.
  virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
  // With format nullptr answers the size the format needs in *written; otherwise copies at
  // most `allocated` bytes of it.
  virtual HRESULT GetFormat(void* format, DWORD allocated, DWORD* written) = 0;
  virtual HRESULT GetVolume(LONG* volume) = 0;
  virtual HRESULT GetPan(LONG* pan) = 0;
  virtual HRESULT GetFrequency(DWORD* frequency) = 0;
  virtual HRESULT GetStatus(DWORD* status) = 0;
  // Hands out `bytes` of sample memory from `offset` on, as one region or, where the range
  // runs past the end of the buffer, two (the second from the start). Both lie inside the
  // buffer's memory.
  virtual HRESULT Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2,
                       DWORD* bytes2, DWORD flags) = 0;
  virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
  virtual HRESULT SetCurrentPosition(DWORD position) = 0;
  virtual HRESULT SetVolume(LONG volume) = 0;
  virtual HRESULT SetPan(LONG pan) = 0;
  virtual HRESULT SetFrequency(DWORD frequency) = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Unlock(void* ptr1, DWORD bytes1, void* ptr2, DWORD bytes2) = 0;
  // Takes a lost buffer back; its samples must then be written again.
  virtual HRESULT Restore() = 0;
};

class IDirectSound : public IUnknown {
 public:
  virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                                    void* outer) = 0;
  // A new buffer on the same sample memory, stopped at position 0, with the source's format,
  // frequency, pan and volume.
  virtual HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original,
                                       IDirectSoundBuffer** duplicate) = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
};

// The library's entries. DirectSoundCreate opens the machine's audio device (shared by every
// service object alive) and fails with DSERR_NODRIVER when there is none.
using LPDSENUMCALLBACKA = BOOL (*)(GUID* guid, const char* description, const char* module,
                                   void* context);
HRESULT DirectSoundCreate(const GUID* device, IDirectSound** sound, void* outer);
HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, void* context);

using DirectSoundCreateFunc = decltype(&DirectSoundCreate);
using DirectSoundEnumerateAFunc = decltype(&DirectSoundEnumerateA);

// Puts "DSound.dll" into the catalogue of built-in modules (it is there from the start; this
// puts it back after it was taken out).
void RegisterModule();

}  // namespace platform::dsound
