// The writer of binary component streams, the mirror of TComponentReader: the signature, the
// root with its published properties (those that differ from their stored default), its
// defined properties, and the components it owns as its children.
//
// Integers take the smallest tag that holds them; Booleans are True/False tags, enumerations
// and named constants identifiers; sets list their members; floats are extended; strings are
// short or long ANSI strings when they are plain ASCII and UTF-8 strings otherwise; persistent
// sub-objects are written property by property under a dotted path ("Font.Height"),
// collections first with their own stored properties under such a path ("Items.ColorTable")
// and then item by item, references to components by name, events by the name of the root's
// published method they are bound to. A binary defined property is written as one binary value
// of exactly what its writer produced.
//
// The value writers below are public, so that a defined property can store any kind of value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/classes.h"
#include "toolkit/collection.h"
#include "toolkit/streams.h"

class TComponentWriter : public TWriter {
 public:
  explicit TComponentWriter(TStream& Stream);
  // Puts what is still buffered into the stream.
  ~TComponentWriter() override;

  // The signature, then Root with its properties and its owned components.
  void WriteDescendent(TComponent* Root);
  // One object record: class name, name, properties, and (for the root) its components.
  void WriteComponent(TComponent* Component);
  // Puts the buffered bytes into the stream (the writer buffers everything until then).
  void FlushBuffer();

  // ---- values ----
  void WriteInteger(std::int64_t Value) override;
  void WriteBoolean(bool Value) override;
  void WriteFloat(double Value) override;
  void WriteString(const std::string& Value) override;
  void WriteIdent(const std::string& Value) override;

  void WriteValue(TValueType Value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // A length byte and the bytes; EWriteError "Stream write error" past 255 bytes.
  void WriteShortString(std::string_view Value);
  void WriteRaw(const void* Data, std::size_t Count);
  void WriteInt64Value(std::int64_t Value);                 // always vaInt64
  void WriteExtended(double Value);                         // vaExtended
  void WriteDouble(double Value);                           // vaDouble
  void WriteSingle(float Value);                            // vaSingle
  void WriteCurrency(std::int64_t TenThousandths);          // vaCurrency
  void WriteDate(double Days);                              // vaDate
  void WriteAnsiString(std::string_view Bytes);             // vaString or vaLString, bytes as given
  void WriteWideString(std::string_view Utf8);              // vaWString
  void WriteUTF8String(std::string_view Utf8);              // vaUTF8String
  void WriteBinary(const void* Data, std::uint32_t Count);  // vaBinary
  void WriteSet(const std::vector<std::string>& Members);   // vaSet
  void WriteCollection(const TCollection* Collection);      // vaCollection

  void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

  TComponent* Root() const { return FRoot; }

 private:
  void WriteProperties(TPersistent* Instance);
  void WriteProperty(TPersistent* Instance, const TPropInfo& Prop);
  void WritePropName(const char* Name);
  bool WriteOrdinal(const TPropInfo& Prop, std::int64_t Value);
  const char* MethodName(const TMethod& Method) const;

  TStream& FStream;
  std::vector<std::uint8_t> FBuffer;
  TComponent* FRoot = nullptr;
  std::string FPath;  // the dotted path of the sub-object being written, with its last dot
};
