// Fonts for the graphics interface: a logical font is resolved once through the build's font
// finder (platform/fonts/fonts.h: by face name, weight and slant; its best match stands in for
// a name it does not know) and drawn with FreeType, anti-aliased, in one colour over the pixels
// already there. Each resolved face keeps the glyphs it has drawn, so drawing a text drawn
// before allocates nothing.
//
// Without any usable font, Resolve answers nullptr once it has written one line to standard
// error; text then draws nothing and measures 0.
#pragma once

#include <memory>
#include <string>

#include "platform/gdi/gditypes.h"
#include "platform/gdi/pixels.h"

namespace gdi {

class FontFace;

// The face for a logical font at its pixel height; the same request answers the same face.
std::shared_ptr<FontFace> ResolveFont(const LOGFONTA& font);

// The cell of a text: advance width and ascent + descent; {0, 0} without a face.
SIZE MeasureText(FontFace* face, const char* text, int length);
void GetMetrics(FontFace* face, TEXTMETRICA& metrics);

// Draws text with the top-left of its cell at (x, y), blended in `color`; with `opaque` the
// cell is first filled with `background`. Pixels outside the block are left out.
void DrawText(FontFace* face, const PixelBlock& block, int x, int y, const char* text, int length,
              Rgb color, bool opaque, Rgb background);

// The file the font finder chose for a face (for messages and tests).
std::string FontFile(const FontFace* face);

// Forgets every resolved face and the once-only failure report (tests of the no-font case).
void ResetFontsForTesting(bool withoutFonts);

}  // namespace gdi
