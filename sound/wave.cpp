#include "sound/wave.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>

#include "platform/little_endian.h"

using platform::FourCC;
using platform::GetLE16;
using platform::GetLE32;
using platform::PutLE16;
using platform::PutLE32;

namespace {

constexpr std::uint32_t kRiff = FourCC("RIFF");
constexpr std::uint32_t kWave = FourCC("WAVE");
constexpr std::uint32_t kFmt = FourCC("fmt ");
constexpr std::uint32_t kData = FourCC("data");
constexpr int kRiffHeaderSize = 12;  // "RIFF", length, "WAVE"
constexpr int kChunkHeaderSize = 8;  // id, length
constexpr std::int32_t kPCMRecordSize = 18;

// Memory that a failed reallocation leaves as it was.
void* Reallocate(void* p, std::size_t n) {
  void* q = std::realloc(p, n);
  if (!q) throw std::bad_alloc();
  return q;
}

// Gives a format record (of a wave or a wave stream) `Value` bytes, its content kept as far as
// it fits; 0 or less frees it. A failed allocation leaves record and size as they were.
void ResizeFormat(PWaveFormatEx& Format, std::int32_t& Size, std::int32_t Value) {
  if (Value <= 0) {
    std::free(Format);
    Format = nullptr;
    Size = 0;
    return;
  }
  Format = static_cast<PWaveFormatEx>(Reallocate(Format, static_cast<std::size_t>(Value)));
  Size = Value;
}

// In 64 bits: the block count of a size near 2^31 takes more bytes than an int32 holds.
std::int64_t Blocks(std::int32_t size) {
  return (static_cast<std::int64_t>(size) + TWave::kBlockSize - 1) / TWave::kBlockSize;
}

// Whether a format record holds every field of its tag: a PCM record ends after
// wBitsPerSample (a cbSize after it is not read); any other tag's record has its cbSize and
// the extra bytes that cbSize declares.
bool FormatComplete(const void* format, std::int32_t size) {
  constexpr std::int32_t kCbSizeOffset = 16;
  if (size < static_cast<std::int32_t>(platform::dsound::kPCMFormatSize)) return false;
  const auto* b = static_cast<const std::uint8_t*>(format);
  if (GetLE16(b) == platform::dsound::WAVE_FORMAT_PCM) return true;
  return size >= kPCMRecordSize && size - kPCMRecordSize >= GetLE16(b + kCbSizeOffset);
}

}  // namespace

void FillPCMFormat(void* Format, std::int32_t SamplesPerSec, std::int32_t BitsPerSample,
                   std::int32_t Channels) {
  auto* f = static_cast<std::uint8_t*>(Format);
  // The block is computed in 16 bits, as the record holds it.
  const auto blockAlign = static_cast<std::uint16_t>(Channels * (BitsPerSample / 8));
  PutLE16(f + 0, platform::dsound::WAVE_FORMAT_PCM);
  PutLE16(f + 2, static_cast<std::uint16_t>(Channels));
  PutLE32(f + 4, static_cast<std::uint32_t>(SamplesPerSec));
  PutLE32(f + 8,
          static_cast<std::uint32_t>(blockAlign) * static_cast<std::uint32_t>(SamplesPerSec));
  PutLE16(f + 12, blockAlign);
  PutLE16(f + 14, static_cast<std::uint16_t>(BitsPerSample));
  PutLE16(f + 16, 0);
}

// ---- TWave ----

IMPLEMENT_CLASS(TWave, TPersistent)
REGISTER_CLASS(TWave)

TWave::~TWave() { Clear(); }

void TWave::SetFormatSize(std::int32_t Value) { ResizeFormat(FFormat, FFormatSize, Value); }

