#include "assets/reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "assets/text_encoding.h"
#include "assets/writer.h"
#include "platform/little_endian.h"
#include "toolkit/application.h"
#include "toolkit/sysutils.h"

using platform::GetLE16;
using platform::GetLE32;
using platform::GetLE64;

namespace {

constexpr std::uint8_t kSignature[4] = {'T', 'P', 'F', '0'};
constexpr std::uint8_t kPrefixMark = 0xF0;
constexpr int ffInherited = 1;
constexpr int ffChildPos = 2;
constexpr std::size_t kBufferSize = 4096;
constexpr std::size_t kCopyChunk = 64 * 1024;
// How deep objects, lists, collections and component streams inside binary values may nest.
constexpr int kMaxNesting = 100;
constexpr double kCurrencyScale = 10000.0;

// Shared by every reader of the thread, so that streams inside binary values count too.
thread_local int gNesting = 0;

[[noreturn]] void ReadError() { throw EReadError(msg::SReadError); }
[[noreturn]] void InvalidValue() { throw EReadError(msg::SInvalidPropertyValue); }
[[noreturn]] void InvalidFormat() { throw EReadError(msg::SInvalidImage); }

// The wrapped failure of a property record; it passes through the records around it as is.
class EPropertyReadError : public EReadError {
 public:
  using EReadError::EReadError;
};

// A read-only stream over bytes that the reader holds: a binary value read in place.
class TByteView : public TCustomMemoryStream {
 public:
  TByteView(const std::uint8_t* Memory, std::int64_t Size) { SetPointer(Memory, Size); }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
};

// An 80-bit extended float (64-bit mantissa with its integer bit, 15-bit exponent, sign).
double ExtendedToDouble(const std::uint8_t* p) {
  const std::uint64_t mantissa = GetLE64(p);
  const std::uint16_t signExp = GetLE16(p + 8);
  const int exponent = signExp & 0x7FFF;
  double value;
  if (exponent == 0x7FFF)
    value = (mantissa << 1) ? std::numeric_limits<double>::quiet_NaN()
                            : std::numeric_limits<double>::infinity();
  else
    value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
  return (signExp & 0x8000) ? -value : value;
}

std::string ObjectName(const TPersistent* Instance) {
  if (const auto* c = dynamic_cast<const TComponent*>(Instance); c && !c->Name().empty())
    return c->Name();
  return Instance->ClassName();
}

bool IsIntegerTag(TValueType t) { return t == vaInt8 || t == vaInt16 || t == vaInt32; }

}  // namespace

// Counts one level of nesting for as long as it lives.
class TComponentReader::TDepthGuard {
 public:
  TDepthGuard() {
    if (gNesting >= kMaxNesting) InvalidFormat();
    ++gNesting;
  }
  ~TDepthGuard() { --gNesting; }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;
};

// ---- the buffer ----

TComponentReader::TComponentReader(TStream& Stream) : FStream(Stream) {
  if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&Stream); memory && memory->Memory()) {
    FMemoryStart = memory->Memory();
    const std::int64_t size = memory->Size();
    const std::int64_t at = std::min(memory->Position(), size);
    FCur = FMemoryStart + at;
    FEnd = FMemoryStart + size;
  } else {
    FBuffer.resize(kBufferSize);
    FCur = FEnd = FBuffer.data();
  }
}

TComponentReader::~TComponentReader() {
  try {
    SyncStreamPosition();
  } catch (...) {
    // A stream that cannot seek back keeps its position; the reading is over either way.
  }
}

void TComponentReader::SyncStreamPosition() {
  if (FMemoryStart)
    FStream.SetPosition(FCur - FMemoryStart);
  else if (FEnd != FCur)
    FStream.Seek(-(FEnd - FCur), soCurrent);
  if (!FMemoryStart) FCur = FEnd = FBuffer.data();
}

void TComponentReader::Need(std::size_t Count) {
  if (static_cast<std::size_t>(FEnd - FCur) >= Count) return;
  if (FMemoryStart) ReadError();
  Refill(Count);
}

