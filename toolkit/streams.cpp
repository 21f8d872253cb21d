#include "toolkit/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "platform/little_endian.h"
#include "toolkit/sysutils.h"

using platform::GetLE16;
using platform::GetLE32;
using platform::PutLE16;
using platform::PutLE32;

// ---- TStream ----

const TClassInfo TStream::ClassInfo{.Name = "TStream", .Parent = &TObject::ClassInfo};
const TClassInfo* TStream::ClassType() const { return &ClassInfo; }

std::int64_t TStream::Size() {
  const std::int64_t here = Seek(0, soCurrent);
  const std::int64_t end = Seek(0, soEnd);
  Seek(here, soBeginning);
  return end;
}

void TStream::SetSize(std::int64_t) {}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError(msg::SReadError);
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError(msg::SWriteError);
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  constexpr std::int64_t kChunk = 64 * 1024;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(Count, kChunk)));
  std::int64_t left = Count;
  while (left > 0) {
    const std::int64_t n = std::min(left, kChunk);
    Source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return Count;
}

// ---- component streams ----

namespace {
TComponentStreaming& Streaming() {
  static TComponentStreaming streaming;
  return streaming;
}

constexpr std::uint8_t kResTypeByNumber = 0xFF;
constexpr std::uint16_t kResMemoryFlags = 0x1030;  // moveable, pure, discardable
constexpr std::size_t kResFileEntrySize = 32;      // the empty entry that opens a 32-bit file
constexpr std::uint8_t kResFileEmptyEntry[kResFileEntrySize] = {0,    0,    0, 0, 0x20, 0,    0, 0,
                                                                0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
constexpr std::uint16_t kResOrdinalMark = 0xFFFF;

[[noreturn]] void NoStreaming() {
  throw EFilerError("Component streams cannot be read or written: no stream library is linked");
}

[[noreturn]] void InvalidResHeader() { throw EInvalidImage(msg::SInvalidImage); }

// The entry of a 32-bit resource file that follows its empty first entry: it must hold
// raw data identified by number; the stream goes on at its data.
void SkipResFileEntry(TStream& Stream) {
  const std::int64_t entry = Stream.Position();
  std::uint8_t head[12];
  Stream.ReadBuffer(head, sizeof head);
  const std::uint32_t headerSize = GetLE32(head + 4);
  if (GetLE16(head + 8) != kResOrdinalMark || GetLE16(head + 10) != RT_RCDATA ||
      headerSize < sizeof head)
    InvalidResHeader();
  Stream.SetPosition(entry + headerSize);
}
}  // namespace

void InstallComponentStreaming(const TComponentStreaming& Value) { Streaming() = Value; }

TComponent* TStream::ReadComponent(TComponent* Instance) {
  if (!Streaming().Read) NoStreaming();
  return Streaming().Read(*this, Instance);
}

TComponent* TStream::ReadComponentRes(TComponent* Instance) {
  ReadResHeader();
  return ReadComponent(Instance);
}

void TStream::ReadResHeader() {
  const std::int64_t start = Position();
  std::uint8_t head[kResFileEntrySize];
  const std::int64_t got = Read(head, sizeof head);
  if (got >= 3 && head[0] == kResTypeByNumber) {
    if (GetLE16(head + 1) != RT_RCDATA) InvalidResHeader();
    // The name up to its 0 byte, then the memory flags and the size; neither is examined.
    SetPosition(start + 3);
    std::uint8_t c = 1;
    while (c != 0) ReadBuffer(&c, 1);
    std::uint8_t rest[6];
    ReadBuffer(rest, sizeof rest);
    return;
  }
  if (got == static_cast<std::int64_t>(sizeof head) &&
      std::memcmp(head, kResFileEmptyEntry, sizeof head) == 0) {
    SkipResFileEntry(*this);
    return;
  }
  InvalidResHeader();
}

void TStream::WriteComponent(TComponent* Instance) {
  if (!Streaming().Write) NoStreaming();
  Streaming().Write(*this, Instance);
}

void TStream::WriteComponentRes(const std::string& ResName, TComponent* Instance) {
  std::vector<std::uint8_t> head{kResTypeByNumber, 0, 0};
  PutLE16(head.data() + 1, RT_RCDATA);
  for (char c : ResName)
    head.push_back(static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(c))));
  head.push_back(0);
  head.resize(head.size() + 6);
  PutLE16(head.data() + head.size() - 6, kResMemoryFlags);
  WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));
  const std::int64_t sizeAt = Position() - 4;
  const std::int64_t start = Position();
  WriteComponent(Instance);
  const std::int64_t end = Position();
  std::uint8_t size[4];
  PutLE32(size, static_cast<std::uint32_t>(end - start));
  SetPosition(sizeAt);
  WriteBuffer(size, 4);
  SetPosition(end);
}

