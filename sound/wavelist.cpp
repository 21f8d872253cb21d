#include "sound/wavelist.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/little_endian.h"
#include "platform/system/machine.h"

using namespace platform::dsound;
using platform::BOOL;
using platform::DWORD;

namespace {

constexpr std::uint32_t kWaitStepMs = 10;  // how often Play(Wait) looks whether its sound ended
constexpr const char* kUnit = "DXSounds";

void Check(bool condition) {
  if (!condition) throw EAssertionFailed(Format(msg::SAssertionFailed, kUnit));
}

void FreeBuffer(TDirectSoundBuffer*& buffer) {
  if (buffer) buffer->Free();
  buffer = nullptr;
}

}  // namespace

// ---- TWaveCollectionItem ----

namespace {
const TPropInfo kItemProps[] = {
    Property<&TWaveCollectionItem::Looped, &TWaveCollectionItem::SetLooped>("Looped"),
    Property<&TWaveCollectionItem::MaxPlayingCount, &TWaveCollectionItem::SetMaxPlayingCount>(
        "MaxPlayingCount"),
    Property<&TWaveCollectionItem::Wave, &TWaveCollectionItem::SetWave>("Wave"),
};
}  // namespace

IMPLEMENT_CLASS(TWaveCollectionItem, THashCollectionItem, .Properties = kItemProps)
REGISTER_CLASS(TWaveCollectionItem)

TWaveCollectionItem::TWaveCollectionItem(TCollection* Collection)
    : THashCollectionItem(Collection), FWave(new TWave()) {}

TWaveCollectionItem::~TWaveCollectionItem() {
  // Normally the buffers went in BeforeDestruction.
  for (TDirectSoundBuffer* b : FBufferList) b->Free();
  if (FBuffer) FBuffer->Free();
  FWave->Free();
}

void TWaveCollectionItem::BeforeDestruction() {
  ReleaseItemBuffers();
  THashCollectionItem::BeforeDestruction();
}

TWaveCollection* TWaveCollectionItem::WaveCollection() const {
  return dynamic_cast<TWaveCollection*>(Collection());
}

TDirectSound* TWaveCollectionItem::ServiceObject() const {
  return WaveCollection()->DXSound()->DSound();
}

void TWaveCollectionItem::AttachItem() {
  ReleaseItemBuffers();
  const TWaveCollection* owner = WaveCollection();
  FInitialized = owner && owner->ReadyForSound();
}

void TWaveCollectionItem::ReleaseItemBuffers() {
  if (!FInitialized) return;
  FInitialized = false;
  for (TDirectSoundBuffer* b : FBufferList) b->Free();
  FBufferList.clear();
  FreeBuffer(FBuffer);
}

TDirectSoundBuffer* TWaveCollectionItem::EnsureMainBuffer() {
  if (FInitialized && !FBuffer) Restore();
  return FBuffer;
}

void TWaveCollectionItem::Restore() {
  if (FWave->Size() == 0) return;
  if (!FInitialized) {
    const TWaveCollection* owner = WaveCollection();
    if (owner && owner->ReadyForSound()) AttachItem();
    if (!FInitialized) return;
  }
  if (!FBuffer) FBuffer = new TDirectSoundBuffer(ServiceObject());
  FBuffer->LoadFromWave(*FWave);
  FBuffer->SetFrequency(FFrequency);
  FBuffer->SetPan(FPan);
  FBuffer->SetVolume(FVolume);
  // Duplicates of a buffer that was lost are lost with it and would never sound again: they
  // are made anew from the reloaded buffer. (They stay the same objects: the call that met
  // the loss may be running on one of them.) Duplicates that were not lost keep playing.
  for (TDirectSoundBuffer* b : FBufferList) {
    DWORD status = 0;
    if (b->IDSBuffer() && b->IDSBuffer()->GetStatus(&status) == DS_OK &&
        !(status & DSBSTATUS_BUFFERLOST))
      continue;
    b->Assign(FBuffer);
  }
}

TDirectSoundBuffer* TWaveCollectionItem::MakeDuplicate() {
  TDirectSoundBuffer* main = EnsureMainBuffer();
  if (!main) return nullptr;
  auto* duplicate = new TDirectSoundBuffer(ServiceObject());
  try {
    duplicate->Assign(main);
  } catch (...) {
    duplicate->Free();
    throw;
  }
  return duplicate;
}

TDirectSoundBuffer* TWaveCollectionItem::ChooseBuffer() {
  for (TDirectSoundBuffer* b : FBufferList)
    if (!b->Playing()) return b;
  if (FMaxPlayingCount == 0 || PoolCount() < FMaxPlayingCount) {
    TDirectSoundBuffer* duplicate = MakeDuplicate();
    if (duplicate) FBufferList.push_back(duplicate);
    return duplicate;
  }
  // The pool is full: its oldest sound is cut off and starts again as the newest.
  TDirectSoundBuffer* oldest = FBufferList.front();
  FBufferList.erase(FBufferList.begin());
  FBufferList.push_back(oldest);
  return oldest;
}

