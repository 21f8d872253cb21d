#include "assets/writer.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "assets/text_encoding.h"
#include "platform/little_endian.h"
#include "toolkit/sysutils.h"

using platform::PutLE16;
using platform::PutLE32;
using platform::PutLE64;

namespace {

constexpr std::uint8_t kSignature[4] = {'T', 'P', 'F', '0'};
constexpr std::size_t kFlushAt = 64 * 1024;
constexpr std::size_t kShortStringMax = 255;

// An 80-bit extended float: the mantissa with its integer bit, exactly the double's value.
void DoubleToExtended(double value, std::uint8_t out[10]) {
  std::uint16_t signExp = std::signbit(value) ? 0x8000 : 0;
  std::uint64_t mantissa = 0;
  if (std::isnan(value)) {
    signExp |= 0x7FFF;
    mantissa = 0xC000000000000000ull;
  } else if (std::isinf(value)) {
    signExp |= 0x7FFF;
    mantissa = 0x8000000000000000ull;
  } else if (value != 0) {
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);  // [0.5, 1)
    mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    signExp |= static_cast<std::uint16_t>(exponent - 1 + 16383);
  }
  PutLE64(out, mantissa);
  PutLE16(out + 8, signExp);
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

TComponentWriter::TComponentWriter(TStream& Stream) : FStream(Stream) {}

TComponentWriter::~TComponentWriter() {
  try {
    FlushBuffer();
  } catch (...) {
    // Nothing to report to from here; WriteDescendent flushed already.
  }
}

void TComponentWriter::FlushBuffer() {
  if (FBuffer.empty()) return;
  std::vector<std::uint8_t> out;
  out.swap(FBuffer);
  FStream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

void TComponentWriter::WriteRaw(const void* Data, std::size_t Count) {
  const auto* p = static_cast<const std::uint8_t*>(Data);
  FBuffer.insert(FBuffer.end(), p, p + Count);
  if (FBuffer.size() >= kFlushAt) FlushBuffer();
}

void TComponentWriter::WriteValue(TValueType Value) {
  const auto tag = static_cast<std::uint8_t>(Value);
  WriteRaw(&tag, 1);
}

void TComponentWriter::WriteShortString(std::string_view Value) {
  if (Value.size() > kShortStringMax) throw EWriteError(msg::SWriteError);
  const auto n = static_cast<std::uint8_t>(Value.size());
  WriteRaw(&n, 1);
  WriteRaw(Value.data(), Value.size());
}

// ---- values ----

void TComponentWriter::WriteInteger(std::int64_t Value) {
  std::uint8_t b[4];
  if (Value >= INT8_MIN && Value <= INT8_MAX) {
    WriteValue(vaInt8);
    b[0] = static_cast<std::uint8_t>(Value);
    WriteRaw(b, 1);
  } else if (Value >= INT16_MIN && Value <= INT16_MAX) {
    WriteValue(vaInt16);
    PutLE16(b, static_cast<std::uint16_t>(Value));
    WriteRaw(b, 2);
  } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
    WriteValue(vaInt32);
    PutLE32(b, static_cast<std::uint32_t>(Value));
    WriteRaw(b, 4);
  } else {
    WriteInt64Value(Value);
  }
}

void TComponentWriter::WriteInt64Value(std::int64_t Value) {
  WriteValue(vaInt64);
  std::uint8_t b[8];
  PutLE64(b, static_cast<std::uint64_t>(Value));
  WriteRaw(b, 8);
}

void TComponentWriter::WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }

void TComponentWriter::WriteFloat(double Value) { WriteExtended(Value); }

void TComponentWriter::WriteExtended(double Value) {
  WriteValue(vaExtended);
  std::uint8_t b[10];
  DoubleToExtended(Value, b);
  WriteRaw(b, 10);
}

void TComponentWriter::WriteDouble(double Value) {
  WriteValue(vaDouble);
  std::uint64_t bits;
  std::memcpy(&bits, &Value, sizeof bits);
  std::uint8_t b[8];
  PutLE64(b, bits);
  WriteRaw(b, 8);
}

void TComponentWriter::WriteSingle(float Value) {
  WriteValue(vaSingle);
  std::uint32_t bits;
  std::memcpy(&bits, &Value, sizeof bits);
  std::uint8_t b[4];
  PutLE32(b, bits);
  WriteRaw(b, 4);
}