void TWave::SetSize(std::int32_t Value) {
  if (Value < 0) Value = 0;
  const std::int64_t blocks = Blocks(Value);
  if (blocks != Blocks(FSize) || (blocks > 0 && !FData)) {
    if (blocks == 0) {
      std::free(FData);
      FData = nullptr;
    } else {
      FData = static_cast<std::uint8_t*>(Reallocate(
          FData, static_cast<std::size_t>(blocks) * static_cast<std::size_t>(kBlockSize)));
    }
  }
  FSize = Value;
}

void TWave::Assign(const TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (const auto* other = dynamic_cast<const TWave*>(Source)) {
    if (other == this) return;
    SetSize(other->FSize);
    if (FSize) std::memcpy(FData, other->FData, static_cast<std::size_t>(FSize));
    SetFormatSize(other->FFormatSize);
    if (FFormatSize) std::memcpy(FFormat, other->FFormat, static_cast<std::size_t>(FFormatSize));
    return;
  }
  TPersistent::Assign(Source);
}

void TWave::Clear() {
  std::free(FData);
  std::free(FFormat);
  FData = nullptr;
  FFormat = nullptr;
  FSize = 0;
  FFormatSize = 0;
}

void TWave::LoadFromFile(const std::string& FileName) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->LoadFromFile(FileName);
  LoadFromStream(*stream);
}

void TWave::LoadFromStream(TStream& Stream) {
  // Read into a wave of its own: a load that fails leaves this one as it was.
  TOwnedPtr<TWave> loaded(new TWave());
  TOwnedPtr<TWaveStream> WaveStream(new TWaveStream(Stream));
  WaveStream->Open(false);
  loaded->SetFormatSize(WaveStream->FormatSize());
  if (loaded->FFormatSize)
    std::memcpy(loaded->FFormat, WaveStream->Format(),
                static_cast<std::size_t>(loaded->FFormatSize));
  loaded->SetSize(static_cast<std::int32_t>(WaveStream->Size()));
  WaveStream->ReadBuffer(loaded->FData, loaded->FSize);
  std::swap(FData, loaded->FData);
  std::swap(FFormat, loaded->FFormat);
  std::swap(FFormatSize, loaded->FFormatSize);
  std::swap(FSize, loaded->FSize);
}

void TWave::SaveToFile(const std::string& FileName) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  SaveToStream(*stream);
  stream->SaveToFile(FileName);
}

void TWave::SaveToStream(TStream& Stream) {
  if (FFormatSize <= 0 || FSize <= 0) return;
  TOwnedPtr<TWaveStream> WaveStream(new TWaveStream(Stream));
  WaveStream->SetFormatSize(FFormatSize);
  std::memcpy(WaveStream->Format(), FFormat, static_cast<std::size_t>(FFormatSize));
  WaveStream->Open(true);
  WaveStream->WriteBuffer(FData, FSize);
  // Freeing completes the image; a failure there is this call's failure.
  WaveStream.release()->Free();
}

void TWave::SetPCMFormat(std::int32_t SamplesPerSec, std::int32_t BitsPerSample,
                         std::int32_t Channels) {
  SetFormatSize(kPCMRecordSize);
  FillPCMFormat(FFormat, SamplesPerSec, BitsPerSample, Channels);
}

void TWave::DefineStoredProperties(TFiler& Filer) {
  TPersistent::DefineStoredProperties(Filer);
  Filer.DefineBinaryProperty("WAVE", TStreamProc::Of<&TWave::LoadWaveProperty>(this),
                             TStreamProc::Of<&TWave::StoreWaveProperty>(this), true);
}

void TWave::LoadWaveProperty(TStream& Stream) { LoadFromStream(Stream); }

void TWave::StoreWaveProperty(TStream& Stream) { SaveToStream(Stream); }

// ---- TCustomWaveStream ----

IMPLEMENT_CLASS(TCustomWaveStream, TStream)

std::int64_t TCustomWaveStream::Read(void* Buffer, std::int64_t Count) {
  const std::int32_t size = GetSize();
  if (size >= 0) {
    FPosition = std::min(FPosition, size);
    Count = std::min<std::int64_t>(Count, size - FPosition);
  }
  Count = std::max<std::int64_t>(Count, 0);
  const std::int32_t n =
      ReadSamples(Buffer, static_cast<std::int32_t>(std::min<std::int64_t>(Count, INT32_MAX)));
  FPosition += std::max(n, 0);
  return std::max(n, 0);
}

