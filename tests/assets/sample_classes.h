// Persistent classes made for the stream tests and the stream fuzzer: a component that
// publishes a property of every kind, a sub-object (as a form's font would be), a collection
// of items with references and sub-objects of their own, and a root with published fields and
// methods. They keep a log of what happens to them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/classes.h"
#include "toolkit/collection.h"
#include "toolkit/streams.h"

enum TSampleShade { shLight, shDark, shDeep, shPale };
DECLARE_ENUM_TYPEINFO(TSampleShade);
using TSampleShades = TSet<TSampleShade>;

using TSampleTickEvent = TEvent<void(TObject* Sender, std::int32_t Count)>;

// What the sample objects did, in order ("loaded W1", ...); tests clear it.
std::vector<std::string>& SampleLog();
// Sample components alive now.
int LiveSampleComponents();

// A sub-object with properties of its own and a binary defined property "Data".
class TSamplePart : public TPersistent {
  DECLARE_CLASSINFO(TSamplePart);
  std::int32_t Height() const { return FHeight; }
  void SetHeight(std::int32_t v) { FHeight = v; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& v) { FName = v; }
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { FColor = v; }
  TSampleShades Style() const { return FStyle; }
  void SetStyle(TSampleShades v) { FStyle = v; }
  std::string Data;  // the binary "Data", read whole

  void DefineStoredProperties(TFiler& Filer) override;

 private:
  void ReadData(TStream& S);
  void WriteData(TStream& S);
  std::int32_t FHeight = 0;
  std::string FName;
  TColor FColor = clBlack;
  TSampleShades FStyle;
};

class TSampleWidget;

class TSampleItem : public TCollectionItem {
  DECLARE_CLASSINFO(TSampleItem);
  explicit TSampleItem(TCollection* Collection);
  ~TSampleItem() override;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v) { FCaption = v; }
  std::int32_t Value() const { return FValue; }
  void SetValue(std::int32_t v) { FValue = v; }
  TSampleWidget* Link() const { return FLink; }
  void SetLink(TSampleWidget* v) { FLink = v; }
  TSamplePart* Part() const { return FPart; }

 private:
  std::string FCaption;
  std::int32_t FValue = 0;
  TSampleWidget* FLink = nullptr;
  TSamplePart* FPart;
};

// A component with a published property of every kind and defined properties "Blob" (binary,
// of which its reader takes only the first half), "Note" (a string) and "Values" (a list of
// one value of each kind that no published property uses).
class TSampleWidget : public TComponent {
  DECLARE_CLASSINFO(TSampleWidget);
  explicit TSampleWidget(TComponent* AOwner);
  ~TSampleWidget() override;

  std::int32_t Count() const { return FCount; }
  void SetCount(std::int32_t v) { FCount = v; }
  double Ratio() const { return FRatio; }
  void SetRatio(double v) { FRatio = v; }
  std::int64_t Big() const { return FBig; }
  void SetBig(std::int64_t v) { FBig = v; }
  char Letter() const { return FLetter; }
  void SetLetter(char v) { FLetter = v; }
  TSampleShade Shade() const { return FShade; }
  void SetShade(TSampleShade v) { FShade = v; }
  TSampleShades Shades() const { return FShades; }
  void SetShades(TSampleShades v) { FShades = v; }
  bool Flag() const { return FFlag; }
  void SetFlag(bool v) { FFlag = v; }
  const std::string& Text() const { return FText; }
  void SetText(const std::string& v) { FText = v; }
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { FColor = v; }
  float Gain() const { return FGain; }
  void SetGain(float v) { FGain = v; }
  TSampleWidget* Buddy() const { return FBuddy; }
  void SetBuddy(TSampleWidget* v) { FBuddy = v; }
  TSamplePart* Part() const { return FPart; }
  TCollection* Items() const { return FItems; }
  std::int32_t Serial() const { return 7; }

  TNotifyEvent OnPing;
  TSampleTickEvent OnTick;

  // Defined property contents.
  std::string Blob;  // what was written, or the half that was read
  std::string Note;  // "Note"
  bool HasValues = false;
  float Single = 0;
  std::int64_t Currency = 0;  // ten-thousandths
  double Date = 0;
  std::string Wide;
  double Double = 0;
  // The parent the reader named while this widget's state was read.
  TComponent* ReadParent = nullptr;

  void DefineStoredProperties(TFiler& Filer) override;
  void ReadState(TReader& Reader) override;
  void AfterLoading() override;
  void SetChildOrder(TComponent* Child, int Order) override;

 protected:
  void BeforeDestruction() override;

 private:
  void ReadBlob(TStream& S);
  void WriteBlob(TStream& S);
  void ReadNote(TReader& R);
  void WriteNote(TWriter& W);
  void ReadValues(TReader& R);
  void WriteValues(TWriter& W);

  std::int32_t FCount = 0;
  double FRatio = 0;
  std::int64_t FBig = 0;
  char FLetter = 0;
  TSampleShade FShade = shLight;
  TSampleShades FShades;
  bool FFlag = false;
  std::string FText;
  TColor FColor = clBlack;
  float FGain = 0;
  TSampleWidget* FBuddy = nullptr;
  TSamplePart* FPart;
  TCollection* FItems;
};

// A root with published fields (First, Second) and methods (Ping, Pong, Tick).
class TSampleRoot : public TComponent {
  DECLARE_CLASSINFO(TSampleRoot);
  explicit TSampleRoot(TComponent* AOwner);
  ~TSampleRoot() override;
  void AfterLoading() override;

  TSampleWidget* First = nullptr;
  TSampleWidget* Second = nullptr;
  int Pings = 0;
  int Pongs = 0;
  void Ping(TObject*) { ++Pings; }
  void Pong(TObject*) { ++Pongs; }
  void Tick(TObject*, std::int32_t) {}
};

// Stream bytes as a vector, and a memory stream over a copy of them.
using Bytes = std::vector<std::uint8_t>;
Bytes ContentOf(TMemoryStream& S);
TOwnedPtr<TMemoryStream> StreamOf(const Bytes& B);
