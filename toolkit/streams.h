// Byte streams: the stream base with reads that must deliver everything asked for, a stream
// over memory that grows as it is written, a read-only stream over a resource stored in the
// program, and the writing of a file whole or not at all.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/object.h"

class TComponent;

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

namespace msg {
// Followed by ": " and the system's reason, when there is one.
inline constexpr const char* SCannotWriteFile = "Cannot write file \"%s\"";
}  // namespace msg

class TStream : public TObject {
  DECLARE_CLASSINFO(TStream);

  // Reads up to Count bytes and answers how many came.
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  // Writes up to Count bytes and answers how many went.
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  // Moves the position and answers the new one; a position is never moved before 0.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Value) { Seek(Value, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize);

  // Reads exactly Count bytes, or fails with EReadError "Stream read error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  // Writes exactly Count bytes, or fails with EWriteError "Stream write error".
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source's position; Count 0 copies the whole of Source from its
  // beginning. Answers the number copied.
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);

  // Component streams (through the installed reader and writer, see TComponentStreaming).
  // Reads a stream that begins with "TPF0" into Instance, or, when Instance is nullptr, into a
  // new component of the stored class; answers the component.
  TComponent* ReadComponent(TComponent* Instance);
  // Passes over a component-resource header, then reads the stream behind it.
  TComponent* ReadComponentRes(TComponent* Instance);
  // Passes over a component-resource header: the short form (0xFF, type 10, name, flags,
  // size) or an entry of a 32-bit resource file. EInvalidImage "Invalid stream format" for
  // anything else.
  void ReadResHeader();
  void WriteComponent(TComponent* Instance);
  // Writes Instance behind a short resource header named ResName (upper-cased).
  void WriteComponentRes(const std::string& ResName, TComponent* Instance);
};

// The reader and writer of component streams belong to the stream library, which installs
// them here when it is linked in; the toolkit's forms and streams call them through this.
struct TComponentStreaming {
  TComponent* (*Read)(TStream& Stream, TComponent* Instance) = nullptr;
  void (*Write)(TStream& Stream, TComponent* Instance) = nullptr;
};
void InstallComponentStreaming(const TComponentStreaming& Streaming);

// A stream over a block of memory that it does not own.
class TCustomMemoryStream : public TStream {
  DECLARE_CLASSINFO(TCustomMemoryStream);

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return FSize; }
  const std::uint8_t* Memory() const { return FMemory; }
  void SaveToStream(TStream& Stream);

 protected:
  void SetPointer(const std::uint8_t* Memory, std::int64_t Size);

 private:
  const std::uint8_t* FMemory = nullptr;
  std::int64_t FSize = 0;
  std::int64_t FPosition = 0;
};

// A stream over memory of its own, which grows as it is written.
class TMemoryStream : public TCustomMemoryStream {
  DECLARE_CLASSINFO(TMemoryStream);

  TMemoryStream() = default;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  void SetSize(std::int64_t NewSize) override;
  void Clear();
  // Replaces the content with the whole of Stream.
  void LoadFromStream(TStream& Stream);
  // Replaces the content with the whole file, positioned at its start; EStreamError
  // "Cannot open file "%s"" when it cannot be read.
  void LoadFromFile(const std::string& FileName);
  // Writes the whole content to the file through SaveFileWhole, with its failures.
  void SaveToFile(const std::string& FileName);
  std::uint8_t* Memory() { return FData.data(); }

 private:
  std::vector<std::uint8_t> FData;
};

// Writes a file whole or not at all. Fill writes the content into the open file and answers
// whether all of it went; a write the system refused counts even when Fill did not check it.
// A regular file is replaced only once the new content is wholly on the disk: the bytes go to a
// new hidden file in the same folder, which then takes the file's name (and the older file's
// permissions, or those the system gives any newly made file); a link to a file is followed. A
// device or a pipe is written in place. A failure names the file and leaves the older file as
// it was and nothing new behind:
// - EStreamError "Cannot create file "%s": REASON" when the file cannot be made (a missing
//   folder, a folder of that name);
// - EWriteError "Cannot write file "%s": REASON" when writing, pushing to the disk or replacing
//   fails, without the reason when Fill answers false with no error of the system's;
// - an exception from Fill passes on as it was, the new file closed and removed.
void SaveFileWhole(const std::string& FileName, const std::function<bool(std::FILE*)>& Fill);

// The raw-data resource type.
constexpr int RT_RCDATA = 10;

// Resources stored in the program: named blocks of bytes, found by name without regard to
// case and by type. The data must live as long as the program.
void RegisterResource(std::string_view Name, int Type, std::span<const std::uint8_t> Data);
// The resource's bytes, or an empty span with found false.
std::span<const std::uint8_t> FindResourceData(std::string_view Name, int Type, bool& found);

// A read-only stream over a stored resource; EResNotFound "Resource %s not found" when there is
// none of that name and type. Writing fails with EStreamError.
class TResourceStream : public TCustomMemoryStream {
  DECLARE_CLASSINFO(TResourceStream);

  TResourceStream(std::string_view ResName, int ResType);
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
};
