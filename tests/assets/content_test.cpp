// The drawn pictures and synthesised sounds: their stored shapes against the catalogue, clean
// colour keys, target rings where the scoring puts them, sound levels and seams, and the same
// bytes on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <vector>

#include "assets/content/pictures.h"
#include "assets/content/sounds.h"
#include "tests/assets/dib_pixels.h"

namespace {

using dib_test::Distance;
using dib_test::Pixels;
using dib_test::Rgb;

using catalogue::Image;
using catalogue::Wave;

struct PictureEntry {
  int index, width, height, bitCount, colorTableEntries, dataBytes;
  std::optional<Rgb> key;
};

// The catalogue's items that hold a picture, with the colour key as the pixels show it.
const std::vector<PictureEntry>& Pictures() {
  static const std::vector<PictureEntry> entries = [] {
    std::vector<PictureEntry> out;
    for (const catalogue::ImageItem& item : catalogue::Images()) {
      if (!item.hasPicture()) continue;
      const std::uint32_t c = item.transparentColor.value;  // 0x00BBGGRR
      std::optional<Rgb> key;
      if (item.transparent) {
        key = Rgb{static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8 & 0xFF),
                  static_cast<std::uint8_t>(c >> 16 & 0xFF)};
      }
      out.push_back({catalogue::Index(item.id), item.width, item.height, item.bitCount,
                     item.colorTableEntries(), item.dataBytes(), key});
    }
    return out;
  }();
  return entries;
}

struct SoundEntry {
  int index, channels, rate, bits, dataBytes;
  bool looped;
};

const std::vector<SoundEntry>& Sounds() {
  static const std::vector<SoundEntry> entries = [] {
    std::vector<SoundEntry> out;
    for (const catalogue::WaveItem& item : catalogue::Waves()) {
      out.push_back({catalogue::Index(item.id), item.channels, item.samplesPerSecond,
                     item.bitsPerSample, item.dataBytes(), item.looped});
    }
    return out;
  }();
  return entries;
}

// Pictures and sounds are made once for all tests.
const DrawnPicture& Picture(int index) {
  static std::vector<std::optional<DrawnPicture>> cache(catalogue::kImageCount);
  if (!cache[index]) cache[index] = DrawPicture(static_cast<Image>(index));
  return *cache[index];
}

const SynthesizedSound& Sound(int index) {
  static std::vector<std::optional<SynthesizedSound>> cache(catalogue::kWaveCount);
  if (!cache[index]) cache[index] = SynthesizeSound(static_cast<Wave>(index));
  return *cache[index];
}

// Samples of channel `channel` as fractions of full scale.
std::vector<double> Samples(const SynthesizedSound& s, int channel) {
  const int bytes = s.bitsPerSample / 8, frame = bytes * s.channels;
  std::vector<double> out;
  for (std::size_t at = channel * bytes; at + bytes <= s.data.size(); at += frame) {
    if (bytes == 1) {
      out.push_back((s.data[at] - 128) / 128.0);
    } else {
      const auto v = static_cast<std::int16_t>(s.data[at] | (s.data[at + 1] << 8));
      out.push_back(v / 32768.0);
    }
  }
  return out;
}

TEST(DrawnPictures, HaveTheCataloguesSizesFormatsAndDataLengths) {
  for (const PictureEntry& e : Pictures()) {
    SCOPED_TRACE(e.index);
    const DrawnPicture& p = Picture(e.index);
    EXPECT_EQ(p.width, e.width);
    EXPECT_EQ(p.height, e.height);
    EXPECT_EQ(p.bitCount, e.bitCount);
    EXPECT_EQ(static_cast<int>(p.colorTable.size()), e.colorTableEntries);
    const std::size_t stride = ((e.width * e.bitCount + 31) / 32) * 4;
    EXPECT_EQ(p.bits.size(), stride * e.height);
    EXPECT_EQ(5 + 40 + 4 * p.colorTable.size() + p.bits.size(),
              static_cast<std::size_t>(e.dataBytes));
    for (const auto& entry : p.colorTable) EXPECT_EQ(entry[3], 0) << "reserved byte";
  }
}

// Every item the catalogue stores without a picture, and every index outside it, is refused.
TEST(DrawnPictures, ItemsWithoutAPictureAreRefused) {
  std::vector<int> refused = {-1, catalogue::kImageCount};
  for (const catalogue::ImageItem& item : catalogue::Images())
    if (!item.hasPicture()) refused.push_back(catalogue::Index(item.id));
  ASSERT_EQ(refused.size(), 4u);  // the two "Ledig" items
  for (int index : refused) {
    EXPECT_THROW(DrawPicture(static_cast<Image>(index)), std::out_of_range) << index;
  }
}

