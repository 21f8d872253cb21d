// The drawing service's pixel work on blocks of one format: fills, plain and colour-keyed
// copies, and stretched or mirrored copies cut to a clip rectangle. Callers pass rectangles that
// already lie inside their blocks (the clip rectangle: inside the destination).
#pragma once

#include <cstdint>

#include "platform/gdi/gditypes.h"
#include "platform/gdi/pixels.h"

namespace ddraw {

// A source colour key: pixels whose colour bits lie in [low, high] are not copied.
struct SourceKey {
  bool active = false;
  std::uint32_t low = 0, high = 0;
};

// The bits of a pixel that carry colour: the three masks, or the index.
std::uint32_t ColorBits(const gdi::PixelFormat& format);

void FillBlock(const gdi::PixelBlock& block, const RECT& rect, std::uint32_t value);

// Copies src's rectangle s to (dx, dy) of dst; both blocks have the same format. The two
// may be the same block, with overlapping rectangles.
void CopyBlock(const gdi::PixelBlock& dst, int dx, int dy, const gdi::PixelBlock& src,
               const RECT& s, const SourceKey& key);

// Copies src's rectangle s onto dst's rectangle d, scaled by the nearest pixel and mirrored as
// asked, writing only the part of d inside clip.
void StretchBlock(const gdi::PixelBlock& dst, const RECT& d, const RECT& clip,
                  const gdi::PixelBlock& src, const RECT& s, bool mirrorLeftRight,
                  bool mirrorUpDown, const SourceKey& key);

}  // namespace ddraw
