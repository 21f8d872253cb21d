#include "toolkit/graphics_picture.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <vector>

#include "toolkit/graphics.h"
#include "toolkit/streams.h"

namespace {
constexpr const char* kUnknownPictureExtension = "Unknown picture file extension (.%s)";
}  // namespace

// ---- TSharedImage ----

void TSharedImage::Release() {
  if (--FRefCount <= 0) delete this;
}

// ---- TGraphic ----

IMPLEMENT_CLASS(TGraphic, TPersistent)

void TGraphic::DefineStoredProperties(TFiler& Filer) {
  Filer.DefineBinaryProperty("Data", TStreamProc::Of<&TGraphic::ReadStoredData>(this),
                             TStreamProc::Of<&TGraphic::WriteStoredData>(this), !Empty());
}

void TGraphic::ReadData(TStream& Stream) { LoadFromStream(Stream); }

void TGraphic::WriteData(TStream& Stream) { SaveToStream(Stream); }

void TGraphic::SetModified(bool Value) {
  if (Value)
    Changed();
  else
    FModified = false;
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

// ---- the registry of graphic kinds ----

namespace {
std::vector<TGraphicKind>& GraphicKinds() {
  static std::vector<TGraphicKind> kinds;
  return kinds;
}
}  // namespace

void RegisterGraphicKind(std::string_view Extension, std::string_view Description,
                         const TClassInfo* ClassType, TGraphic* (*Create)()) {
  GraphicKinds().push_back(
      TGraphicKind{std::string(Extension), std::string(Description), ClassType, Create});
}

void UnregisterGraphicClass(const TClassInfo* ClassType) {
  auto& kinds = GraphicKinds();
  std::erase_if(kinds, [&](const TGraphicKind& k) { return k.ClassType == ClassType; });
}

const TGraphicKind* FindGraphicKind(std::string_view ClassName) {
  const auto& kinds = GraphicKinds();
  for (auto it = kinds.rbegin(); it != kinds.rend(); ++it)
    if (ClassName == it->ClassType->Name) return &*it;
  return nullptr;
}

const TGraphicKind* FindGraphicKindByExtension(std::string_view Extension) {
  const auto& kinds = GraphicKinds();
  for (auto it = kinds.rbegin(); it != kinds.rend(); ++it)
    if (SameText(Extension, it->Extension)) return &*it;
  return nullptr;
}

// ---- TPicture ----

IMPLEMENT_CLASS(TPicture, TPersistent)

TPicture::~TPicture() { FreeObject(FGraphic); }

void TPicture::SetGraphic(TGraphic* Value) {
  if (Value == FGraphic) return;
  TGraphic* copy = nullptr;
  if (Value) {
    const TGraphicKind* kind = FindGraphicKind(Value->ClassName());
    if (!kind)
      throw EConvertError(
          Format(msg::SAssignError, Value->ClassName().c_str(), ClassName().c_str()));
    copy = kind->Create();
    try {
      copy->Assign(Value);
    } catch (...) {
      copy->Free();
      throw;
    }
  }
  Adopt(copy);
}

std::int32_t TPicture::Width() const { return FGraphic ? FGraphic->Width() : 0; }

std::int32_t TPicture::Height() const { return FGraphic ? FGraphic->Height() : 0; }

void TPicture::Assign(const TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
  } else if (Source->Is<TPicture>()) {
    SetGraphic(static_cast<const TPicture*>(Source)->Graphic());
  } else if (Source->Is<TGraphic>()) {
    SetGraphic(const_cast<TGraphic*>(static_cast<const TGraphic*>(Source)));
  } else {
    TPersistent::Assign(Source);
  }
}

void TPicture::AssignTo(TPersistent* Dest) const {
  if (FGraphic && Dest->Is<TGraphic>())
    Dest->Assign(FGraphic);
  else
    TPersistent::AssignTo(Dest);
}

void TPicture::DefineStoredProperties(TFiler& Filer) {
  Filer.DefineBinaryProperty("Data", TStreamProc::Of<&TPicture::ReadData>(this),
                             TStreamProc::Of<&TPicture::WriteData>(this), FGraphic != nullptr);
}

void TPicture::ReadData(TStream& Stream) {
  std::uint8_t length = 0;
  Stream.ReadBuffer(&length, 1);
  std::string className(length, '\0');
  Stream.ReadBuffer(className.data(), length);
  TGraphic* graphic = nullptr;
  if (const TGraphicKind* kind = FindGraphicKind(className)) {
    graphic = kind->Create();
    try {
      graphic->ReadData(Stream);
    } catch (...) {
      graphic->Free();
      throw;
    }
  }
  Adopt(graphic);
}

void TPicture::WriteData(TStream& Stream) {
  if (!FGraphic) return;
  const std::string className = FGraphic->ClassName();
  const auto length = static_cast<std::uint8_t>(std::min<std::size_t>(className.size(), 255));
  Stream.WriteBuffer(&length, 1);
  Stream.WriteBuffer(className.data(), length);
  FGraphic->WriteData(Stream);
}

void TPicture::LoadFromFile(const std::string& FileName) {
  const auto dot = FileName.find_last_of('.');
  const std::string extension = dot == std::string::npos ? "" : FileName.substr(dot + 1);
  const TGraphicKind* kind = FindGraphicKindByExtension(extension);
  if (!kind) throw EInvalidGraphic(Format(kUnknownPictureExtension, extension.c_str()));
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->LoadFromFile(FileName);
  TGraphic* graphic = kind->Create();
  try {
    graphic->LoadFromStream(*stream);
  } catch (...) {
    graphic->Free();
    throw;
  }
  Adopt(graphic);
}

void TPicture::Adopt(TGraphic* NewGraphic) {
  FreeObject(FGraphic);
  FGraphic = NewGraphic;
  if (FGraphic) FGraphic->OnChange = TNotifyEvent::Of<&TPicture::GraphicChanged>(this);
  Changed();
}

void TPicture::GraphicChanged(TObject*) { Changed(); }

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}