void TComponentReader::Refill(std::size_t Count) {
  const std::size_t left = static_cast<std::size_t>(FEnd - FCur);
  std::memmove(FBuffer.data(), FCur, left);
  std::size_t have = left;
  while (have < Count) {
    const std::int64_t got =
        FStream.Read(FBuffer.data() + have, static_cast<std::int64_t>(FBuffer.size() - have));
    if (got <= 0) break;
    have += static_cast<std::size_t>(got);
  }
  FCur = FBuffer.data();
  FEnd = FCur + have;
  if (have < Count) ReadError();
}

std::uint8_t TComponentReader::ReadByte() {
  Need(1);
  return *FCur++;
}

void TComponentReader::ReadBytes(void* Buffer, std::size_t Count) {
  Need(Count);
  std::memcpy(Buffer, FCur, Count);
  FCur += Count;
}

// Long values are taken a chunk at a time, so that a stored length larger than the stream
// fails after reading what is there instead of reserving it first.
std::string TComponentReader::ReadBytes(std::uint64_t Count) {
  std::string out;
  if (FMemoryStart) {
    if (Count > static_cast<std::uint64_t>(FEnd - FCur)) ReadError();
    out.assign(reinterpret_cast<const char*>(FCur), static_cast<std::size_t>(Count));
    FCur += Count;
    return out;
  }
  while (Count > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(Count, kBufferSize));
    Need(n);
    out.append(reinterpret_cast<const char*>(FCur), n);
    FCur += n;
    Count -= n;
  }
  return out;
}

void TComponentReader::Skip(std::uint64_t Count) {
  if (FMemoryStart) {
    if (Count > static_cast<std::uint64_t>(FEnd - FCur)) ReadError();
    FCur += Count;
    return;
  }
  while (Count > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(Count, kBufferSize));
    Need(n);
    FCur += n;
    Count -= n;
  }
}

std::uint32_t TComponentReader::ReadU32() {
  Need(4);
  const std::uint32_t v = GetLE32(FCur);
  FCur += 4;
  return v;
}

std::string TComponentReader::ReadShortString() {
  const std::uint8_t n = ReadByte();
  Need(n);
  std::string s(reinterpret_cast<const char*>(FCur), n);
  FCur += n;
  return s;
}

// ---- values ----

TValueType TComponentReader::ReadValue() { return static_cast<TValueType>(ReadByte()); }

TValueType TComponentReader::NextValue() {
  Need(1);
  return static_cast<TValueType>(*FCur);
}

bool TComponentReader::EndOfList() { return NextValue() == vaNull; }

void TComponentReader::ReadListBegin() {
  if (ReadValue() != vaList) InvalidValue();
}

void TComponentReader::ReadListEnd() {
  if (ReadValue() != vaNull) InvalidValue();
}

std::int32_t TComponentReader::ReadInteger() {
  switch (ReadValue()) {
    case vaInt8: return static_cast<std::int8_t>(ReadByte());
    case vaInt16: {
      Need(2);
      const auto v = static_cast<std::int16_t>(GetLE16(FCur));
      FCur += 2;
      return v;
    }
    case vaInt32: return static_cast<std::int32_t>(ReadU32());
    default: InvalidValue();
  }
}

std::int64_t TComponentReader::ReadInt64() {
  if (NextValue() != vaInt64) return ReadInteger();
  ReadValue();
  Need(8);
  const auto v = static_cast<std::int64_t>(GetLE64(FCur));
  FCur += 8;
  return v;
}

bool TComponentReader::ReadBoolean() {
  switch (ReadValue()) {
    case vaFalse: return false;
    case vaTrue: return true;
    default: InvalidValue();
  }
}