void TWaveCollectionItem::Play(bool Wait) {
  if (!FInitialized) return;
  if (FLooped) {
    if (TDirectSoundBuffer* main = EnsureMainBuffer()) {
      main->Stop();
      main->SetPosition(0);
      main->Play(true);
    }
    return;
  }
  TDirectSoundBuffer* buffer = ChooseBuffer();
  if (!buffer) return;
  buffer->Stop();
  buffer->SetPosition(0);
  buffer->SetFrequency(FFrequency);
  buffer->SetPan(FPan);
  buffer->SetVolume(FVolume);
  buffer->Play(false);
  if (!Wait) return;
  while (buffer->Playing()) platform::CurrentBackend().Sleep(kWaitStepMs);
}

void TWaveCollectionItem::Stop() {
  if (!FInitialized) return;
  // An item whose wave holds no data has no main buffer and nothing that sounds.
  if (FBuffer) FBuffer->Stop();
  for (TDirectSoundBuffer* b : FBufferList) b->Stop();
}

bool TWaveCollectionItem::Playing() {
  if (!FInitialized) return false;
  TDirectSoundBuffer* main = EnsureMainBuffer();
  Check(main != nullptr);
  if (FLooped) return main->Playing();
  return std::any_of(FBufferList.begin(), FBufferList.end(),
                     [](TDirectSoundBuffer* b) { return b->Playing(); });
}

void TWaveCollectionItem::SetLooped(bool Value) {
  if (Value == FLooped) return;
  Stop();
  FLooped = Value;
}

void TWaveCollectionItem::SetMaxPlayingCount(int Value) {
  Value = std::max(Value, 0);
  if (Value == FMaxPlayingCount) return;
  FMaxPlayingCount = Value;
  if (!FInitialized) return;
  for (TDirectSoundBuffer* b : FBufferList) b->Free();
  FBufferList.clear();
}

void TWaveCollectionItem::SetWave(TWave* Value) { FWave->Assign(Value); }

void TWaveCollectionItem::SetFrequency(int Value) {
  FFrequency = Value;
  if (!FInitialized) return;
  if (TDirectSoundBuffer* main = EnsureMainBuffer()) main->SetFrequency(Value);
}

void TWaveCollectionItem::SetPan(int Value) {
  FPan = Value;
  if (!FInitialized) return;
  if (TDirectSoundBuffer* main = EnsureMainBuffer()) main->SetPan(Value);
}

void TWaveCollectionItem::SetVolume(int Value) {
  FVolume = Value;
  if (!FInitialized) return;
  if (TDirectSoundBuffer* main = EnsureMainBuffer()) main->SetVolume(Value);
}

void TWaveCollectionItem::Assign(const TPersistent* Source) {
  const auto* other = dynamic_cast<const TWaveCollectionItem*>(Source);
  if (!other) {
    THashCollectionItem::Assign(Source);
    return;
  }
  if (other == this) return;
  const bool wasInitialized = FInitialized;
  ReleaseItemBuffers();
  FLooped = other->FLooped;
  SetName(other->Name());
  FMaxPlayingCount = other->FMaxPlayingCount;
  FFrequency = other->FFrequency;
  FPan = other->FPan;
  FVolume = other->FVolume;
  FWave->Assign(other->FWave);
  if (wasInitialized) Restore();
}

// ---- TWaveCollection ----

IMPLEMENT_CLASS(TWaveCollection, THashCollection)

TWaveCollection::TWaveCollection(TPersistent* AOwner)
    : THashCollection(&TWaveCollectionItem::ClassInfo), FOwner(AOwner) {}

TWaveCollectionItem* TWaveCollection::Find(const std::string& Name) const {
  const int i = IndexOf(Name);
  if (i < 0) throw EWaveCollectionError(Format(msg::SWaveNotFound, Name.c_str()));
  return Items(i);
}

void TWaveCollection::Initialize(TCustomDXSound* DXSound) {
  Finalize();
  FDXSound = DXSound;
  for (int i = 0; i < Count(); ++i) Items(i)->AttachItem();
}

void TWaveCollection::Finalize() {
  for (int i = 0; i < Count(); ++i) Items(i)->ReleaseItemBuffers();
  FDXSound = nullptr;
}

void TWaveCollection::Restore() {
  for (int i = 0; i < Count(); ++i) Items(i)->Restore();
}

namespace {

void WriteU32(TStream& s, std::uint32_t v) {
  std::uint8_t b[4];
  platform::PutLE32(b, v);
  s.WriteBuffer(b, 4);
}

std::uint32_t ReadU32(TStream& s) {
  std::uint8_t b[4];
  s.ReadBuffer(b, 4);
  return platform::GetLE32(b);
}

}  // namespace

