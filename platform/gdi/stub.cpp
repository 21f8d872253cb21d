// Placeholder bodies answering failure until the real ones land.
#include "platform/gdi/gdi.h"

HDC CreateCompatibleDC(HDC) { return nullptr; }
BOOL DeleteDC(HDC) { return false; }
HDC GetDC(HWND) { return nullptr; }
int ReleaseDC(HWND, HDC) { return 0; }
int GetDeviceCaps(HDC, int) { return 0; }
HGDIOBJ SelectObject(HDC, HGDIOBJ) { return nullptr; }
HGDIOBJ GetCurrentObject(HDC, UINT) { return nullptr; }
HGDIOBJ GetStockObject(int) { return nullptr; }
BOOL DeleteObject(HGDIOBJ) { return false; }
BOOL GdiFlush() { return true; }
HBITMAP CreateDIBSection(HDC, const BITMAPINFO*, UINT, void** bits, HANDLE, DWORD) {
  if (bits) *bits = nullptr;
  return nullptr;
}
UINT SetDIBColorTable(HDC, UINT, UINT, const RGBQUAD*) { return 0; }
UINT GetDIBColorTable(HDC, UINT, UINT, RGBQUAD*) { return 0; }
int SetStretchBltMode(HDC, int) { return 0; }
int GetStretchBltMode(HDC) { return 0; }
BOOL BitBlt(HDC, int, int, int, int, HDC, int, int, DWORD) { return false; }
BOOL StretchBlt(HDC, int, int, int, int, HDC, int, int, int, int, DWORD) { return false; }
int StretchDIBits(HDC, int, int, int, int, int, int, int, int, const void*, const BITMAPINFO*, UINT,
                  DWORD) {
  return 0;
}
HPALETTE CreatePalette(const LOGPALETTE*) { return nullptr; }
HPALETTE SelectPalette(HDC, HPALETTE, BOOL) { return nullptr; }
UINT RealizePalette(HDC) { return UINT(GDI_ERROR); }
UINT GetPaletteEntries(HPALETTE, UINT, UINT, PALETTEENTRY*) { return 0; }
UINT SetPaletteEntries(HPALETTE, UINT, UINT, const PALETTEENTRY*) { return 0; }
UINT GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY*) { return 0; }
HRGN CreateEllipticRgn(int, int, int, int) { return nullptr; }
BOOL PtInRegion(HRGN, int, int) { return false; }
HBRUSH CreateSolidBrush(COLORREF) { return nullptr; }
int FillRect(HDC, const RECT*, HBRUSH) { return 0; }
HFONT CreateFontIndirectA(const LOGFONTA*) { return nullptr; }
COLORREF SetTextColor(HDC, COLORREF) { return CLR_INVALID; }
COLORREF SetBkColor(HDC, COLORREF) { return CLR_INVALID; }
int SetBkMode(HDC, int) { return 0; }
BOOL TextOutA(HDC, int, int, const char*, int) { return false; }
BOOL GetTextExtentPoint32A(HDC, const char*, int, SIZE*) { return false; }
BOOL GetTextMetricsA(HDC, TEXTMETRICA*) { return false; }
BOOL MessageBeep(UINT) { return false; }