std::int64_t TCustomWaveStream::Write(const void* Buffer, std::int64_t Count) {
  const std::int32_t size = GetSize();
  if (size >= 0) FPosition = std::min(FPosition, size);
  Count = std::max<std::int64_t>(Count, 0);
  const std::int32_t n =
      WriteSamples(Buffer, static_cast<std::int32_t>(std::min<std::int64_t>(Count, INT32_MAX)));
  FPosition += std::max(n, 0);
  return std::max(n, 0);
}

std::int64_t TCustomWaveStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const std::int32_t size = GetSize();
  const std::int64_t base = Origin == soBeginning ? 0
                            : Origin == soCurrent ? FPosition
                                                  : std::max(size, 0);
  std::int64_t at = std::max<std::int64_t>(0, base + Offset);
  at = std::min<std::int64_t>(at, size >= 0 ? size : INT32_MAX);
  FPosition = static_cast<std::int32_t>(at);
  return FPosition;
}

std::int32_t TCustomWaveStream::ReadSamples(void*, std::int32_t) { return 0; }

std::int32_t TCustomWaveStream::WriteSamples(const void*, std::int32_t) { return 0; }

void TCustomWaveStream::SetPCMFormat(std::int32_t SamplesPerSec, std::int32_t BitsPerSample,
                                     std::int32_t Channels) {
  SetFormatSize(kPCMRecordSize);
  FillPCMFormat(Format(), SamplesPerSec, BitsPerSample, Channels);
}

// ---- TCustomWaveStream2 ----

IMPLEMENT_CLASS(TCustomWaveStream2, TCustomWaveStream)

TCustomWaveStream2::~TCustomWaveStream2() { SetFormatSizeValue(0); }

void TCustomWaveStream2::SetFormatSizeValue(std::int32_t Value) {
  ResizeFormat(FFormat, FFormatSize, Value);
}

// ---- TWaveStream ----

IMPLEMENT_CLASS(TWaveStream, TCustomWaveStream2)

TWaveStream::TWaveStream(TStream& AStream) : FStream(&AStream), FOriPosition(AStream.Position()) {}

void TWaveStream::Open(bool WriteMode) {
  if (FOpened) throw EWaveStreamError(msg::SStreamOpend);
  if (WriteMode)
    OpenWrite();
  else
    OpenRead();
}

void TWaveStream::ReadChunkHeader(std::uint8_t (&Header)[8]) {
  // A short read at the end of the stream leaves the missing bytes zero: an id of 0 ends the
  // walk.
  std::fill(std::begin(Header), std::end(Header), 0);
  FStream->Read(Header, kChunkHeaderSize);
}