double TComponentReader::ReadFloat() {
  const TValueType tag = NextValue();
  if (IsIntegerTag(tag) || tag == vaInt64) return static_cast<double>(ReadInt64());
  ReadValue();
  std::uint8_t b[10];
  switch (tag) {
    case vaExtended: ReadBytes(b, 10); return ExtendedToDouble(b);
    case vaDouble:
    case vaDate: {
      ReadBytes(b, 8);
      double d;
      const std::uint64_t bits = GetLE64(b);
      std::memcpy(&d, &bits, sizeof d);
      return d;
    }
    case vaSingle: {
      ReadBytes(b, 4);
      float f;
      const std::uint32_t bits = GetLE32(b);
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
    case vaCurrency:
      ReadBytes(b, 8);
      return static_cast<double>(static_cast<std::int64_t>(GetLE64(b))) / kCurrencyScale;
    default: InvalidValue();
  }
}

std::string TComponentReader::ReadString() {
  switch (ReadValue()) {
    case vaString: return AnsiToUtf8(ReadShortString());
    case vaLString: return AnsiToUtf8(ReadBytes(std::uint64_t{ReadU32()}));
    case vaUTF8String: return ReadBytes(std::uint64_t{ReadU32()});
    case vaWString: {
      const std::uint32_t count = ReadU32();
      const std::string units = ReadBytes(std::uint64_t{count} * 2);
      return Utf16LEToUtf8(reinterpret_cast<const std::uint8_t*>(units.data()), count);
    }
    default: InvalidValue();
  }
}

std::string TComponentReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: return ReadShortString();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaNull: return "Null";
    default: InvalidValue();
  }
}

void TComponentReader::SkipValue() {
  TDepthGuard guard;
  switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil: break;
    case vaList:
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      break;
    case vaInt8: Skip(1); break;
    case vaInt16: Skip(2); break;
    case vaInt32:
    case vaSingle: Skip(4); break;
    case vaExtended: Skip(10); break;
    case vaString:
    case vaIdent: Skip(ReadByte()); break;
    case vaBinary:
    case vaLString:
    case vaUTF8String: Skip(ReadU32()); break;
    case vaWString: Skip(std::uint64_t{ReadU32()} * 2); break;
    case vaSet:
      while (!ReadShortString().empty()) {
      }
      break;
    case vaCollection: SkipCollection(); break;
    case vaCurrency:
    case vaDate:
    case vaInt64:
    case vaDouble: Skip(8); break;
    default: InvalidValue();
  }
}

void TComponentReader::SkipCollection() {
  while (!EndOfList()) {
    if (IsIntegerTag(NextValue())) ReadInteger();
    ReadListBegin();
    while (!EndOfList()) {
      ReadShortString();
      SkipValue();
    }
    ReadListEnd();
  }
  ReadListEnd();
}

// ---- the root and its children ----

TComponent* TComponentReader::ReadRootComponent(TComponent* Root) {
  TDepthGuard guard;
  ReadSignature();
  int flags = 0;
  int position = 0;
  ReadPrefix(flags, position);
  const std::string className = ReadShortString();
  const std::string name = ReadShortString();

  bool created = false;
  if (!Root) {
    const TClassInfo* info = FindClass(className);
    if (!info->InheritsFrom(&TComponent::ClassInfo) || !info->Create)
      throw EClassNotFound(Format(msg::SClassNotFound, className.c_str()));
    Root = static_cast<TComponent*>(info->Create(nullptr));
    created = true;
  }
  FRoot = Root;
  FParent = nullptr;
  FLoaded.clear();
  FFixups.clear();
  try {
    if (!Root->ComponentState().Contains(csDesigning)) Root->SetName(UniqueRootName(Root, name));
    Root->Loading();
    Root->SetReading(true);
    Root->ReadState(*this);
    Root->SetReading(false);
    ResolveFixups();
    Root->AfterLoading();
    for (TComponent* c : FLoaded) c->AfterLoading();
  } catch (...) {
    FFixups.clear();
    FLoaded.clear();
    if (created)
      Root->Free();
    else
      Root->SetReading(false);
    FRoot = nullptr;
    throw;
  }
  FLoaded.clear();
  SyncStreamPosition();
  return Root;
}

void TComponentReader::ReadSignature() {
  if (static_cast<std::size_t>(FEnd - FCur) < sizeof kSignature && !FMemoryStart) {
    try {
      Refill(sizeof kSignature);
    } catch (const EReadError&) {
      InvalidFormat();
    }
  }
  if (static_cast<std::size_t>(FEnd - FCur) < sizeof kSignature ||
      std::memcmp(FCur, kSignature, sizeof kSignature) != 0)
    InvalidFormat();
  FCur += sizeof kSignature;
}