void TComponentWriter::WriteCurrency(std::int64_t TenThousandths) {
  WriteValue(vaCurrency);
  std::uint8_t b[8];
  PutLE64(b, static_cast<std::uint64_t>(TenThousandths));
  WriteRaw(b, 8);
}

void TComponentWriter::WriteDate(double Days) {
  WriteValue(vaDate);
  std::uint64_t bits;
  std::memcpy(&bits, &Days, sizeof bits);
  std::uint8_t b[8];
  PutLE64(b, bits);
  WriteRaw(b, 8);
}

void TComponentWriter::WriteString(const std::string& Value) {
  if (IsAscii(Value))
    WriteAnsiString(Value);
  else
    WriteUTF8String(Value);
}

void TComponentWriter::WriteAnsiString(std::string_view Bytes) {
  if (Bytes.size() <= kShortStringMax) {
    WriteValue(vaString);
    WriteShortString(Bytes);
    return;
  }
  WriteValue(vaLString);
  std::uint8_t b[4];
  PutLE32(b, static_cast<std::uint32_t>(Bytes.size()));
  WriteRaw(b, 4);
  WriteRaw(Bytes.data(), Bytes.size());
}

void TComponentWriter::WriteWideString(std::string_view Utf8) {
  const std::string units = Utf8ToUtf16LE(Utf8);
  WriteValue(vaWString);
  std::uint8_t b[4];
  PutLE32(b, static_cast<std::uint32_t>(units.size() / 2));
  WriteRaw(b, 4);
  WriteRaw(units.data(), units.size());
}

void TComponentWriter::WriteUTF8String(std::string_view Utf8) {
  WriteValue(vaUTF8String);
  std::uint8_t b[4];
  PutLE32(b, static_cast<std::uint32_t>(Utf8.size()));
  WriteRaw(b, 4);
  WriteRaw(Utf8.data(), Utf8.size());
}

void TComponentWriter::WriteIdent(const std::string& Value) {
  WriteValue(vaIdent);
  WriteShortString(Value);
}

void TComponentWriter::WriteBinary(const void* Data, std::uint32_t Count) {
  WriteValue(vaBinary);
  std::uint8_t b[4];
  PutLE32(b, Count);
  WriteRaw(b, 4);
  WriteRaw(Data, Count);
}

void TComponentWriter::WriteSet(const std::vector<std::string>& Members) {
  WriteValue(vaSet);
  for (const std::string& m : Members) WriteShortString(m);
  WriteShortString("");
}

void TComponentWriter::WriteCollection(const TCollection* Collection) {
  WriteValue(vaCollection);
  const std::string saved = FPath;
  FPath.clear();
  for (int i = 0; i < Collection->Count(); ++i) {
    WriteListBegin();
    WriteProperties(Collection->Items(i));
    WriteListEnd();
  }
  FPath = saved;
  WriteListEnd();
}

// ---- objects ----

void TComponentWriter::WriteDescendent(TComponent* Root) {
  FRoot = Root;
  WriteRaw(kSignature, sizeof kSignature);
  WriteComponent(Root);
  FlushBuffer();
}

void TComponentWriter::WriteComponent(TComponent* Component) {
  if (!FRoot) FRoot = Component;
  WriteShortString(Component->ClassName());
  WriteShortString(Component->Name());
  FPath.clear();
  WriteProperties(Component);
  WriteListEnd();
  if (Component == FRoot)
    for (int i = 0; i < Component->ComponentCount(); ++i) WriteComponent(Component->Components(i));
  WriteListEnd();
}

void TComponentWriter::WriteProperties(TPersistent* Instance) {
  for (const TPropInfo* prop : Instance->ClassType()->AllProperties())
    if (prop->Stored) WriteProperty(Instance, *prop);
  Instance->DefineStoredProperties(*this);
}

void TComponentWriter::WritePropName(const char* Name) { WriteShortString(FPath + Name); }

