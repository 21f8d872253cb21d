// The embedded main window carries exactly the drawn pictures and synthesised sounds, and the
// game's own picture and wave readers give them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "assets/catalogue/catalogue.h"
#include "assets/content/pictures.h"
#include "assets/content/sounds.h"
#include "picture/dib.h"
#include "sound/wave.h"
#include "toolkit/streams.h"

namespace {

// The binary values stored under Property, in stream order.
std::vector<std::span<const std::uint8_t>> StoredValues(std::string_view Property) {
  bool found = false;
  const auto data = FindResourceData("TMAINFORM", RT_RCDATA, found);
  EXPECT_TRUE(found);
  std::string key(1, static_cast<char>(Property.size()));
  key += Property;
  key += '\x0A';  // a binary value follows
  std::vector<std::span<const std::uint8_t>> values;
  auto at = data.begin();
  while ((at = std::search(at, data.end(), key.begin(), key.end())) != data.end()) {
    const std::size_t pos = static_cast<std::size_t>(at - data.begin()) + key.size();
    const std::uint32_t n = data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16 |
                            static_cast<std::uint32_t>(data[pos + 3]) << 24;
    values.push_back(data.subspan(pos + 4, n));
    at = data.begin() + static_cast<std::ptrdiff_t>(pos + 4 + n);
  }
  return values;
}

TEST(StoredContent, PicturesAreTheDrawnOnesAndReadBackPixelForPixel) {
  const auto values = StoredValues("Picture.Data");
  std::vector<catalogue::Image> drawnImages;
  for (const catalogue::ImageItem& item : catalogue::Images())
    if (item.hasPicture()) drawnImages.push_back(item.id);
  ASSERT_EQ(values.size(), drawnImages.size());
  for (std::size_t k = 0; k < values.size(); ++k) {
    SCOPED_TRACE("image " + std::to_string(catalogue::Index(drawnImages[k])));
    const DrawnPicture drawn = DrawPicture(drawnImages[k]);
    const auto value = values[k];
    const std::size_t table = drawn.colorTable.size() * 4;
    ASSERT_EQ(value.size(), 5 + 40 + table + drawn.bits.size());
    EXPECT_TRUE(std::equal(drawn.bits.begin(), drawn.bits.end(), value.end() - drawn.bits.size()));

    TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
    stream->WriteBuffer(value.data() + 5, static_cast<std::int64_t>(value.size() - 5));
    stream->SetPosition(0);
    TOwnedPtr<TDIB> dib(Construct<TDIB>());
    dib->ReadData(*stream);
    ASSERT_EQ(dib->Width(), drawn.width);
    ASSERT_EQ(dib->Height(), drawn.height);
    ASSERT_EQ(dib->BitCount(), drawn.bitCount);
    for (std::size_t i = 0; i < drawn.colorTable.size(); ++i) {
      const RGBQUAD& c = dib->ColorTable[i];
      EXPECT_EQ((std::array<std::uint8_t, 4>{c.rgbBlue, c.rgbGreen, c.rgbRed, 0}),
                drawn.colorTable[i]);
    }
    // Pixels counted from the top row, against the drawn bottom-up rows.
    const std::size_t stride = drawn.bits.size() / static_cast<std::size_t>(drawn.height);
    int mismatches = 0;
    for (int y = 0; y < drawn.height; ++y) {
      const std::uint8_t* row = drawn.bits.data() + (drawn.height - 1 - y) * stride;
      for (int x = 0; x < drawn.width; ++x) {
        std::uint32_t want = 0;
        if (drawn.bitCount == 24)
          want = row[3 * x + 2] | row[3 * x + 1] << 8 | row[3 * x] << 16;
        else if (drawn.bitCount == 8)
          want = row[x];
        else
          want = (x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2]) & 0x0F;
        mismatches += dib->Pixels(x, y) != want;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(StoredContent, SoundsAreTheSynthesisedOnesAndReadBackWhole) {
  const auto values = StoredValues("Wave.WAVE");
  ASSERT_EQ(values.size(), static_cast<std::size_t>(catalogue::kWaveCount));
  for (int i = 0; i < catalogue::kWaveCount; ++i) {
    SCOPED_TRACE("wave " + std::to_string(i));
    const SynthesizedSound sound = SynthesizeSound(static_cast<catalogue::Wave>(i));
    TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
    const auto value = values[static_cast<std::size_t>(i)];
    stream->WriteBuffer(value.data(), static_cast<std::int64_t>(value.size()));
    stream->SetPosition(0);
    TOwnedPtr<TWave> wave(Construct<TWave>());
    wave->LoadFromStream(*stream);
    ASSERT_EQ(wave->Size(), static_cast<std::int32_t>(sound.data.size()));
    EXPECT_EQ(std::memcmp(wave->Data(), sound.data.data(), sound.data.size()), 0);
    EXPECT_EQ(wave->FormatSize(), catalogue::Waves()[static_cast<std::size_t>(i)].fmtLength);
    EXPECT_EQ(wave->Format()->nChannels, sound.channels);
    EXPECT_EQ(static_cast<int>(wave->Format()->nSamplesPerSec), sound.samplesPerSecond);
    EXPECT_EQ(wave->Format()->wBitsPerSample, sound.bitsPerSample);
  }
}

}  // namespace
