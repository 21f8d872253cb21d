// The graphics interface: elliptic regions, memory device contexts, device-independent bitmap
// sections, stretched copies that convert between pixel formats (through the palette on 8-bit
// targets), palettes and the screen's system palette, solid brushes, and text drawn with
// fontconfig and FreeType. The calls carry the desktop system's names and signatures.
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
HDC CreateCompatibleDC(HDC hdc);    // a memory context with a 1x1 monochrome bitmap; 0 on failure
BOOL DeleteDC(HDC hdc);             // frees a memory context (not its selected objects)
HDC GetDC(HWND hwnd);               // hwnd 0: the screen's context (display format, system palette)
int ReleaseDC(HWND hwnd, HDC hdc);  // 1 when the screen's context was given back
int GetDeviceCaps(
    HDC hdc,
    int index);  // LOGPIXELSX/Y 96, BITSPIXEL, PLANES, RASTERCAPS, SIZEPALETTE, NUMRESERVED 20
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);  // bitmap, font or brush: the previous one; 0 on failure
HGDIOBJ GetCurrentObject(HDC hdc,
                         UINT type);  // OBJ_BITMAP/OBJ_FONT/OBJ_BRUSH/OBJ_PAL: the selected one
HGDIOBJ GetStockObject(
    int index);  // WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, SYSTEM_FONT, DEFAULT_PALETTE
BOOL DeleteObject(
    HGDIOBJ h);   // frees a region, bitmap, palette, font or brush; FALSE while selected or stock
BOOL GdiFlush();  // drawing is done at once here; always TRUE

// Bitmaps. The section's pixels are laid out exactly as the header says (bit count 1, 4, 8, 16,
// 24, 32; BI_RGB or BI_BITFIELDS; bottom-up for a positive height, rows padded to 4 bytes).
HBITMAP CreateDIBSection(
    HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
    DWORD offset);  // *ppvBits gets the pixel rows; 0 (and *ppvBits nullptr) on failure
UINT SetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries,
                      const RGBQUAD* prgbq);  // entries set in the
                                              // selected section; 0 on failure
UINT GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries,
                      RGBQUAD* prgbq);  // entries read; 0 on failure

// Copies. Pixels are converted to the target's format; an 8-bit target without a colour table of
// its own (a paletted surface) takes the nearest entry of its palette. Negative extents mirror.
// Everything outside either pixel block is clipped away; only SRCCOPY, BLACKNESS and WHITENESS.
int SetStretchBltMode(HDC hdc, int mode);  // the previous mode; 0 on failure
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
HPALETTE CreatePalette(const LOGPALETTE* plpal);  // 0 on failure (no entries or more than 256)
HPALETTE SelectPalette(HDC hdc, HPALETTE hPal,
                       BOOL bForceBkgd);  // the previous palette; 0 on failure
UINT RealizePalette(HDC hdc);             // entries mapped; GDI_ERROR on failure
UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, PALETTEENTRY* pPalEntries);
UINT SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY* pPalEntries);
UINT GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries,
                             PALETTEENTRY* pPalEntries);  // entries
                                                          // copied

// Regions.
HRGN CreateEllipticRgn(int x1, int y1, int x2,
                       int y2);  // the ellipse inscribed in the box; 0 on failure
BOOL PtInRegion(HRGN hrgn, int x,
                int y);  // TRUE when the point lies inside; FALSE for a bad handle

// Brushes.
HBRUSH CreateSolidBrush(COLORREF color);
int FillRect(HDC hdc, const RECT* lprc,
             HBRUSH hbr);  // fills (right and bottom excluded); 0 on failure

// Text. A font is found by face name with fontconfig (its best match stands in for a missing
// name) and drawn anti-aliased with FreeType in the text colour; OPAQUE fills the text's box with
// the background colour first. Without any usable font, text draws nothing and measures 0.
HFONT CreateFontIndirectA(const LOGFONTA* lplf);  // 0 on failure
COLORREF SetTextColor(HDC hdc, COLORREF color);   // the previous colour; CLR_INVALID on failure
COLORREF SetBkColor(HDC hdc, COLORREF color);     // the previous colour; CLR_INVALID on failure
int SetBkMode(HDC hdc, int mode);  // TRANSPARENT or OPAQUE: the previous mode; 0 on failure
BOOL TextOutA(HDC hdc, int x, int y, const char* lpString,
              int c);  // (x, y): top-left of the text's cell
BOOL GetTextExtentPoint32A(HDC hdc, const char* lpString, int c,
                           SIZE* psizl);  // advance width, cell height
BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* lptm);

// Sounds the system beep through the backend.
BOOL MessageBeep(UINT uType);

// Object kinds for GetCurrentObject.
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_PAL = 5;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;