void TComponentReader::ReadPrefix(int& Flags, int& Position) {
  Flags = 0;
  Position = 0;
  Need(1);
  if (*FCur < kPrefixMark) return;
  Flags = *FCur++ & 0x0F;
  if (Flags & ffChildPos) {
    if (!IsIntegerTag(NextValue())) InvalidValue();
    Position = ReadInteger();
  }
}

std::string TComponentReader::UniqueRootName(TComponent* Root, const std::string& Name) const {
  const auto takenIn = [&](const TComponent* owner, const std::string& n) {
    const TComponent* c = owner ? owner->FindComponent(n) : nullptr;
    return c && c != Root;
  };
  const auto taken = [&](const std::string& n) {
    return takenIn(Application, n) || takenIn(Root->Owner(), n);
  };
  std::string result = Name;
  for (int i = 1; taken(result); ++i) result = Format("%s_%d", Name.c_str(), i);
  return result;
}

const TClassInfo* TComponentReader::FindComponentClass(const std::string& ClassName) const {
  const TClassInfo* info = nullptr;
  for (const TClassInfo* c = FRoot->ClassType(); c && !info; c = c->Parent)
    for (const TFieldInfo& f : c->Fields)
      if (SameText(f.ClassType->Name, ClassName)) {
        info = f.ClassType;
        break;
      }
  if (!info) info = GetClass(ClassName);
  if (!info || !info->InheritsFrom(&TComponent::ClassInfo) || !info->Create)
    throw EClassNotFound(Format(msg::SClassNotFound, ClassName.c_str()));
  return info;
}

TComponent* TComponentReader::ReadComponent() {
  TDepthGuard guard;
  int flags = 0;
  int position = 0;
  ReadPrefix(flags, position);
  const std::string className = ReadShortString();
  const std::string name = ReadShortString();

  TComponent* component = nullptr;
  const bool created = !(flags & ffInherited);
  if (created) {
    component = static_cast<TComponent*>(FindComponentClass(className)->Create(FRoot));
  } else {
    component = FRoot->FindComponent(name);
    if (!component) throw EReadError(Format("Ancestor for '%s' not found", name.c_str()));
  }
  try {
    component->Loading();
    if (created) component->SetName(name);
    component->SetReading(true);
    component->ReadState(*this);
    component->SetReading(false);
    if ((flags & ffChildPos) && FParent) FParent->SetChildOrder(component, position);
  } catch (...) {
    if (created) component->Free();
    throw;
  }
  if (created || std::find(FLoaded.begin(), FLoaded.end(), component) == FLoaded.end())
    FLoaded.push_back(component);
  return component;
}

void TComponentReader::ReadData(TComponent* Instance) {
  while (!EndOfList()) ReadProperty(Instance);
  ReadListEnd();
  TComponent* const saved = FParent;
  FParent = Instance;
  try {
    while (!EndOfList()) ReadComponent();
    ReadListEnd();
  } catch (...) {
    FParent = saved;
    throw;
  }
  FParent = saved;
}

// ---- properties ----

void TComponentReader::ReadProperty(TPersistent* Instance) {
  const std::string path = ReadShortString();
  try {
    TPersistent* target = Instance;
    std::size_t start = 0;
    for (std::size_t dot = path.find('.'); dot != std::string::npos;
         start = dot + 1, dot = path.find('.', start)) {
      const TPropInfo* p = target->ClassType()->FindProperty(path.substr(start, dot - start));
      if (!p || p->Type->Kind != TTypeKind::tkClass) throw EReadError(msg::SInvalidPropertyPath);
      target = dynamic_cast<TPersistent*>(std::get<TObject*>(p->Get(target)));
      if (!target) throw EReadError(msg::SInvalidPropertyPath);
    }
    const std::string last = path.substr(start);
    if (const TPropInfo* prop = target->ClassType()->FindProperty(last)) {
      ReadPropValue(target, *prop);
      return;
    }
    const std::string savedName = FPropName;
    const bool savedTaken = FPropTaken;
    FPropName = last;
    FPropTaken = false;
    try {
      target->DefineStoredProperties(*this);
    } catch (...) {
      FPropName = savedName;
      FPropTaken = savedTaken;
      throw;
    }
    const bool taken = FPropTaken;
    FPropName = savedName;
    FPropTaken = savedTaken;
    if (!taken) throw EReadError(Format(msg::SUnknownProperty, last.c_str()));
  } catch (const EPropertyReadError&) {
    throw;
  } catch (const Exception& e) {
    throw EPropertyReadError(Format(msg::SPropertyReadError, ObjectName(Instance).c_str(), ".",
                                    path.c_str(), e.Message().c_str()));
  } catch (const std::exception& e) {
    throw EPropertyReadError(
        Format(msg::SPropertyReadError, ObjectName(Instance).c_str(), ".", path.c_str(), e.what()));
  }
}