void TWaveCollection::SaveToStream(TStream& Stream) {
  WriteU32(Stream, static_cast<std::uint32_t>(Count()));
  for (int i = 0; i < Count(); ++i) {
    TWaveCollectionItem* item = Items(i);
    WriteU32(Stream, static_cast<std::uint32_t>(item->Name().size()));
    Stream.WriteBuffer(item->Name().data(), static_cast<std::int64_t>(item->Name().size()));
    WriteU32(Stream, item->Looped() ? 1 : 0);
    WriteU32(Stream, static_cast<std::uint32_t>(item->MaxPlayingCount()));
    TOwnedPtr<TMemoryStream> image(new TMemoryStream());
    item->Wave()->SaveToStream(*image);
    WriteU32(Stream, static_cast<std::uint32_t>(image->Size()));
    image->SaveToStream(Stream);
  }
}

void TWaveCollection::LoadFromStream(TStream& Stream) {
  // Every item is read and checked before the collection changes: a load that fails leaves it
  // as it was. A length is checked against what the stream holds before anything is reserved
  // for it.
  const auto left = [&Stream] { return Stream.Size() - Stream.Position(); };
  struct TLoaded {
    std::string name;
    bool looped = false;
    int maxPlayingCount = 0;
    TOwnedPtr<TWave> wave{new TWave()};
  };
  constexpr std::int64_t kSmallestItem = 16;  // the lengths and settings of an unnamed silence
  const std::uint32_t count = ReadU32(Stream);
  if (static_cast<std::int64_t>(count) > left() / kSmallestItem) throw EReadError(msg::SReadError);
  std::vector<TLoaded> loaded;
  for (std::uint32_t i = 0; i < count; ++i) {
    TLoaded& item = loaded.emplace_back();
    const std::uint32_t nameLength = ReadU32(Stream);
    if (static_cast<std::int64_t>(nameLength) > left()) throw EReadError(msg::SReadError);
    item.name.resize(nameLength);
    Stream.ReadBuffer(item.name.data(), nameLength);
    item.looped = ReadU32(Stream) != 0;
    item.maxPlayingCount = static_cast<int>(ReadU32(Stream));
    const std::uint32_t length = ReadU32(Stream);
    if (static_cast<std::int64_t>(length) > left()) throw EReadError(msg::SReadError);
    if (length > 0) {
      TOwnedPtr<TMemoryStream> image(new TMemoryStream());
      image->CopyFrom(Stream, length);
      image->SetPosition(0);
      item.wave->LoadFromStream(*image);
    }
  }

  BeginUpdate();
  try {
    Clear();
    for (TLoaded& l : loaded) {
      auto* item = static_cast<TWaveCollectionItem*>(Add());
      item->SetName(l.name);
      item->SetLooped(l.looped);
      item->SetMaxPlayingCount(l.maxPlayingCount);
      item->FWave->Free();
      item->FWave = l.wave.release();
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  if (ReadyForSound()) {
    Initialize(FDXSound);
    Restore();
  }
}

void TWaveCollection::LoadFromFile(const std::string& FileName) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->LoadFromFile(FileName);
  LoadFromStream(*stream);
}

void TWaveCollection::SaveToFile(const std::string& FileName) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  SaveToStream(*stream);
  stream->SaveToFile(FileName);
}

// ---- TCustomDXWaveList ----

IMPLEMENT_CLASS(TCustomDXWaveList, TComponent)

TCustomDXWaveList::TCustomDXWaveList(TComponent* AOwner)
    : TComponent(AOwner), FItems(new TWaveCollection(this)) {}

TCustomDXWaveList::~TCustomDXWaveList() {
  if (FItems) FItems->Free();
}

void TCustomDXWaveList::BeforeDestruction() {
  SetDXSound(nullptr);
  FItems->Free();
  FItems = nullptr;
  TComponent::BeforeDestruction();
}

void TCustomDXWaveList::SetDXSound(TCustomDXSound* Value) {
  if (FDXSound) {
    TCustomDXSound* old = FDXSound;
    old->UnRegisterNotifyEvent(Handler());
    old->RemoveFreeNotification(this);
  }
  FDXSound = Value;
  if (FDXSound) {
    FDXSound->FreeNotification(this);
    FDXSound->RegisterNotifyEvent(Handler());
  }
}

void TCustomDXWaveList::SetItems(TWaveCollection* Value) { FItems->Assign(Value); }

void TCustomDXWaveList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDXSound) SetDXSound(nullptr);
}

void TCustomDXWaveList::SoundNotify(TCustomDXSound* Sender, TDXSoundNotifyType NotifyType) {
  switch (NotifyType) {
    case dsntDestroying: SetDXSound(nullptr); break;
    case dsntInitializing: break;
    case dsntInitialize: FItems->Initialize(Sender); break;
    case dsntFinalize: FItems->Finalize(); break;
    case dsntRestore: FItems->Restore(); break;
  }
}

// ---- TDXWaveList ----

namespace {
const TPropInfo kWaveListProps[] = {
    Property<&TDXWaveList::DXSound, &TDXWaveList::SetDXSound>("DXSound"),
    Property<&TDXWaveList::Items, &TDXWaveList::SetItems>("Items"),
};
}  // namespace

IMPLEMENT_CLASS(TDXWaveList, TCustomDXWaveList, .Properties = kWaveListProps)
REGISTER_CLASS(TDXWaveList)