// ---- TCustomMemoryStream ----

const TClassInfo TCustomMemoryStream::ClassInfo{.Name = "TCustomMemoryStream",
                                                .Parent = &TStream::ClassInfo};
const TClassInfo* TCustomMemoryStream::ClassType() const { return &ClassInfo; }

void TCustomMemoryStream::SetPointer(const std::uint8_t* Memory, std::int64_t Size) {
  FMemory = Memory;
  FSize = Size;
}

std::int64_t TCustomMemoryStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  const std::int64_t n = std::min(Count, FSize - FPosition);
  std::memcpy(Buffer, FMemory + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const std::int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : FSize;
  FPosition = std::max<std::int64_t>(0, base + Offset);
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream& Stream) {
  if (FSize) Stream.WriteBuffer(FMemory, FSize);
}

// ---- TMemoryStream ----

IMPLEMENT_CLASS(TMemoryStream, TCustomMemoryStream)

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  const std::int64_t at = Position();
  const std::int64_t end = at + Count;
  const auto* source = static_cast<const std::uint8_t*>(Buffer);
  std::vector<std::uint8_t> copy;
  if (end > static_cast<std::int64_t>(FData.size())) {
    // Growing may move the memory: a source inside it is copied out first.
    if (source >= FData.data() && source < FData.data() + FData.size()) {
      copy.assign(source, source + Count);
      source = copy.data();
    }
    FData.resize(static_cast<std::size_t>(end));
    SetPointer(FData.data(), end);
  }
  std::memmove(FData.data() + at, source, static_cast<std::size_t>(Count));
  Seek(end, soBeginning);
  return Count;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  const std::int64_t at = Position();
  FData.resize(static_cast<std::size_t>(std::max<std::int64_t>(NewSize, 0)));
  SetPointer(FData.data(), static_cast<std::int64_t>(FData.size()));
  Seek(std::min(at, NewSize), soBeginning);
}

void TMemoryStream::Clear() { SetSize(0); }

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  const std::int64_t n = Stream.Size();
  SetSize(n);
  if (n) Stream.ReadBuffer(FData.data(), n);
  SetPosition(0);
}

// ---- resources ----

namespace {
std::string ResourceKey(std::string_view name, int type) {
  std::string key = std::to_string(type) + ':';
  for (char c : name) key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}
std::map<std::string, std::span<const std::uint8_t>>& Resources() {
  static std::map<std::string, std::span<const std::uint8_t>> resources;
  return resources;
}
}  // namespace

void RegisterResource(std::string_view Name, int Type, std::span<const std::uint8_t> Data) {
  Resources()[ResourceKey(Name, Type)] = Data;
}

std::span<const std::uint8_t> FindResourceData(std::string_view Name, int Type, bool& found) {
  const auto it = Resources().find(ResourceKey(Name, Type));
  found = it != Resources().end();
  return found ? it->second : std::span<const std::uint8_t>();
}

// ---- TResourceStream ----

const TClassInfo TResourceStream::ClassInfo{.Name = "TResourceStream",
                                            .Parent = &TCustomMemoryStream::ClassInfo};
const TClassInfo* TResourceStream::ClassType() const { return &ClassInfo; }

TResourceStream::TResourceStream(std::string_view ResName, int ResType) {
  bool found = false;
  const auto data = FindResourceData(ResName, ResType, found);
  if (!found) {
    const std::string name(ResName);
    throw EResNotFound(Format(msg::SResNotFound, name.c_str()));
  }
  SetPointer(data.data(), static_cast<std::int64_t>(data.size()));
}

std::int64_t TResourceStream::Write(const void*, std::int64_t) {
  throw EStreamError(msg::SCantWriteResourceStream);
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  std::ifstream file(FileName, std::ios::binary);
  if (!file) throw EStreamError(Format(msg::SCannotOpenFile, FileName.c_str()));
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>()};
  Clear();
  WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  SetPosition(0);
}

