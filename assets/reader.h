// The reader of binary component streams: builds a root component and the components it owns
// from a stream that begins with "TPF0". It knows no class by itself: it walks the class
// tables (published properties, fields and methods) and offers every other property name to
// the object's DefineStoredProperties.
//
// Reading a root: the root takes the stored name (made unique among the application's
// components as "%s_%d"), its properties and children are read, references to components
// are set once every object exists, and then AfterLoading runs on the root and on every
// component read, in the order their reading finished. Any failure inside a property record
// becomes EReadError "Error reading %s%s%s: %s" (object, ".", property, first message); a
// failure ends the reading, and a root that the reader made is freed again, with every
// component made for it; a collection whose items were being read is left empty, never holding
// an item that the stream did not finish. (A root given to the reader keeps what was read into
// it before the failure: its callers free it, as a form does when its building fails.)
//
// The stream is read through a buffer, or in place when it is a memory stream; a binary value
// is handed to its reader as a stream of exactly its bytes, so whatever that reader leaves
// unread is passed over. A stored length (of a string, a wide string or a binary value) is
// checked against the bytes left in a memory stream before anything is reserved for it; from
// any other stream such a value is taken a block at a time, so that what is reserved never
// runs ahead of the bytes that came. Lists, sets and collections store no count: each element
// takes bytes of its own. Nesting (objects, lists, collections, component streams inside binary
// values) is limited, so that no input can exhaust the stack.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/classes.h"
#include "toolkit/collection.h"
#include "toolkit/streams.h"

class TComponentReader : public TReader {
 public:
  explicit TComponentReader(TStream& Stream);
  // Leaves the stream just after the last byte read.
  ~TComponentReader() override;

  // Reads the whole stream into Root, or, when Root is nullptr, into a new component of the
  // stored class (EClassNotFound "Class %s not found" when there is none); answers the root.
  TComponent* ReadRootComponent(TComponent* Root);

  // ---- values ----
  // Takes the next tag; NextValue only looks at it.
  TValueType ReadValue();
  TValueType NextValue();
  // The next byte is the 0 that ends a list.
  bool EndOfList();
  void ReadListBegin();
  void ReadListEnd();
  // Passes over the next value, whatever its kind.
  void SkipValue();

  std::int32_t ReadInteger() override;
  std::int64_t ReadInt64() override;
  bool ReadBoolean() override;
  // Any float tag (extended, double, single, currency, date) or an integer.
  double ReadFloat() override;
  // Any string tag, as UTF-8.
  std::string ReadString() override;
  // An identifier; the tags False, True, nil and Null read as those names.
  std::string ReadIdent() override;

  TComponent* Root() const override { return FRoot; }
  TComponent* Parent() const override { return FParent; }
  void ReadData(TComponent* Instance) override;

  void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

 private:
  struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    std::string Name;
    std::vector<TCollectionItem*> Items;  // the items being read around it, innermost last
  };
  class TDepthGuard;

  // ---- the buffer ----
  void Need(std::size_t Count);
  void Refill(std::size_t Count);
  std::uint8_t ReadByte();
  void ReadBytes(void* Buffer, std::size_t Count);
  std::string ReadBytes(std::uint64_t Count);
  void Skip(std::uint64_t Count);
  std::uint32_t ReadU32();
  std::string ReadShortString();
  void SyncStreamPosition();

  // ---- structure ----
  void ReadSignature();
  void ReadPrefix(int& Flags, int& Position);
  TComponent* ReadComponent();
  const TClassInfo* FindComponentClass(const std::string& ClassName) const;
  std::string UniqueRootName(TComponent* Root, const std::string& Name) const;
  void ReadProperty(TPersistent* Instance);
  void ReadPropValue(TPersistent* Instance, const TPropInfo& Prop);
  void ReadCollection(TCollection* Collection);
  void DropFixupsOf(const TCollection* Collection);
  void ResolveFixups();
  void ReadBinaryValue(TStreamProc& ReadData);
  void SkipCollection();

  TStream& FStream;
  // The bytes not yet taken: [FCur, FEnd). Over a memory stream they are its own memory.
  const std::uint8_t* FCur = nullptr;
  const std::uint8_t* FEnd = nullptr;
  const std::uint8_t* FMemoryStart = nullptr;  // non-null: reading a memory stream in place
  std::vector<std::uint8_t> FBuffer;

  TComponent* FRoot = nullptr;
  TComponent* FParent = nullptr;
  std::vector<TComponent*> FLoaded;
  std::vector<TFixup> FFixups;
  std::vector<TCollectionItem*> FItems;
  std::string FPropName;  // the defined property being offered; empty once taken
  bool FPropTaken = false;
};

// Installs this library's reader and writer as the toolkit's component streaming. Every
// program that links the library does this when it starts (install.cpp is compiled into each);
// calling it again does no harm.
void InstallComponentStreams();