void TComponentReader::ReadPropValue(TPersistent* Instance, const TPropInfo& Prop) {
  const TTypeInfo& type = *Prop.Type;
  if (!Prop.Set) {
    // Without a setter only a collection held by the property can be read into.
    const bool intoHeld =
        type.Kind == TTypeKind::tkClass && NextValue() == vaCollection &&
        dynamic_cast<TCollection*>(std::get<TObject*>(Prop.Get(Instance))) != nullptr;
    if (!intoHeld) throw EReadError(msg::SReadOnlyProperty);
  }
  switch (type.Kind) {
    case TTypeKind::tkInteger:
      if (NextValue() == vaIdent) {
        ReadValue();
        const auto value = type.IdentToInt(ReadShortString());
        if (!value) InvalidValue();
        Prop.Set(Instance, std::int64_t{*value});
      } else {
        Prop.Set(Instance, std::int64_t{ReadInteger()});
      }
      break;
    case TTypeKind::tkChar: Prop.Set(Instance, std::int64_t{ReadInteger()}); break;
    case TTypeKind::tkEnumeration: {
      const int value = type.ValueOf(ReadIdent());
      if (value < 0) InvalidValue();
      Prop.Set(Instance, std::int64_t{value});
      break;
    }
    case TTypeKind::tkSet: {
      if (ReadValue() != vaSet) InvalidValue();
      std::uint32_t bits = 0;
      for (std::string name = ReadShortString(); !name.empty(); name = ReadShortString()) {
        const int member = type.ElementType ? type.ElementType->ValueOf(name) : -1;
        if (member >= 0 && member < 32) bits |= std::uint32_t{1} << member;
      }
      Prop.Set(Instance, std::int64_t{bits});
      break;
    }
    case TTypeKind::tkFloat: Prop.Set(Instance, ReadFloat()); break;
    case TTypeKind::tkString: Prop.Set(Instance, ReadString()); break;
    case TTypeKind::tkInt64: Prop.Set(Instance, ReadInt64()); break;
    case TTypeKind::tkClass:
      switch (ReadValue()) {
        case vaNil: Prop.Set(Instance, static_cast<TObject*>(nullptr)); break;
        case vaCollection: {
          auto* collection = dynamic_cast<TCollection*>(std::get<TObject*>(Prop.Get(Instance)));
          if (!collection) InvalidValue();
          ReadCollection(collection);
          break;
        }
        case vaIdent: FFixups.push_back({Instance, &Prop, ReadShortString(), FItems}); break;
        default: InvalidValue();
      }
      break;
    case TTypeKind::tkMethod:
      switch (ReadValue()) {
        case vaNil: Prop.Set(Instance, TMethod{}); break;
        case vaIdent: {
          const TMethodInfo* method = FRoot->ClassType()->FindMethod(ReadShortString());
          if (!method || method->Signature != type.Signature) InvalidValue();
          Prop.Set(Instance, method->Bind(FRoot));
          break;
        }
        default: InvalidValue();
      }
      break;
  }
}

