// Saving a file whole or not at all, from a memory stream or from code that fills it: a regular
// file becomes the whole new content or stays as it was, keeps its permissions, and a failure
// names the file and the system's reason and leaves nothing behind; devices and pipes are
// written in place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/byte_pattern.h"
#include "tests/support/raises.h"
#include "toolkit/streams.h"
#include "toolkit/sysutils.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes FileContent(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PutFile(const fs::path& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Saves Data to Name through a memory stream.
void Save(const Bytes& Data, const std::string& Name) {
  TOwnedPtr<TMemoryStream> s(Construct<TMemoryStream>());
  s->WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
  s->SaveToFile(Name);
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

std::string Expected(const char* what, const fs::path& path, int error) {
  return std::string(what) + " \"" + path.string() + "\": " + std::strerror(error);
}

class SaveToFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::path(::testing::TempDir()) / "save_to_file_XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    folder = name;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }

  // The names in the folder, hidden ones too, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder;
};

// The message of the EWriteError a save raises in a child process whose files may grow to
// Limit bytes at most, or what went wrong instead.
std::string WriteErrorUnderSizeLimit(const Bytes& Data, const fs::path& Path, rlim_t Limit) {
  int out[2];
  if (::pipe(out) != 0) return "<no pipe>";
  const pid_t child = ::fork();
  if (child < 0) return "<no child>";
  if (child == 0) {
    ::close(out[0]);
    ::alarm(30);  // a save that never ends ends the child, and with it the parent's wait
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{Limit, Limit};
    std::string answer = "<setrlimit failed>";
    if (::setrlimit(RLIMIT_FSIZE, &limit) == 0)
      answer = MessageOf<EWriteError>([&] { Save(Data, Path.string()); });
    const ssize_t written = ::write(out[1], answer.data(), answer.size());
    ::_exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 1);
  }
  ::close(out[1]);
  std::string answer;
  char buffer[256];
  for (;;) {
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n > 0) {
      answer.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(out[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) answer += " <child did not finish>";
  return answer;
}

TEST_F(SaveToFile, ARegularFileBecomesTheWholeNewContentOrStaysAsItWas) {
  const fs::path target = folder / "picture.dxg";

  {
    SCOPED_TRACE("a new file gets the permissions of an ordinary new file");
    const mode_t saved = ::umask(027);
    Save(Pattern(1000, 1), target.string());
    ::umask(saved);
    EXPECT_EQ(FileContent(target), Pattern(1000, 1));
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_EQ(Names(), std::vector<std::string>{"picture.dxg"});
  }
  {
    SCOPED_TRACE("an existing file gets the new content and keeps its own permissions");
    ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
    Save(Pattern(300, 2), target.string());
    EXPECT_EQ(FileContent(target), Pattern(300, 2));
    EXPECT_EQ(ModeOf(target), 0604u);
    EXPECT_EQ(Names(), std::vector<std::string>{"picture.dxg"});
  }
  {
    SCOPED_TRACE("a link to a file is followed, and stays a link");
    const fs::path link = folder / "link.dxg";
    fs::create_symlink("picture.dxg", link);
    Save(Pattern(40, 3), link.string());
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(FileContent(target), Pattern(40, 3));
    EXPECT_EQ(Names(), (std::vector<std::string>{"link.dxg", "picture.dxg"}));
    fs::remove(link);
  }
  {
    SCOPED_TRACE("writing stopped by a file size limit keeps the older file whole");
    const Bytes older = Pattern(100 * 1024, 4);
    PutFile(target, older);
    EXPECT_EQ(WriteErrorUnderSizeLimit(Pattern(200 * 1024, 5), target, 64 * 1024),
              Expected("Cannot write file", target, EFBIG));
    EXPECT_EQ(fs::file_size(target), older.size());
    EXPECT_TRUE(FileContent(target) == older);
    EXPECT_EQ(Names(), std::vector<std::string>{"picture.dxg"});
  }
  {
    SCOPED_TRACE("a file in a folder that does not exist");
    const fs::path nowhere = folder / "missing" / "wave.dxw";
    EXPECT_EQ(MessageOf<EStreamError>([&] { Save(Pattern(10, 6), nowhere.string()); }),
              Expected("Cannot create file", nowhere, ENOENT));
    EXPECT_FALSE(fs::exists(folder / "missing"));
  }
  {
    SCOPED_TRACE("a folder is not replaced by a file");
    const fs::path sub = folder / "sub";
    fs::create_directory(sub);
    PutFile(sub / "inside", Pattern(5, 7));
    EXPECT_EQ(MessageOf<EStreamError>([&] { Save(Pattern(10, 8), sub.string()); }),
              Expected("Cannot create file", sub, EISDIR));
    EXPECT_EQ(FileContent(sub / "inside"), Pattern(5, 7));
    EXPECT_EQ(Names(), (std::vector<std::string>{"picture.dxg", "sub"}));
  }
}

TEST_F(SaveToFile, AFillThatGivesUpOrThrowsLeavesTheOlderFileAndNothingNew) {
  const fs::path target = folder / "sound.dxw";
  const fs::path fresh = folder / "fresh.dxw";
  const Bytes older = Pattern(5000, 12);
  PutFile(target, older);
  const Bytes big = Pattern(1 << 20, 13);
  const std::vector<std::string> onlyTarget{"sound.dxw"};

  // Gives up after half of the bytes went, as an encoder that fails on its own does.
  const auto halfWay = [&](std::FILE* f) {
    std::fwrite(big.data(), 1, big.size() / 2, f);
    return false;
  };
  {
    SCOPED_TRACE("a fill that gives up: no reason is made up for it");
    EXPECT_EQ(MessageOf<EWriteError>([&] { SaveFileWhole(target.string(), halfWay); }),
              "Cannot write file \"" + target.string() + "\"");
    EXPECT_TRUE(FileContent(target) == older);
    EXPECT_EQ(Names(), onlyTarget);
    EXPECT_EQ(MessageOf<EWriteError>([&] { SaveFileWhole(fresh.string(), halfWay); }),
              "Cannot write file \"" + fresh.string() + "\"");
    EXPECT_EQ(Names(), onlyTarget);
  }
  {
    SCOPED_TRACE("an exception from the fill passes on as it was");
    for (const fs::path& path : {target, fresh}) {
      EXPECT_EQ(MessageOf<EConvertError>([&] {
                  SaveFileWhole(path.string(), [&](std::FILE* f) -> bool {
                    std::fwrite(big.data(), 1, big.size() / 2, f);
                    throw EConvertError("picture broken");
                  });
                }),
                "picture broken");
    }
    EXPECT_TRUE(FileContent(target) == older);
    EXPECT_EQ(Names(), onlyTarget);
  }
  {
    SCOPED_TRACE("a write that failed counts also when the fill does not look at it");
    // More than a buffer's worth goes out at once and fails there; nothing is left to flush.
    const auto careless = [&](std::FILE* f) {
      std::fwrite(big.data(), 1, big.size(), f);
      return true;
    };
    EXPECT_EQ(MessageOf<EWriteError>([&] { SaveFileWhole("/dev/full", careless); }),
              Expected("Cannot write file", "/dev/full", ENOSPC));
  }
}

TEST_F(SaveToFile, DevicesAndPipesAreWrittenInPlace) {
  {
    SCOPED_TRACE("a pipe gets the bytes and stays a pipe");
    const fs::path fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const Bytes data = Pattern(1000, 9);  // well within what a pipe holds
    Save(data, fifo.string());
    Bytes back(2000);
    const ssize_t got = ::read(reader, back.data(), back.size());
    ::close(reader);
    back.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    EXPECT_EQ(back, data);
    // Devices are only written to once a pipe is seen to be written where it is.
    ASSERT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    ASSERT_EQ(Names(), std::vector<std::string>{"pipe"});
  }
  {
    SCOPED_TRACE("/dev/null takes everything and stays the device");
    struct stat before {};
    ASSERT_EQ(::stat("/dev/null", &before), 0);
    EXPECT_NO_THROW(Save(Pattern(5000, 10), "/dev/null"));
    struct stat after {};
    ASSERT_EQ(::stat("/dev/null", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, before.st_rdev);
    EXPECT_EQ(after.st_ino, before.st_ino);
  }
  {
    SCOPED_TRACE("/dev/full refuses even a small file, and the error says so");
    EXPECT_EQ(MessageOf<EWriteError>([] { Save(Pattern(10, 11), "/dev/full"); }),
              Expected("Cannot write file", "/dev/full", ENOSPC));
    struct stat after {};
    ASSERT_EQ(::stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
  }
}

}  // namespace
