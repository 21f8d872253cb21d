// Every input that once broke the picture reader, read again: it must end in a picture or in
// one of the reader's exceptions, and a picture that came out must give every pixel. And the
// pictures that once read wrong, each kept with the colours it shows (NAME.expected: width and
// height, then the rows top first as RRGGBB), worked out when the file was written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "picture/dib.h"
#include "tests/images/dib_support.h"
#include "tests/images/picture_reader.h"

namespace {

Bytes FileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(DIBRegressions, EveryKeptInputReadsToAPictureOrAnError) {
  const std::filesystem::path folder = MARVOSK_PICTURE_REGRESSIONS;
  ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    SCOPED_TRACE(entry.path().filename().string());
    const Bytes bytes = FileBytes(entry.path());
    EXPECT_NO_THROW(ReadPictureInput(bytes.data(), bytes.size()));
    ++count;
  }
  EXPECT_GT(count, 0);
}

// The colour of pixel (x, y) as 0xRRGGBB, from the colour table or the pixel's own channels.
std::uint32_t ColourOf(TDIB& dib, int x, int y) {
  const std::uint32_t v = dib.Pixels(x, y);
  switch (dib.BitCount()) {
    case 24: return (v & 0xFF) << 16 | (v & 0xFF00) | v >> 16;
    case 32: return v & 0xFFFFFF;
    case 16: ADD_FAILURE() << "no 16-bit picture is kept"; return 0;
    default: {
      const RGBQUAD& q = dib.ColorTable[v];
      return std::uint32_t{q.rgbRed} << 16 | std::uint32_t{q.rgbGreen} << 8 | q.rgbBlue;
    }
  }
}

// Files NAME.bmp are read as files, NAME.dib as DIB data.
TEST(DIBRegressions, KeptPicturesReadAndDrawTheColoursTheyWereWrittenWith) {
  const std::filesystem::path folder =
      std::filesystem::path(MARVOSK_PICTURE_REGRESSIONS).parent_path() / "decoded";
  ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::filesystem::path path = entry.path();
    if (path.extension() == ".expected") continue;
    SCOPED_TRACE(path.filename().string());
    std::ifstream expected(path.string() + ".expected");
    ASSERT_TRUE(expected.good()) << "no expected colours";
    int w = 0, h = 0;
    expected >> w >> h;
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(w * h));
    for (auto& c : colours) expected >> std::hex >> c;
    ASSERT_FALSE(expected.fail());

    auto stream = StreamOf(FileBytes(path));
    TOwnedPtr<TDIB> dib(Construct<TDIB>());
    if (path.extension() == ".bmp")
      dib->LoadFromStream(*stream);
    else
      dib->ReadData(*stream);
    ASSERT_EQ(dib->Width(), w);
    ASSERT_EQ(dib->Height(), h);
    TOwnedPtr<TDIB> target(Construct<TDIB>());
    target->SetSize(w, h, 32);
    target->Canvas()->Draw(0, 0, dib.get());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint32_t want = colours[static_cast<std::size_t>(y * w + x)];
        EXPECT_EQ(ColourOf(*dib, x, y), want) << std::hex << x << "," << y;
        EXPECT_EQ(target->Pixels(x, y), want) << std::hex << x << "," << y << " drawn";
      }
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
