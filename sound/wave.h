// Wave data: one sound in memory (TWave: a format record and the sample bytes), and the
// streams that read and write it as a RIFF WAVE image (TWaveStream and its bases). A wave is
// stored in a component stream as the binary property "WAVE", which holds such an image.
//
// The image a wave writes, little-endian throughout (F = format size, D = data size):
//   "RIFF", u32 total - 8, "WAVE", "fmt ", u32 F, F format bytes, "data", u32 D, D samples
// with no pad byte after an odd-sized chunk and nothing after the samples.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dsound/dsound.h"
#include "toolkit/classes.h"
#include "toolkit/streams.h"
#include "toolkit/sysutils.h"

// The format record as stored. A format buffer holds the body of the "fmt " chunk exactly as
// it was stored: 16 bytes end after wBitsPerSample, so cbSize exists only from 18 bytes on.
using tWAVEFORMATEX = platform::dsound::WAVEFORMATEX;
using PWaveFormatEx = tWAVEFORMATEX*;

DECLARE_EXCEPTION(EWaveStreamError, Exception);

namespace msg {
inline constexpr const char* SWaveInvalid = "Wave is invalid";
inline constexpr const char* SStreamOpend = "Stream is already open";
inline constexpr const char* SStreamNotOpend = "Stream not opened";
inline constexpr const char* SInvalidWaveFormat = "Format is invalid";
}  // namespace msg

// One sound: a format buffer and sample bytes, both owned.
class TWave : public TPersistent {
  DECLARE_CLASSINFO(TWave);

  TWave() = default;
  ~TWave() override;

  // The sample bytes; nullptr when there are none.
  const std::uint8_t* Data() const { return FData; }
  std::uint8_t* Data() { return FData; }
  // The format buffer of FormatSize() bytes; nullptr when there is none.
  PWaveFormatEx Format() const { return FFormat; }
  std::int32_t FormatSize() const { return FFormatSize; }
  // Reallocates the format buffer to exactly Value bytes (none at 0 or less), keeping the
  // bytes that fit.
  void SetFormatSize(std::int32_t Value);
  std::int32_t Size() const { return FSize; }
  // Sets the number of sample bytes (0 for a value of 0 or less). Memory is reserved in blocks
  // of kBlockSize bytes and moves only when the number of blocks changes; the bytes that fit
  // are kept.
  void SetSize(std::int32_t Value);

  void Assign(const TPersistent* Source) override;
  void Clear();
  void LoadFromFile(const std::string& FileName);
  // Reads a RIFF WAVE image from the stream's position on; see TWaveStream::Open. A load that
  // fails leaves the wave as it was.
  void LoadFromStream(TStream& Stream);
  void SaveToFile(const std::string& FileName);
  // Writes the image; a wave without a format or without samples writes nothing.
  void SaveToStream(TStream& Stream);
  // An 18-byte PCM format; the samples are not touched.
  void SetPCMFormat(std::int32_t SamplesPerSec, std::int32_t BitsPerSample, std::int32_t Channels);

  void DefineStoredProperties(TFiler& Filer) override;

  static constexpr std::int32_t kBlockSize = 8096;

 protected:
  virtual void LoadWaveProperty(TStream& Stream);
  virtual void StoreWaveProperty(TStream& Stream);

 private:
  std::uint8_t* FData = nullptr;
  PWaveFormatEx FFormat = nullptr;
  std::int32_t FFormatSize = 0;
  std::int32_t FSize = 0;
};

// Fills an 18-byte format buffer with a PCM format.
void FillPCMFormat(void* Format, std::int32_t SamplesPerSec, std::int32_t BitsPerSample,
                   std::int32_t Channels);

// A stream over sample bytes with its own position. What the samples are and where they live
// is the derived class's: the base knows only how reading, writing and seeking keep the
// position inside Size (when Size is known, that is not negative).
class TCustomWaveStream : public TStream {
  DECLARE_CLASSINFO(TCustomWaveStream);

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  // From the start (soBeginning), the position (soCurrent) or Size (soEnd); clamped to
  // 0 .. Size.
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return GetSize(); }

  std::int32_t FilledSize() { return GetFilledSize(); }
  PWaveFormatEx Format() { return GetFormat(); }
  std::int32_t FormatSize() { return GetFormatSize(); }
  void SetFormatSize(std::int32_t Value) { SetFormatSizeValue(Value); }
  void SetPCMFormat(std::int32_t SamplesPerSec, std::int32_t BitsPerSample, std::int32_t Channels);

 protected:
  virtual std::int32_t GetFilledSize() { return -1; }
  virtual PWaveFormatEx GetFormat() = 0;
  virtual std::int32_t GetFormatSize() { return 0; }
  // -1: the size is not known.
  virtual std::int32_t GetSize() { return -1; }
  virtual std::int32_t ReadSamples(void* Buffer, std::int32_t Count);
  virtual void SetFormatSizeValue(std::int32_t Value) = 0;
  virtual std::int32_t WriteSamples(const void* Buffer, std::int32_t Count);

  std::int32_t FPosition = 0;
};

// A wave stream that owns its format buffer.
class TCustomWaveStream2 : public TCustomWaveStream {
  DECLARE_CLASSINFO(TCustomWaveStream2);
  ~TCustomWaveStream2() override;

 protected:
  PWaveFormatEx GetFormat() override { return FFormat; }
  std::int32_t GetFormatSize() override { return FFormatSize; }
  void SetFormatSizeValue(std::int32_t Value) override;

 private:
  PWaveFormatEx FFormat = nullptr;
  std::int32_t FFormatSize = 0;
};

// The samples of a RIFF WAVE image held in another stream, which it does not own; the image
// begins where that stream stood when this one was made.
//
// Reading (Open(false)) walks the chunks back to back from the end of the 12-byte header to
// the end of the stream, taking the last "fmt " and "data" chunks; writing (Open(true)) puts
// a header, the format and an open "data" chunk down, and freeing the stream completes the
// lengths, expecting the image to end at the end of the stream.
//
// Reading fails with EReadError "Stream read error" when a "fmt " or "data" chunk declares more
// than the stream holds, and with EWaveStreamError "Wave is invalid" when the header is not
// RIFF WAVE, when such a chunk declares 2 GiB or more, or when the format taken is too short
// for its tag (PCM: 16 bytes; any other tag: 18 and the extra bytes its cbSize declares).
class TWaveStream : public TCustomWaveStream2 {
  DECLARE_CLASSINFO(TWaveStream);

  explicit TWaveStream(TStream& AStream);

  void Open(bool WriteMode);

 protected:
  void BeforeDestruction() override;
  std::int32_t GetSize() override;
  std::int32_t ReadSamples(void* Buffer, std::int32_t Count) override;
  std::int32_t WriteSamples(const void* Buffer, std::int32_t Count) override;

 private:
  void OpenRead();
  void OpenWrite();
  void CompleteImage();
  void ReadChunkHeader(std::uint8_t (&Header)[8]);

  TStream* FStream;
  // Positions in the other stream, which may be longer than 2 GiB.
  std::int64_t FOriPosition;
  bool FOpened = false;
  bool FReadMode = false;
  std::int32_t FSize = 0;
  std::int64_t FDataPosition = 0;
  std::int64_t FDataHeaderPosition = 0;
};
