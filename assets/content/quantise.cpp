#include "assets/content/quantise.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <vector>

#include "platform/gdi/pixels.h"

namespace artwork {

namespace {

// A figure covered at least this much keeps its pixel; anything thinner becomes the key.
constexpr int kOpaqueAlpha = 128;

int Distance(const Rgb8& a, const Rgb8& b) {
  int d = 0;
  for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(a[c]) - int(b[c])));
  return d;
}

// Moves c straight away from the key until it is kKeyClearance from it; a colour equal to
// the key moves towards middle grey.
Rgb8 ClearOfKey(Rgb8 c, const Rgb8& key) {
  const int d = Distance(c, key);
  if (d >= kKeyClearance) return c;
  Rgb8 out;
  for (int ch = 0; ch < 3; ++ch) {
    double diff = int(c[ch]) - int(key[ch]);
    if (d == 0) diff = key[ch] >= 128 ? -1 : 1;
    const double moved = key[ch] + diff * kKeyClearance / std::max(d, 1);
    out[ch] = static_cast<std::uint8_t>(std::clamp(std::lround(moved), 0L, 255L));
  }
  // Clamping can only shorten the move on a channel that already differs by the clearance.
  return out;
}

Rgb8 Unpremultiply(std::uint32_t argb) {
  const int a = argb >> 24;
  Rgb8 c{};
  for (int ch = 0; ch < 3; ++ch) {
    const int v = (argb >> (16 - 8 * ch)) & 0xFF;
    c[ch] = a == 0 ? 0 : static_cast<std::uint8_t>(std::min(255, (v * 255 + a / 2) / a));
  }
  return c;
}

Rgb8 OverBlack(std::uint32_t argb) {
  return {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
          static_cast<std::uint8_t>(argb)};
}

std::uint32_t Pack(const Rgb8& c) { return (c[0] << 16) | (c[1] << 8) | c[2]; }
Rgb8 Unpack(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v)};
}

struct Weighted {
  Rgb8 color;
  long count;
};

// Median cut: the box with the widest weighted spread is split at its weighted median along
// its widest channel until there are `entries` boxes; each box gives its weighted mean.
std::vector<Rgb8> MedianCut(std::vector<Weighted> colors, std::size_t entries) {
  if (colors.size() <= entries) {
    std::vector<Rgb8> out;
    for (const Weighted& w : colors) out.push_back(w.color);
    return out;
  }
  struct Box {
    std::size_t begin, end;
  };
  auto spread = [&](const Box& b, int& channel) {
    int best = -1;
    for (int ch = 0; ch < 3; ++ch) {
      int lo = 255, hi = 0;
      for (std::size_t i = b.begin; i < b.end; ++i) {
        lo = std::min<int>(lo, colors[i].color[ch]);
        hi = std::max<int>(hi, colors[i].color[ch]);
      }
      // Green counts most, blue least, as the eye sees them.
      static constexpr int kWeight[3] = {3, 4, 2};
      if ((hi - lo) * kWeight[ch] > best) {
        best = (hi - lo) * kWeight[ch];
        channel = ch;
      }
    }
    long weight = 0;
    for (std::size_t i = b.begin; i < b.end; ++i) weight += colors[i].count;
    return static_cast<double>(best) * std::sqrt(static_cast<double>(weight));
  };
  std::vector<Box> boxes{{0, colors.size()}};
  while (boxes.size() < entries) {
    int bestBox = -1, bestChannel = 0;
    double bestSpread = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      int ch = 0;
      const double s = boxes[i].end - boxes[i].begin > 1 ? spread(boxes[i], ch) : 0;
      if (s > bestSpread) {
        bestSpread = s;
        bestBox = static_cast<int>(i);
        bestChannel = ch;
      }
    }
    if (bestBox < 0) break;
    Box box = boxes[bestBox];
    std::stable_sort(colors.begin() + box.begin, colors.begin() + box.end,
                     [&](const Weighted& a, const Weighted& b) {
                       return a.color[bestChannel] < b.color[bestChannel];
                     });
    long total = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) total += colors[i].count;
    long running = 0;
    std::size_t cut = box.begin + 1;
    for (std::size_t i = box.begin; i < box.end - 1; ++i) {
      running += colors[i].count;
      cut = i + 1;
      if (2 * running >= total) break;
    }
    boxes[bestBox] = {box.begin, cut};
    boxes.push_back({cut, box.end});
  }
  std::vector<Rgb8> out;
  for (const Box& b : boxes) {
    double sum[3] = {0, 0, 0};
    double weight = 0;
    for (std::size_t i = b.begin; i < b.end; ++i) {
      for (int ch = 0; ch < 3; ++ch) sum[ch] += double(colors[i].color[ch]) * colors[i].count;
      weight += colors[i].count;
    }
    Rgb8 mean;
    for (int ch = 0; ch < 3; ++ch)
      mean[ch] = static_cast<std::uint8_t>(std::lround(sum[ch] / weight));
    out.push_back(mean);
  }
  return out;
}

