// The toolkit's drawing tools: fonts, brushes and pens with their published settings, and the
// canvas that draws text, pictures and fills on a GDI device context with them.
//
// A canvas holds at most one device context. A drawing call that finds none asks for one
// through the virtual CreateHandle (a canvas on a surface fetches the surface's context there)
// and raises EInvalidOperation "Canvas does not allow drawing" when none comes. The font,
// brush and pen are selected into the context when a call needs them and deselected when the
// context is given up, so that the context's owner can free or reuse it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gdi/gdi.h"
#include "toolkit/classes.h"
#include "toolkit/sysutils.h"
#include "toolkit/types.h"

class TGraphic;

DECLARE_EXCEPTION(EInvalidGraphic, Exception);
DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

// The plain red, green and blue of a colour (0x00BBGGRR): system colours become the colour
// they stand for; other values keep their low three bytes.
std::int32_t ColorToRGB(TColor Color);

// The logical pixels per inch that font sizes in points are converted with.
constexpr int kPixelsPerInch = 96;

// The character set of a font; a component stream stores it by its name (DEFAULT_CHARSET).
using TFontCharset = std::uint8_t;
const TTypeInfo* TypeInfoFontCharset();

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
DECLARE_ENUM_TYPEINFO(TFontStyle);
using TFontStyles = TSet<TFontStyle>;

enum TFontPitch { fpDefault, fpVariable, fpFixed };
DECLARE_ENUM_TYPEINFO(TFontPitch);

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
DECLARE_ENUM_TYPEINFO(TBrushStyle);

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
DECLARE_ENUM_TYPEINFO(TPenStyle);

enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
DECLARE_ENUM_TYPEINFO(TPenMode);

// The raster operation a canvas copies pictures with.
using TCopyMode = std::int32_t;
constexpr TCopyMode cmSrcCopy = static_cast<TCopyMode>(SRCCOPY);
constexpr TCopyMode cmBlackness = static_cast<TCopyMode>(BLACKNESS);
constexpr TCopyMode cmWhiteness = static_cast<TCopyMode>(WHITENESS);

// A font, brush or pen: settings that tell OnChange when they change.
class TGraphicsObject : public TPersistent {
  DECLARE_CLASSINFO(TGraphicsObject);

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
};

class TFont : public TGraphicsObject {
  DECLARE_CLASSINFO(TFont);

  TFont();
  ~TFont() override;
  void Assign(const TPersistent* Source) override;

  // The GDI font for the current settings, made on first use after a change; 0 when the
  // platform cannot make one.
  HFONT Handle();

  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  // Negative: the character height in pixels; positive: the cell height.
  std::int32_t Height() const { return FHeight; }
  void SetHeight(std::int32_t Value);
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);
  // The size in points at kPixelsPerInch: Height = -Size * 96 / 72, rounded.
  std::int32_t Size() const;
  void SetSize(std::int32_t Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);

 private:
  // A change of colour keeps the GDI font; every other change makes a new one.
  void FontChanged(bool NewHandle);
  void DestroyHandle();

  TFontCharset FCharset = DEFAULT_CHARSET;
  TColor FColor = clWindowText;
  std::int32_t FHeight = -11;
  std::string FName = "MS Sans Serif";
  TFontPitch FPitch = fpDefault;
  TFontStyles FStyle;
  HFONT FHandle = nullptr;
};

class TBrush : public TGraphicsObject {
  DECLARE_CLASSINFO(TBrush);

  TBrush() = default;
  ~TBrush() override;
  void Assign(const TPersistent* Source) override;

  // The GDI brush: a solid brush of Color, or the empty stock brush for bsClear.
  HBRUSH Handle();

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  // bsClear draws nothing behind text; every other style draws as solid here.
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value);

 private:
  void BrushChanged();
  void DestroyHandle();

  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  HBRUSH FHandle = nullptr;
};

// Pen settings; the platform draws no lines, so a pen is carried and streamed, not drawn with.
class TPen : public TGraphicsObject {
  DECLARE_CLASSINFO(TPen);

  void Assign(const TPersistent* Source) override;

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode Value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  std::int32_t Width() const { return FWidth; }
  void SetWidth(std::int32_t Value);

 private:
  TColor FColor = clBlack;
  TPenMode FMode = pmCopy;
  TPenStyle FStyle = psSolid;
  std::int32_t FWidth = 1;
};

enum TCanvasStateItem { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStateItem>;

class TCanvas : public TPersistent {
  DECLARE_CLASSINFO(TCanvas);

  TCanvas();
  ~TCanvas() override;

  TFont* Font() const { return FFont.get(); }
  void SetFont(const TFont* Value) { FFont->Assign(Value); }
  TBrush* Brush() const { return FBrush.get(); }
  void SetBrush(const TBrush* Value) { FBrush->Assign(Value); }
  TPen* Pen() const { return FPen.get(); }
  void SetPen(const TPen* Value) { FPen->Assign(Value); }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }

  // The device context with font, brush and pen selected; asks for one when none is held.
  HDC Handle();
  // Takes a device context (0: none). The one held before gets its original font and brush
  // back first.
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  // Text with its cell's top-left corner at (X, Y), in the font's colour, over a box of the
  // brush's colour unless the brush style is bsClear.
  void TextOut(std::int32_t X, std::int32_t Y, const std::string& Text);
  // The extent the text takes when drawn: advance width and cell height.
  SIZE TextExtent(const std::string& Text);
  std::int32_t TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
  std::int32_t TextHeight(const std::string& Text) { return TextExtent(Text).cy; }
  // The graphic at its own size with its top-left corner at (X, Y); nothing for none or empty.
  void Draw(std::int32_t X, std::int32_t Y, TGraphic* Graphic);
  // The graphic stretched into Rect.
  void StretchDraw(const TRect& Rect, TGraphic* Graphic);
  // Source of Canvas stretched into Dest of this canvas with CopyMode.
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
  // Rect filled with the brush (right and bottom edges excluded).
  void FillRect(const TRect& Rect);

  // Told before and after every drawing call.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  // Called when a drawing call finds no device context; a canvas that can fetch one does it
  // here and hands it over with SetHandle. The default fetches none.
  virtual void CreateHandle();
  // Makes sure the context and the given tools are in place; EInvalidOperation "Canvas does
  // not allow drawing" when no context comes.
  void RequiredState(TCanvasState ReqState);
  virtual void Changing();
  virtual void Changed();

 private:
  void DeselectHandles();
  void CreateFont();
  void CreateBrush();
  void FontChanged(TObject* Sender);
  void BrushChanged(TObject* Sender);
  void PenChanged(TObject* Sender);

  HDC FHandle = nullptr;
  TCanvasState FState;
  TOwnedPtr<TFont> FFont;
  TOwnedPtr<TBrush> FBrush;
  TOwnedPtr<TPen> FPen;
  TCopyMode FCopyMode = cmSrcCopy;
};
