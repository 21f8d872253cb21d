// Pictures: the graphic base class that every picture kind derives from, the picture container
// that owns one graphic and stores it with its class name, the registry of graphic kinds the
// container reads by, and the reference-counted image that copies of one graphic share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/gdi/gdi.h"
#include "toolkit/classes.h"
#include "toolkit/types.h"

class TCanvas;
class TStream;

// A block of pixels that several graphics may share; freed when the last one lets go.
class TSharedImage {
 public:
  TSharedImage() = default;
  TSharedImage(const TSharedImage&) = delete;
  TSharedImage& operator=(const TSharedImage&) = delete;
  virtual ~TSharedImage() = default;

  int RefCount() const { return FRefCount; }
  void Reference() { ++FRefCount; }
  // Drops one reference; the image is deleted at 0.
  void Release();

 private:
  int FRefCount = 0;
};

// A picture of some kind: its size, its data as a component stream stores it ("Data"), its
// file form, and drawing itself onto a canvas.
class TGraphic : public TPersistent {
  DECLARE_CLASSINFO(TGraphic);

  // Offers "Data": the graphic's own data (ReadData / WriteData), stored unless Empty.
  void DefineStoredProperties(TFiler& Filer) override;

  // Stretches the whole graphic into Rect of the canvas.
  virtual void Draw(TCanvas& ACanvas, const TRect& Rect) = 0;
  virtual bool Empty() const = 0;
  virtual std::int32_t Height() const = 0;
  virtual std::int32_t Width() const = 0;
  virtual void SetHeight(std::int32_t Value) = 0;
  virtual void SetWidth(std::int32_t Value) = 0;
  // The GDI palette of the picture's colours; 0 when it has none.
  virtual HPALETTE GetPalette() { return nullptr; }
  virtual void SetPalette(HPALETTE) {}

  // The graphic's own data, as it follows the class name in a stored picture.
  virtual void ReadData(TStream& Stream);
  virtual void WriteData(TStream& Stream);
  // The file form.
  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void SaveToStream(TStream& Stream) = 0;

  bool Modified() const { return FModified; }
  void SetModified(bool Value);

  TNotifyEvent OnChange;

 protected:
  // Marks the graphic modified and tells OnChange.
  virtual void Changed();

 private:
  void ReadStoredData(TStream& Stream) { ReadData(Stream); }
  void WriteStoredData(TStream& Stream) { WriteData(Stream); }

  bool FModified = false;
};

// A kind of graphic that pictures can hold, found by its class name.
struct TGraphicKind {
  std::string Extension;
  std::string Description;
  const TClassInfo* ClassType = nullptr;
  TGraphic* (*Create)() = nullptr;
};

// Registers a kind; a later registration of the same class name is found first.
void RegisterGraphicKind(std::string_view Extension, std::string_view Description,
                         const TClassInfo* ClassType, TGraphic* (*Create)());
template <class T>
void RegisterGraphicClass(std::string_view Extension, std::string_view Description) {
  RegisterGraphicKind(Extension, Description, &T::ClassInfo,
                      []() -> TGraphic* { return Construct<T>(); });
}
void UnregisterGraphicClass(const TClassInfo* ClassType);
// The most recently registered kind of exactly that class name (case counts); nullptr when none.
const TGraphicKind* FindGraphicKind(std::string_view ClassName);
// The kind registered for a file extension (without the dot, case ignored); nullptr when none.
const TGraphicKind* FindGraphicKindByExtension(std::string_view Extension);

// A container of at most one graphic, which it owns.
class TPicture : public TPersistent {
  DECLARE_CLASSINFO(TPicture);

  TPicture() = default;
  ~TPicture() override;

  TGraphic* Graphic() const { return FGraphic; }
  // Takes a copy of Value (nullptr: no graphic).
  void SetGraphic(TGraphic* Value);
  std::int32_t Width() const;
  std::int32_t Height() const;

  // From another picture or a graphic: a copy of its graphic; from nothing: no graphic.
  void Assign(const TPersistent* Source) override;
  // Offers "Data": the class name of the graphic and its data; a picture without a graphic
  // stores none.
  void DefineStoredProperties(TFiler& Filer) override;

  // The stored value: a length byte, the class name and the graphic's data. An unknown class
  // leaves the picture without a graphic. When the graphic fails to read, the picture keeps
  // the graphic it had.
  void ReadData(TStream& Stream);
  void WriteData(TStream& Stream);
  // Reads a file form picture whose kind is found by the file's extension.
  void LoadFromFile(const std::string& FileName);

  TNotifyEvent OnChange;

 protected:
  void AssignTo(TPersistent* Dest) const override;
  virtual void Changed();

 private:
  void Adopt(TGraphic* NewGraphic);
  void GraphicChanged(TObject* Sender);

  TGraphic* FGraphic = nullptr;
};
