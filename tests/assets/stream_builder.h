// Component streams put together value by value, well-formed or not, for the reader's tests.
#pragma once

#include <string>

#include "assets/writer.h"
#include "tests/assets/sample_classes.h"

class StreamBuilder {
 public:
  StreamBuilder() : FStream(Construct<TMemoryStream>()), FWriter(*FStream) {}

  TComponentWriter& Writer() { return FWriter; }
  StreamBuilder& Signature() {
    FWriter.WriteRaw("TPF0", 4);
    return *this;
  }
  // An object record's class and name (its properties follow).
  StreamBuilder& Object(const std::string& ClassName, const std::string& Name) {
    FWriter.WriteShortString(ClassName);
    FWriter.WriteShortString(Name);
    return *this;
  }
  StreamBuilder& Prop(const std::string& Name) {
    FWriter.WriteShortString(Name);
    return *this;
  }
  StreamBuilder& Int(std::int64_t V) {
    FWriter.WriteInteger(V);
    return *this;
  }
  StreamBuilder& Ident(const std::string& V) {
    FWriter.WriteIdent(V);
    return *this;
  }
  StreamBuilder& Str(const std::string& V) {
    FWriter.WriteString(V);
    return *this;
  }
  StreamBuilder& Value(TValueType V) {
    FWriter.WriteValue(V);
    return *this;
  }
  StreamBuilder& Short(const std::string& V) {
    FWriter.WriteShortString(V);
    return *this;
  }
  StreamBuilder& Binary(const std::string& V) {
    FWriter.WriteBinary(V.data(), static_cast<std::uint32_t>(V.size()));
    return *this;
  }
  StreamBuilder& Raw(const Bytes& B) {
    FWriter.WriteRaw(B.data(), B.size());
    return *this;
  }
  // The 0 byte that ends properties, children, lists and collections.
  StreamBuilder& End() {
    FWriter.WriteListEnd();
    return *this;
  }
  Bytes Done() {
    FWriter.FlushBuffer();
    return ContentOf(*FStream);
  }

 private:
  TOwnedPtr<TMemoryStream> FStream;
  TComponentWriter FWriter;
};
