// Every input that once broke the picture reader, read again: it must end in a picture or in
// one of the reader's exceptions, and a picture that came out must give every pixel.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "images/dib.h"
#include "tests/images/dib_support.h"
#include "tests/images/picture_reader.h"

namespace {

TEST(DIBRegressions, EveryKeptInputReadsToAPictureOrAnError) {
  const std::filesystem::path folder = MARVOSK_PICTURE_REGRESSIONS;
  ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream file(entry.path(), std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    EXPECT_NO_THROW(ReadPictureInput(bytes.data(), bytes.size()));
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