TEST(DrawnPictures, ColourKeysCutClean) {
  for (const PictureEntry& e : Pictures()) {
    if (!e.key) continue;
    SCOPED_TRACE(e.index);
    const std::vector<Rgb> px = Pixels(Picture(e.index));
    const Rgb key = *e.key;
    // The outermost ring is all background.
    for (int x = 0; x < e.width; ++x) {
      EXPECT_EQ(px[x], key) << "top, x " << x;
      EXPECT_EQ(px[static_cast<std::size_t>(e.height - 1) * e.width + x], key) << "bottom, x " << x;
    }
    for (int y = 0; y < e.height; ++y) {
      EXPECT_EQ(px[static_cast<std::size_t>(y) * e.width], key) << "left, y " << y;
      EXPECT_EQ(px[static_cast<std::size_t>(y) * e.width + e.width - 1], key) << "right, y " << y;
    }
    // Every other pixel is either exactly the key or far enough from it that a 16-bit display
    // (5 or 6 bits a channel) cannot turn it into the key: no fringe, no holes.
    int figure = 0, nearKey = 0;
    for (const Rgb& c : px) {
      if (c == key) continue;
      ++figure;
      if (Distance(c, key) < 24) ++nearKey;
    }
    EXPECT_EQ(nearKey, 0);
    // And there is a figure, a good part of the picture.
    EXPECT_GT(figure, static_cast<int>(px.size()) / 8);
  }
}

TEST(DrawnPictures, TargetBoardRingsFollowTheScoringGrades) {
  const std::vector<Rgb> px = Pixels(Picture(catalogue::Index(Image::TargetBoard)));
  const int cx = 63 / 2, cy = 62 / 2;
  enum Paint { kRed, kCream, kNavy };
  const auto paint = [](const Rgb& c) {
    if (c[2] > c[0] && c[2] > c[1]) return kNavy;
    return c[0] - c[2] > 90 && c[1] < 120 ? kRed : kCream;
  };
  // Whole-number distances of each grade band (distance rounded as the scoring rounds it), and
  // the paint the band shows: the bands alternate, so each rim is a change of colour.
  struct Band {
    int from, to;
    Paint paint;
  };
  const Band bands[] = {{2, 4, kCream}, {5, 8, kRed},     {9, 15, kCream},
                        {16, 20, kRed}, {21, 26, kCream}, {27, 29, kNavy}};
  const int directions[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (const Band& b : bands) {
    // Stay a pixel clear of the rims, where outlines are drawn.
    for (int d = b.from + 1; d <= b.to - 1; ++d) {
      for (const auto& dir : directions) {
        const Rgb& c = px[static_cast<std::size_t>(cy + dir[1] * d) * 63 + cx + dir[0] * d];
        EXPECT_EQ(paint(c), b.paint)
            << "distance " << d << " direction " << dir[0] << "," << dir[1];
      }
    }
  }
}

TEST(DrawnPictures, TheBackgroundsMiddleIsCalmerThanItsEdges) {
  const std::vector<Rgb> px = Pixels(Picture(catalogue::Index(Image::Bakgrund)));
  // Mean difference between neighbouring pixels: a busy area has many edges.
  const auto busyness = [&](int x0, int y0, int x1, int y1) {
    double sum = 0;
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const Rgb& a = px[static_cast<std::size_t>(y) * 640 + x];
        const Rgb& b = px[static_cast<std::size_t>(y) * 640 + x + 1];
        sum += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
        ++n;
      }
    }
    return sum / n;
  };
  const double middle = busyness(200, 110, 440, 300);
  EXPECT_LT(middle, 4.0);
  EXPECT_LT(middle * 3, busyness(0, 30, 639, 110));  // the awning and its bulbs
}

TEST(DrawnPictures, AreTheSameOnEveryCall) {
  for (const PictureEntry& e : Pictures()) {
    const DrawnPicture again = DrawPicture(static_cast<Image>(e.index));
    EXPECT_EQ(again.bits, Picture(e.index).bits) << e.index;
    EXPECT_EQ(again.colorTable, Picture(e.index).colorTable) << e.index;
  }
}

TEST(SynthesizedSounds, HaveTheCataloguesFormatsAndDataLengths) {
  for (const SoundEntry& e : Sounds()) {
    SCOPED_TRACE(e.index);
    const SynthesizedSound& s = Sound(e.index);
    EXPECT_EQ(s.channels, e.channels);
    EXPECT_EQ(s.samplesPerSecond, e.rate);
    EXPECT_EQ(s.bitsPerSample, e.bits);
    EXPECT_EQ(s.data.size(), static_cast<std::size_t>(e.dataBytes));
  }
  EXPECT_THROW(SynthesizeSound(static_cast<Wave>(-1)), std::out_of_range);
  EXPECT_THROW(SynthesizeSound(Wave::Count), std::out_of_range);
}

