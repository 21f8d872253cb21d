// What the drawing service needs of the graphics interface beyond the desktop calls: device
// contexts on a surface's pixels, and the screen's mode and system palette.
#pragma once

#include "platform/gdi/gditypes.h"
#include "platform/gdi/pixels.h"

namespace gdi {

// A device context that draws straight into `block` (its colour table is copied); bitmaps
// cannot be selected into it. A surface keeps one for its whole life, so that handing out its
// context every frame allocates nothing: AttachSurfaceDC points it at the pixels again,
// DetachSurfaceDC leaves it drawing nowhere with the stock objects selected and the default
// colours and modes, and DeleteSurfaceDC frees it.
HDC CreateSurfaceDC(const PixelBlock& block);
void AttachSurfaceDC(HDC dc, const PixelBlock& block);
void DetachSurfaceDC(HDC dc);
void DeleteSurfaceDC(HDC dc);

// The screen's mode, as GetDeviceCaps reports it for the screen's context.
void SetScreenMode(int width, int height, int bitCount);
// Replaces entries of the system palette (an 8-bit screen's palette was realised); the 20
// reserved entries stay as they are.
void SetSystemPalette(int first, int count, const PALETTEENTRY* entries);
// The system palette as colours.
const Rgb* SystemColors();

}  // namespace gdi
