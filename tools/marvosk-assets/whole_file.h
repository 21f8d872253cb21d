// Writing a file whole or not at all, for the command-line tools: a file they write is either
// the complete new content or not there (an older file of that name is left as it was), and a
// failure names the file and the system's reason.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace tools {

// A file could not be written; the message names it.
class WriteFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Hands the open file to the code that fills it, which answers whether everything was written.
using FileFiller = std::function<bool(std::FILE*)>;

namespace detail {

[[noreturn]] inline void Fail(const std::filesystem::path& Path, int Error) {
  std::string message = "cannot write " + Path.string();
  if (Error != 0) message += std::string(": ") + std::strerror(Error);
  throw WriteFailure(message);
}

// Fills the open file and pushes it to the disk; answers 0, or the error that stopped it (-1
// when the filler failed without the system saying why).
inline int FillAndFlush(std::FILE* File, const FileFiller& Fill, bool Sync) {
  errno = 0;
  if (!Fill(File) || std::ferror(File)) return errno != 0 ? errno : -1;
  if (std::fflush(File) != 0) return errno;
  if (Sync && ::fsync(::fileno(File)) != 0) return errno;
  return 0;
}

}  // namespace detail

// Writes Path through Fill. The bytes go to a new hidden file in Path's folder, which is flushed
// to the disk, closed and then renamed over Path; on any failure the new file is removed and
// WriteFailure says which file and why. A Path that exists and is no regular file (a device such
// as /dev/null, a pipe) cannot be replaced and is written in place; a folder is refused.
inline void WriteWholeFile(const std::filesystem::path& Path, const FileFiller& Fill) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(Path, ec);
  if (fs::is_directory(status)) throw WriteFailure("cannot write " + Path.string() + ": a folder");
  if (Path.filename().empty()) detail::Fail(Path, EISDIR);

  if (fs::exists(status) && !fs::is_regular_file(status)) {
    std::FILE* file = std::fopen(Path.c_str(), "wb");
    if (!file) detail::Fail(Path, errno);
    int error = detail::FillAndFlush(file, Fill, false);
    if (std::fclose(file) != 0 && error == 0) error = errno;
    if (error != 0) detail::Fail(Path, error < 0 ? 0 : error);
    return;
  }

  const fs::path folder = Path.has_parent_path() ? Path.parent_path() : fs::path(".");
  std::string temporary = (folder / ("." + Path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) detail::Fail(Path, errno);
  // A new file gets the permissions any newly made file gets here, not mkstemp's private ones.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    const int error = errno;
    ::close(fd);
    ::unlink(temporary.c_str());
    detail::Fail(Path, error);
  }
  int error = 0;
  try {
    error = detail::FillAndFlush(file, Fill, true);
  } catch (...) {
    std::fclose(file);
    ::unlink(temporary.c_str());
    throw;
  }
  if (std::fclose(file) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(temporary.c_str(), Path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    detail::Fail(Path, error < 0 ? 0 : error);
  }
}

// Writes Size bytes from Data.
inline bool WriteBytes(std::FILE* File, const void* Data, std::size_t Size) {
  return Size == 0 || std::fwrite(Data, 1, Size, File) == Size;
}

}  // namespace tools