void TComponentReader::ReadCollection(TCollection* Collection) {
  TDepthGuard guard;
  Collection->BeginUpdate();
  bool replaced = false;
  try {
    if (!EndOfList()) {
      DropFixupsOf(Collection);
      replaced = true;
      Collection->Clear();
    }
    while (!EndOfList()) {
      if (IsIntegerTag(NextValue())) ReadInteger();  // a stored item index says nothing
      ReadListBegin();
      TCollectionItem* item = Collection->Add();
      FItems.push_back(item);
      try {
        while (!EndOfList()) ReadProperty(item);
      } catch (...) {
        FItems.pop_back();
        throw;
      }
      FItems.pop_back();
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    // The items read so far, the last one half read, go again: whoever holds the collection
    // finds it empty, never with an item that the stream did not finish.
    if (replaced) {
      DropFixupsOf(Collection);
      Collection->Clear();
    }
    Collection->EndUpdate();
    throw;
  }
  Collection->EndUpdate();
}

// The items of Collection are about to go: references recorded inside them go with them.
void TComponentReader::DropFixupsOf(const TCollection* Collection) {
  if (FFixups.empty() || Collection->Count() == 0) return;
  std::unordered_set<const TCollectionItem*> items;
  for (int i = 0; i < Collection->Count(); ++i) items.insert(Collection->Items(i));
  std::erase_if(FFixups, [&](const TFixup& f) {
    return std::any_of(f.Items.begin(), f.Items.end(),
                       [&](const TCollectionItem* i) { return items.contains(i); });
  });
}

void TComponentReader::ResolveFixups() {
  std::vector<TFixup> fixups;
  fixups.swap(FFixups);
  for (const TFixup& f : fixups) {
    TComponent* target =
        SameText(FRoot->Name(), f.Name) && !f.Name.empty() ? FRoot : FRoot->FindComponent(f.Name);
    if (!target) continue;  // a name of no component here leaves the reference empty
    if (!f.Prop->Type->ClassType || !target->InheritsFrom(f.Prop->Type->ClassType))
      throw EReadError(Format(msg::SPropertyReadError, ObjectName(f.Instance).c_str(), ".",
                              f.Prop->Name, msg::SInvalidPropertyValue));
    f.Prop->Set(f.Instance, static_cast<TObject*>(target));
  }
}

// ---- defined properties ----

void TComponentReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc,
                                      bool) {
  if (FPropTaken || !ReadData || !SameText(Name, FPropName)) return;
  FPropTaken = true;
  ReadData(*this);
}

void TComponentReader::DefineBinaryProperty(const std::string& Name, TStreamProc ReadData,
                                            TStreamProc, bool) {
  if (FPropTaken || !ReadData || !SameText(Name, FPropName)) return;
  FPropTaken = true;
  if (NextValue() != vaBinary) {
    SkipValue();
    InvalidValue();
  }
  ReadValue();
  ReadBinaryValue(ReadData);
}

void TComponentReader::ReadBinaryValue(TStreamProc& ReadData) {
  const std::uint32_t size = ReadU32();
  if (FMemoryStart) {
    if (size > static_cast<std::uint64_t>(FEnd - FCur)) ReadError();
    const std::uint8_t* data = FCur;
    FCur += size;  // passed over whatever the property's reader takes
    TByteView view(data, size);
    ReadData(view);
    return;
  }
  TOwnedPtr<TMemoryStream> copy(Construct<TMemoryStream>());
  for (std::uint32_t left = size; left > 0;) {
    const std::size_t n = std::min<std::size_t>(left, kCopyChunk);
    const std::string chunk = ReadBytes(std::uint64_t{n});
    copy->WriteBuffer(chunk.data(), static_cast<std::int64_t>(n));
    left -= static_cast<std::uint32_t>(n);
  }
  copy->SetPosition(0);
  ReadData(*copy);
}

// ---- installation ----

namespace {
TComponent* ReadComponentStream(TStream& Stream, TComponent* Instance) {
  TComponentReader reader(Stream);
  return reader.ReadRootComponent(Instance);
}
void WriteComponentStream(TStream& Stream, TComponent* Instance) {
  TComponentWriter writer(Stream);
  writer.WriteDescendent(Instance);
}
}  // namespace

void InstallComponentStreams() {
  InstallComponentStreaming({&ReadComponentStream, &WriteComponentStream});
}
