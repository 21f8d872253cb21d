// The graphics interface: elliptic regions, memory device contexts, device-independent bitmap
// sections, stretched copies that convert between pixel formats (through the palette on 8-bit
// targets), palettes and the screen's system palette, solid brushes, and text drawn with
// the build's font finder and FreeType. The calls carry the desktop system's names and signatures.
//
// A device context draws into one pixel block (address, pitch, pixel format, palette): the
// DIB section selected into a memory context, or a DirectDraw surface while its context is out.
// Calls never throw; a bad handle or argument answers the documented failure value.
//
// Does not: draw lines or shapes with pens, clip to regions, rotate text, or draw on windows;
// the screen's context (GetDC(0)) answers questions about the display and its palette only.
#pragma once

#include "platform/gdi/gditypes.h"

// Device contexts.
// A memory context holding a 1x1 monochrome bitmap; 0 on failure.
HDC CreateCompatibleDC(HDC hdc);
// Frees a memory context (not the objects selected into it).
BOOL DeleteDC(HDC hdc);
// hwnd 0: the screen's context (the display's format, the system palette); 0 for a window.
HDC GetDC(HWND hwnd);
// 1 when the screen's context was given back.
int ReleaseDC(HWND hwnd, HDC hdc);
// LOGPIXELSX/Y 96, BITSPIXEL, PLANES, HORZRES, VERTRES, RASTERCAPS, SIZEPALETTE, NUMCOLORS,
// NUMRESERVED 20; 0 for anything else.
int GetDeviceCaps(HDC hdc, int index);
// A bitmap (memory contexts only, one context at a time), font or brush: the previous one; 0 on
// failure.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// OBJ_BITMAP, OBJ_FONT, OBJ_BRUSH, OBJ_PAL: the one selected.
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
// WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, SYSTEM_FONT, DEFAULT_PALETTE.
HGDIOBJ GetStockObject(int index);
// Frees a region, bitmap, palette, font or brush; FALSE while it is selected into a context.
// Stock objects stay (TRUE).
BOOL DeleteObject(HGDIOBJ h);
// Drawing is done at once here; always TRUE.
BOOL GdiFlush();

// Bitmaps. The section's pixels are laid out exactly as the header says (bit count 1, 4, 8, 16,
// 24, 32; BI_RGB or BI_BITFIELDS; bottom-up for a positive height, rows padded to 4 bytes).
// *ppvBits gets the first stored row; 0 (and *ppvBits nullptr) on failure.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD offset);
// Entries of the colour table of the section selected into hdc: the number set or read; 0 on
// failure.
UINT SetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, const RGBQUAD* prgbq);
UINT GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, RGBQUAD* prgbq);

// Copies. Pixels are converted to the target's format; an 8-bit target takes the nearest entry
// of its colour table, or of its palette when it is a paletted surface. Negative extents mirror.
// Everything outside either pixel block is clipped away; only SRCCOPY, BLACKNESS and WHITENESS.
// SetStretchBltMode answers the previous mode, 0 on failure.
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                int ySrc, int wSrc, int hSrc, DWORD rop);
// Copies from a memory image laid out as lpbmi says (BI_RGB, BI_BITFIELDS, BI_RLE8, BI_RLE4 with
// biSizeImage bytes of data); lpBits must hold the whole image. As on the desktop, ySrc of a
// bottom-up image counts from its bottom row. Answers the image's row count, 0 on failure.
int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                  int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi,
                  UINT iUsage, DWORD rop);

// Palettes. The system palette has the 20 reserved colours at 0-9 and 246-255.
// 0 on failure (no entries or more than 256).
HPALETTE CreatePalette(const LOGPALETTE* plpal);
// The previous palette; 0 on failure.
HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd);
// The number of entries mapped; GDI_ERROR on failure.
UINT RealizePalette(HDC hdc);
// Entries read or written (GetPaletteEntries with nullptr: the palette's size); 0 on failure.
UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, PALETTEENTRY* pPalEntries);
UINT SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY* pPalEntries);
UINT GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, PALETTEENTRY* pPalEntries);

// Regions: the ellipse inscribed in the box, tested at pixel centres; a region that could not
// be made, or was deleted, contains no point.
HRGN CreateEllipticRgn(int x1, int y1, int x2, int y2);
BOOL PtInRegion(HRGN hrgn, int x, int y);

// Brushes. FillRect fills the rectangle without its right and bottom edges; 0 on failure.
HBRUSH CreateSolidBrush(COLORREF color);
int FillRect(HDC hdc, const RECT* lprc, HBRUSH hbr);

// Text. A font is found by face name by the font finder (its best match stands in for a missing
// name) and drawn anti-aliased with FreeType in the text colour; OPAQUE fills the text's cell
// with the background colour first. (x, y) is the top-left corner of the cell; the extent is
// the advance width and the cell height. Without any usable font, text draws nothing and
// measures 0. The colour setters answer the previous colour, CLR_INVALID on failure; SetBkMode
// the previous mode, 0 on failure.
HFONT CreateFontIndirectA(const LOGFONTA* lplf);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF SetBkColor(HDC hdc, COLORREF color);
int SetBkMode(HDC hdc, int mode);
BOOL TextOutA(HDC hdc, int x, int y, const char* lpString, int c);
BOOL GetTextExtentPoint32A(HDC hdc, const char* lpString, int c, SIZE* psizl);
BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* lptm);

// Sounds the system beep through the backend.
BOOL MessageBeep(UINT uType);

// Object kinds for GetCurrentObject.
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_PAL = 5;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;