TEST(SynthesizedSounds, StayBelowFullScaleWithoutOffset) {
  for (const SoundEntry& e : Sounds()) {
    SCOPED_TRACE(e.index);
    for (int ch = 0; ch < e.channels; ++ch) {
      const std::vector<double> x = Samples(Sound(e.index), ch);
      double peak = 0, sum = 0;
      for (double v : x) {
        peak = std::max(peak, std::abs(v));
        sum += v;
      }
      EXPECT_LT(peak, 0.95);
      EXPECT_GT(peak, 0.1) << "practically silent";
      EXPECT_LT(std::abs(sum / x.size()), 0.005) << "offset";
    }
  }
}

TEST(SynthesizedSounds, OneShotsStartAndEndInSilence) {
  for (const SoundEntry& e : Sounds()) {
    if (e.looped) continue;
    SCOPED_TRACE(e.index);
    for (int ch = 0; ch < e.channels; ++ch) {
      const std::vector<double> x = Samples(Sound(e.index), ch);
      const double lsb = e.bits == 8 ? 1 / 128.0 : 1 / 32768.0;
      EXPECT_LE(std::abs(x.front()), lsb);
      EXPECT_LE(std::abs(x.back()), lsb);
    }
  }
}

TEST(SynthesizedSounds, FallSilentWithoutAStep) {
  // Wherever a sound goes quiet for a while (10 ms within one step of the 8-bit scale), the
  // millisecond before has already come down: a note or a noise cut off mid-way would click.
  for (const SoundEntry& e : Sounds()) {
    SCOPED_TRACE(e.index);
    const std::size_t quiet = e.rate / 100, before = e.rate / 1000;
    for (int ch = 0; ch < e.channels; ++ch) {
      const std::vector<double> x = Samples(Sound(e.index), ch);
      std::size_t run = 0;
      for (std::size_t i = 0; i < x.size(); ++i) {
        run = std::abs(x[i]) <= 1 / 128.0 ? run + 1 : 0;
        if (run != quiet) continue;
        const std::size_t start = i + 1 - quiet;
        double peak = 0;
        for (std::size_t j = start >= before ? start - before : 0; j < start; ++j) {
          peak = std::max(peak, std::abs(x[j]));
        }
        EXPECT_LT(peak, 0.1) << "silence from sample " << start;
      }
    }
  }
}

TEST(SynthesizedSounds, LoopsAreContinuousAtTheSeam) {
  for (const SoundEntry& e : Sounds()) {
    if (!e.looped) continue;
    SCOPED_TRACE(e.index);
    for (int ch = 0; ch < e.channels; ++ch) {
      const std::vector<double> x = Samples(Sound(e.index), ch);
      double meanStep = 0;
      for (std::size_t i = 1; i < x.size(); ++i) meanStep += std::abs(x[i] - x[i - 1]);
      meanStep /= static_cast<double>(x.size() - 1);
      const double lsb = e.bits == 8 ? 1 / 128.0 : 1 / 32768.0;
      // The step from the last sample back to the first is no bigger than an ordinary step.
      EXPECT_LE(std::abs(x.front() - x.back()), 4 * meanStep + 2 * lsb);
      // And the sound is not merely silent at both ends: the seam falls inside the sound.
      const std::size_t edge = x.size() / 50;
      double energy = 0;
      for (std::size_t i = 0; i < edge; ++i)
        energy += x[i] * x[i] + x[x.size() - 1 - i] * x[x.size() - 1 - i];
      EXPECT_GT(std::sqrt(energy / (2 * edge)), 4 * lsb);
    }
  }
}

// Loudness over the part of a sound that is heard: 20 ms windows within 20 dB of the loudest.
double HeardLevelDb(const SynthesizedSound& s) {
  const std::vector<double> x = Samples(s, 0);
  const std::size_t window = s.samplesPerSecond / 50;
  std::vector<double> energies;
  for (std::size_t at = 0; at + window <= x.size(); at += window) {
    double e = 0;
    for (std::size_t i = at; i < at + window; ++i) e += x[i] * x[i];
    energies.push_back(e / window);
  }
  const double loudest = *std::max_element(energies.begin(), energies.end());
  double sum = 0;
  int n = 0;
  for (double e : energies) {
    if (e >= loudest / 100) {
      sum += e;
      ++n;
    }
  }
  return 10 * std::log10(sum / n);
}

TEST(SynthesizedSounds, LevelsSitTogether) {
  std::vector<double> levels;
  for (const SoundEntry& e : Sounds()) levels.push_back(HeardLevelDb(Sound(e.index)));
  std::vector<double> sorted = levels;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted[sorted.size() / 2];
  for (std::size_t i = 0; i < levels.size(); ++i) {
    EXPECT_NEAR(levels[i], median, 8) << "sound " << i;
  }
}

TEST(SynthesizedSounds, AreTheSameOnEveryCall) {
  for (const SoundEntry& e : Sounds()) {
    EXPECT_EQ(SynthesizeSound(static_cast<Wave>(e.index)).data, Sound(e.index).data) << e.index;
  }
}

}  // namespace