int Nearest(const std::vector<Rgb8>& palette, std::size_t first, const Rgb8& c) {
  int best = static_cast<int>(first);
  long bestDist = -1;
  for (std::size_t i = first; i < palette.size(); ++i) {
    long d = 0;
    static constexpr int kWeight[3] = {3, 4, 2};
    for (int ch = 0; ch < 3; ++ch) {
      const long diff = int(palette[i][ch]) - int(c[ch]);
      d += kWeight[ch] * diff * diff;
    }
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

}  // namespace

DrawnPicture Finish(const Canvas& canvas, const PictureFormat& format) {
  if (canvas.width() != format.width || canvas.height() != format.height) {
    throw std::logic_error("picture drawn at the wrong size");
  }
  const int w = format.width, h = format.height;
  // Top-down pixels; keyed ones marked.
  std::vector<Rgb8> pixels(static_cast<std::size_t>(w) * h);
  std::vector<bool> keyed(pixels.size(), false);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t argb = canvas.Pixel(x, y);
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      if (!format.key) {
        pixels[i] = OverBlack(argb);
      } else if (int(argb >> 24) < kOpaqueAlpha) {
        pixels[i] = *format.key;
        keyed[i] = true;
      } else {
        pixels[i] = ClearOfKey(Unpremultiply(argb), *format.key);
      }
    }
  }

  DrawnPicture out;
  out.width = w;
  out.height = h;
  out.bitCount = format.bitCount;
  const int stride = static_cast<int>(gdi::DibRowBytes(w, format.bitCount));
  out.bits.assign(static_cast<std::size_t>(stride) * h, 0);

  if (format.bitCount == 24) {
    for (int y = 0; y < h; ++y) {
      std::uint8_t* row = out.bits.data() + static_cast<std::size_t>(h - 1 - y) * stride;
      for (int x = 0; x < w; ++x) {
        const Rgb8& c = pixels[static_cast<std::size_t>(y) * w + x];
        row[3 * x] = c[2];
        row[3 * x + 1] = c[1];
        row[3 * x + 2] = c[0];
      }
    }
    return out;
  }
  if (format.bitCount != 4 && format.bitCount != 8) {
    throw std::logic_error("unsupported bit count");
  }

  const std::size_t entries = std::size_t{1} << format.bitCount;
  std::map<std::uint32_t, long> histogram;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (!keyed[i]) ++histogram[Pack(pixels[i])];
  }
  std::vector<Weighted> colors;
  for (const auto& [packed, count] : histogram) colors.push_back({Unpack(packed), count});
  std::vector<Rgb8> palette;
  const std::size_t first = format.key ? 1 : 0;
  if (format.key) palette.push_back(*format.key);
  for (const Rgb8& c : MedianCut(colors, entries - first)) {
    palette.push_back(format.key ? ClearOfKey(c, *format.key) : c);
  }

  out.colorTable.assign(entries, {0, 0, 0, 0});
  for (std::size_t i = 0; i < palette.size(); ++i) {
    out.colorTable[i] = {palette[i][2], palette[i][1], palette[i][0], 0};
  }
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = out.bits.data() + static_cast<std::size_t>(h - 1 - y) * stride;
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      const int index = keyed[i] ? 0 : Nearest(palette, first, pixels[i]);
      if (format.bitCount == 8) {
        row[x] = static_cast<std::uint8_t>(index);
      } else {
        row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
      }
    }
  }
  return out;
}

}  // namespace artwork