void TWaveStream::OpenRead() {
  FOpened = true;
  FReadMode = true;
  FStream->SetPosition(FOriPosition);
  std::uint8_t riff[kRiffHeaderSize];
  FStream->ReadBuffer(riff, kRiffHeaderSize);
  if (GetLE32(riff) != kRiff || GetLE32(riff + 8) != kWave)
    throw EWaveStreamError(msg::SWaveInvalid);

  // A declared length the stream cannot hold fails before anything is reserved for it; one
  // that it holds but a wave cannot (its sizes are 32-bit signed) makes an invalid wave.
  const auto checkLength = [this](std::uint32_t length) {
    if (static_cast<std::int64_t>(length) > FStream->Size() - FStream->Position())
      throw EReadError(msg::SReadError);
    if (length > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
      throw EWaveStreamError(msg::SWaveInvalid);
    return static_cast<std::int32_t>(length);
  };
  bool hasFormat = false;
  std::uint8_t header[kChunkHeaderSize];
  ReadChunkHeader(header);
  while (GetLE32(header) != 0) {
    const std::uint32_t id = GetLE32(header);
    const std::uint32_t length = GetLE32(header + 4);
    if (id == kFmt) {
      const std::int32_t size = checkLength(length);
      SetFormatSize(size);
      FStream->ReadBuffer(Format(), size);
      hasFormat = true;
    } else if (id == kData) {
      // Skipping past the end ends the walk, so samples that the stream cannot hold are its
      // last chunk and fail here, as reading them would.
      FSize = checkLength(length);
      FDataPosition = FStream->Position();
      FStream->Seek(length, soCurrent);
    } else {
      FStream->Seek(length, soCurrent);
    }
    ReadChunkHeader(header);
  }
  // The format taken (the last one) must hold every field of its tag, so that whoever reads it
  // never reads past it.
  if (hasFormat && !FormatComplete(Format(), FormatSize()))
    throw EWaveStreamError(msg::SWaveInvalid);
}

void TWaveStream::OpenWrite() {
  if (FormatSize() == 0) throw EWaveStreamError(msg::SInvalidWaveFormat);
  FOpened = true;
  FStream->SetPosition(FOriPosition);
  const std::uint8_t placeholder[kRiffHeaderSize] = {};
  FStream->WriteBuffer(placeholder, kRiffHeaderSize);
  std::uint8_t header[kChunkHeaderSize];
  PutLE32(header, kFmt);
  PutLE32(header + 4, static_cast<std::uint32_t>(FormatSize()));
  FStream->WriteBuffer(header, kChunkHeaderSize);
  FStream->WriteBuffer(Format(), FormatSize());
  FDataHeaderPosition = FStream->Position();
  PutLE32(header, kData);
  PutLE32(header + 4, 0);
  FStream->WriteBuffer(header, kChunkHeaderSize);
  FDataPosition = FStream->Position();
}

void TWaveStream::CompleteImage() {
  const std::int64_t end = FStream->Size();
  std::uint8_t header[kRiffHeaderSize];
  PutLE32(header, kRiff);
  PutLE32(header + 4, static_cast<std::uint32_t>(end - FOriPosition - 8));
  PutLE32(header + 8, kWave);
  FStream->SetPosition(FOriPosition);
  FStream->WriteBuffer(header, kRiffHeaderSize);
  PutLE32(header, kData);
  PutLE32(header + 4, static_cast<std::uint32_t>(end - FDataPosition));
  FStream->SetPosition(FDataHeaderPosition);
  FStream->WriteBuffer(header, kChunkHeaderSize);
  FStream->Seek(0, soEnd);
}

void TWaveStream::BeforeDestruction() {
  if (FOpened && !FReadMode) {
    FOpened = false;
    if (std::uncaught_exceptions() > 0) {
      // Freed while another failure is on its way out: that one is the failure to report.
      try {
        CompleteImage();
      } catch (...) {
      }
    } else {
      CompleteImage();
    }
  }
  TCustomWaveStream2::BeforeDestruction();
}

std::int32_t TWaveStream::GetSize() {
  if (!FOpened) return 0;
  if (FReadMode) return FSize;
  return static_cast<std::int32_t>(FStream->Size() - FDataPosition);
}

std::int32_t TWaveStream::ReadSamples(void* Buffer, std::int32_t Count) {
  if (!FOpened) throw EWaveStreamError(msg::SStreamNotOpend);
  FStream->SetPosition(FDataPosition + FPosition);
  return static_cast<std::int32_t>(FStream->Read(Buffer, Count));
}

std::int32_t TWaveStream::WriteSamples(const void* Buffer, std::int32_t Count) {
  if (!FOpened) throw EWaveStreamError(msg::SStreamNotOpend);
  if (FReadMode) Count = std::max(0, std::min(Count, FSize - FPosition));
  FStream->SetPosition(FDataPosition + FPosition);
  return static_cast<std::int32_t>(FStream->Write(Buffer, Count));
}