// Writes an ordinal value unless it equals the stored default; answers whether it wrote.
bool TComponentWriter::WriteOrdinal(const TPropInfo& Prop, std::int64_t Value) {
  if (Prop.Default && *Prop.Default == Value) return false;
  const TTypeInfo& type = *Prop.Type;
  WritePropName(Prop.Name);
  switch (type.Kind) {
    case TTypeKind::tkInteger:
      for (const TIdentMapEntry& e : type.Idents)
        if (e.Value == Value) {
          WriteIdent(e.Name);
          return true;
        }
      // Integer properties hold 32 bits; an unsigned one is stored as the same bits, signed.
      WriteInteger(static_cast<std::int32_t>(static_cast<std::uint32_t>(Value)));
      break;
    case TTypeKind::tkEnumeration:
      if (&type == TypeInfoBoolean())
        WriteBoolean(Value != 0);
      else if (const char* name = type.NameOf(static_cast<int>(Value)))
        WriteIdent(name);
      else
        WriteInteger(Value);
      break;
    case TTypeKind::tkSet: {
      std::vector<std::string> members;
      for (int i = 0; i < 32; ++i)
        if ((static_cast<std::uint64_t>(Value) >> i) & 1)
          if (const char* name = type.ElementType ? type.ElementType->NameOf(i) : nullptr)
            members.emplace_back(name);
      WriteSet(members);
      break;
    }
    default: WriteInteger(Value); break;
  }
  return true;
}

const char* TComponentWriter::MethodName(const TMethod& Method) const {
  for (const TClassInfo* c = FRoot->ClassType(); c; c = c->Parent)
    for (const TMethodInfo& m : c->Methods)
      if (m.Bind(FRoot) == Method) return m.Name;
  return nullptr;
}

void TComponentWriter::WriteProperty(TPersistent* Instance, const TPropInfo& Prop) {
  const TPropValue value = Prop.Get(Instance);
  switch (Prop.Type->Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkChar:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
    case TTypeKind::tkInt64: WriteOrdinal(Prop, std::get<std::int64_t>(value)); break;
    case TTypeKind::tkFloat: {
      const double d = std::get<double>(value);
      if (Prop.Default && static_cast<double>(*Prop.Default) == d) break;
      WritePropName(Prop.Name);
      WriteFloat(d);
      break;
    }
    case TTypeKind::tkString: {
      const std::string& s = std::get<std::string>(value);
      if (s.empty()) break;
      WritePropName(Prop.Name);
      WriteString(s);
      break;
    }
    case TTypeKind::tkClass: {
      TObject* object = std::get<TObject*>(value);
      if (!object) break;
      if (auto* collection = dynamic_cast<TCollection*>(object)) {
        // The collection's own stored properties under its dotted path ("Items.ColorTable"),
        // ahead of its items, then the items.
        const std::string saved = FPath;
        FPath += Prop.Name;
        FPath += '.';
        WriteProperties(collection);
        FPath = saved;
        WritePropName(Prop.Name);
        WriteCollection(collection);
      } else if (auto* component = dynamic_cast<TComponent*>(object);
                 component && component->Owner() != Instance) {
        // A reference: by name, to a component of the root or the root itself.
        if (component->Name().empty() || (component != FRoot && component->Owner() != FRoot)) break;
        WritePropName(Prop.Name);
        WriteIdent(component->Name());
      } else if (auto* sub = dynamic_cast<TPersistent*>(object)) {
        const std::string saved = FPath;
        FPath += Prop.Name;
        FPath += '.';
        WriteProperties(sub);
        FPath = saved;
      }
      break;
    }
    case TTypeKind::tkMethod: {
      const TMethod method = std::get<TMethod>(value);
      if (!method) break;
      if (const char* name = MethodName(method)) {
        WritePropName(Prop.Name);
        WriteIdent(name);
      }
      break;
    }
  }
}

void TComponentWriter::DefineProperty(const std::string& Name, TReaderProc, TWriterProc WriteData,
                                      bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name.c_str());
  WriteData(*this);
}

void TComponentWriter::DefineBinaryProperty(const std::string& Name, TStreamProc,
                                            TStreamProc WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  TOwnedPtr<TMemoryStream> data(Construct<TMemoryStream>());
  WriteData(*data);
  if (data->Size() > std::numeric_limits<std::uint32_t>::max()) throw EWriteError(msg::SWriteError);
  WritePropName(Name.c_str());
  WriteBinary(data->Memory(), static_cast<std::uint32_t>(data->Size()));
}