namespace {

// Fill gave up without an error of the system's.
constexpr int kNoReason = -1;

// A file that could not be saved, with the system's reason: EStreamError SCannotCreateFile when
// it was never made or opened, EWriteError SCannotWriteFile when it was and writing failed.
[[noreturn]] void FileFailure(bool Made, const std::string& FileName, int Error) {
  std::string message =
      Format(Made ? msg::SCannotWriteFile : msg::SCannotCreateFile, FileName.c_str());
  if (Error != kNoReason) message += ": " + std::generic_category().message(Error);
  if (Made) throw EWriteError(message);
  throw EStreamError(message);
}

// Hands the open Fd to Fill as a file, pushes out what it wrote (with Sync, onto the disk) and
// closes it. Answers 0, the system's error that stopped the writing, or kNoReason. An exception
// from Fill passes on with Fd closed.
int FillAndClose(int Fd, const std::function<bool(std::FILE*)>& Fill, bool Sync) {
  std::FILE* file = ::fdopen(Fd, "wb");
  if (!file) {
    const int error = errno;
    ::close(Fd);
    return error;
  }
  int error = 0;
  try {
    errno = 0;
    const bool filled = Fill(file);
    // A write that failed is the system's reason, also when Fill did not look at it.
    if (std::ferror(file)) {
      error = errno != 0 ? errno : EIO;
    } else if (!filled) {
      error = kNoReason;
    }
  } catch (...) {
    std::fclose(file);
    throw;
  }
  if (error == 0 && std::fflush(file) != 0) error = errno;
  if (error == 0 && Sync && ::fsync(::fileno(file)) != 0) error = errno;
  // A write the system had accepted may fail only at the close. EINTR leaves the file closed
  // on Linux and is not retried.
  const int closeError = std::fclose(file) == 0 || errno == EINTR ? 0 : errno;
  return error != 0 ? error : closeError;
}

// Makes the hidden new file for Name in Folder and answers it open for writing, with its name in
// Path; -1 with errno when it cannot be made. The system gives it the permissions of any newly
// made file (its mask, a folder's default access list) as it creates it, so there is nothing to
// work out here. Its name stays within what a folder allows and ends in random digits, so that
// no one can take it beforehand; a name that is taken all the same is passed over for the next.
int MakeHiddenFile(const std::filesystem::path& Folder, const std::string& Name,
                   std::string& Path) {
  static std::atomic<unsigned> made{0};
  std::random_device random;
  for (int attempt = 0;; ++attempt) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.%08x", static_cast<long>(::getpid()), made++,
                  static_cast<unsigned>(random()));
    std::string hidden = ".";
    hidden.append(Name, 0, NAME_MAX - 1 - std::strlen(suffix));
    hidden += suffix;
    Path = (Folder / hidden).string();
    const int fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST || attempt == 99) return fd;
  }
}

}  // namespace

void SaveFileWhole(const std::string& FileName, const std::function<bool(std::FILE*)>& Fill) {
  namespace fs = std::filesystem;
  if (FileName.empty()) FileFailure(false, FileName, ENOENT);

  // Where the new content goes: the file itself, or, through links, the file they lead to.
  fs::path target = FileName;
  bool keepMode = false;
  struct stat st {};
  if (::stat(FileName.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) FileFailure(false, FileName, EISDIR);
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe cannot be replaced; it is written where it is.
      const int fd = ::open(FileName.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (fd < 0) FileFailure(false, FileName, errno);
      const int error = FillAndClose(fd, Fill, false);
      if (error != 0) FileFailure(true, FileName, error);
      return;
    }
    keepMode = true;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
      target = fs::canonical(target, ec);
      if (ec) FileFailure(false, FileName, ec.value());
    }
  } else if (errno != ENOENT) {
    FileFailure(false, FileName, errno);
  }
  if (!target.has_filename()) FileFailure(false, FileName, EISDIR);

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temporary;
  const int fd = MakeHiddenFile(folder, target.filename().string(), temporary);
  if (fd < 0) FileFailure(false, FileName, errno);

  int error = 0;
  if (keepMode && ::fchmod(fd, st.st_mode & 07777) != 0) {
    error = errno;
    ::close(fd);
  } else {
    try {
      error = FillAndClose(fd, Fill, true);
    } catch (...) {
      ::unlink(temporary.c_str());
      throw;
    }
  }
  if (error == 0 && std::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    FileFailure(true, FileName, error);
  }

  // The rename reaches the disk with the folder. The file is whole either way (the older one
  // or the new one), so a folder that cannot be synced is no failure of the save.
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  SaveFileWhole(FileName, [this](std::FILE* File) {
    return FData.empty() || std::fwrite(FData.data(), 1, FData.size(), File) == FData.size();
  });
}
