// The tools' file writing: a file is the whole new content or stays as it was, a failure names
// the file, and nothing of a failed write is left in the folder.
#include "tools/marvosk-assets/whole_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

class WholeFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "whole_file_XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    folder = name;
  }
  void TearDown() override { fs::remove_all(folder); }

  static std::string Content(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void Put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  // Everything in the folder, hidden files too.
  int Entries() const {
    return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
  }
  // The message of the WriteFailure that Write raises, or "" when it raises none.
  static std::string FailureOf(const fs::path& path, const tools::FileFiller& fill) {
    try {
      tools::WriteWholeFile(path, fill);
    } catch (const tools::WriteFailure& e) {
      return e.what();
    }
    return "";
  }

  fs::path folder;
};

TEST_F(WholeFile, ReplacesAFileWholeWithTheUsualPermissions) {
  const fs::path target = folder / "picture.png";
  Put(target, "an older and longer content");
  tools::WriteWholeFile(target, [](std::FILE* f) { return tools::WriteBytes(f, "new", 3); });
  EXPECT_EQ(Content(target), "new");
  EXPECT_EQ(Entries(), 1);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(WholeFile, AWriteThatStopsHalfWayLeavesTheOlderFileAndNothingElse) {
  const fs::path target = folder / "sound.wav";
  Put(target, "the whole older sound");
  const std::string big(1 << 20, 'x');
  // Gives up after some of the bytes, as a disk that fills up does.
  const auto halfWay = [&](std::FILE* f) {
    tools::WriteBytes(f, big.data(), big.size() / 2);
    return false;
  };
  EXPECT_EQ(FailureOf(target, halfWay), "cannot write " + target.string());
  EXPECT_EQ(Content(target), "the whole older sound");
  EXPECT_EQ(Entries(), 1);

  // Where there was no file, there is none.
  const fs::path fresh = folder / "fresh.wav";
  EXPECT_EQ(FailureOf(fresh, halfWay), "cannot write " + fresh.string());
  EXPECT_FALSE(fs::exists(fresh));
  EXPECT_EQ(Entries(), 1);

  // A filler that throws takes its error with it and leaves nothing either.
  EXPECT_THROW(tools::WriteWholeFile(fresh,
                                     [&](std::FILE* f) -> bool {
                                       tools::WriteBytes(f, big.data(), 100);
                                       throw std::runtime_error("picture broken");
                                     }),
               std::runtime_error);
  EXPECT_FALSE(fs::exists(fresh));
  EXPECT_EQ(Entries(), 1);
}

TEST_F(WholeFile, TheSystemsReasonIsGivenWithTheFile) {
  const auto fill = [](std::FILE* f) { return tools::WriteBytes(f, "abc", 3); };
  const fs::path missing = folder / "no folder" / "x.png";
  EXPECT_EQ(FailureOf(missing, fill),
            "cannot write " + missing.string() + ": No such file or directory");
  EXPECT_EQ(FailureOf(folder, fill), "cannot write " + folder.string() + ": a folder");
  // A full disk shows itself at the latest when the bytes are pushed out.
  EXPECT_EQ(FailureOf("/dev/full", fill), "cannot write /dev/full: No space left on device");
  EXPECT_EQ(Entries(), 0);
}

TEST_F(WholeFile, ADeviceIsWrittenInPlaceNotReplaced) {
  tools::WriteWholeFile("/dev/null", [](std::FILE* f) { return tools::WriteBytes(f, "abc", 3); });
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

}  // namespace
