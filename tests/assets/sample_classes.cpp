#include "tests/assets/sample_classes.h"

#include <cmath>
#include <limits>

#include "assets/reader.h"
#include "assets/writer.h"
#include "toolkit/sysutils.h"

IMPLEMENT_ENUM_TYPEINFO(TSampleShade, "shLight", "shDark", "shDeep", "shPale")

namespace {
int gLiveSampleComponents = 0;
}  // namespace

std::vector<std::string>& SampleLog() {
  static std::vector<std::string> log;
  return log;
}

int LiveSampleComponents() { return gLiveSampleComponents; }

// ---- TSamplePart ----

namespace {
const TPropInfo kPartProps[] = {
    Property<&TSamplePart::Height, &TSamplePart::SetHeight>("Height"),
    Property<&TSamplePart::Name, &TSamplePart::SetName>("Name"),
    Property<&TSamplePart::Color, &TSamplePart::SetColor>("Color", TypeInfoColor()),
    Property<&TSamplePart::Style, &TSamplePart::SetStyle>("Style"),
};
}  // namespace
IMPLEMENT_CLASS(TSamplePart, TPersistent, .Properties = kPartProps)

void TSamplePart::DefineStoredProperties(TFiler& Filer) {
  Filer.DefineBinaryProperty("Data", TStreamProc::Of<&TSamplePart::ReadData>(this),
                             TStreamProc::Of<&TSamplePart::WriteData>(this), !Data.empty());
}

void TSamplePart::ReadData(TStream& S) {
  Data.resize(static_cast<std::size_t>(S.Size()));
  S.ReadBuffer(Data.data(), S.Size());
}

void TSamplePart::WriteData(TStream& S) {
  S.WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
}

// ---- TSampleItem ----

namespace {
const TPropInfo kItemProps[] = {
    Property<&TSampleItem::Caption, &TSampleItem::SetCaption>("Caption"),
    Property<&TSampleItem::Value, &TSampleItem::SetValue>("Value", nullptr, 0),
    Property<&TSampleItem::Link, &TSampleItem::SetLink>("Link"),
    Property<&TSampleItem::Part>("Part"),
};
}  // namespace
IMPLEMENT_CLASS(TSampleItem, TCollectionItem, .Properties = kItemProps)
REGISTER_CLASS(TSampleItem)

TSampleItem::TSampleItem(TCollection* Collection)
    : TCollectionItem(Collection), FPart(Construct<TSamplePart>()) {}

TSampleItem::~TSampleItem() { FPart->Free(); }

// ---- TSampleWidget ----

namespace {
const TPropInfo kWidgetProps[] = {
    Property<&TSampleWidget::Count, &TSampleWidget::SetCount>("Count", nullptr, 0),
    Property<&TSampleWidget::Ratio, &TSampleWidget::SetRatio>("Ratio"),
    Property<&TSampleWidget::Big, &TSampleWidget::SetBig>("Big", nullptr, 0),
    Property<&TSampleWidget::Letter, &TSampleWidget::SetLetter>("Letter", nullptr, 0),
    Property<&TSampleWidget::Shade, &TSampleWidget::SetShade>("Shade", nullptr, shLight),
    Property<&TSampleWidget::Shades, &TSampleWidget::SetShades>("Shades", nullptr, 0),
    Property<&TSampleWidget::Flag, &TSampleWidget::SetFlag>("Flag", nullptr, 0),
    Property<&TSampleWidget::Text, &TSampleWidget::SetText>("Text"),
    Property<&TSampleWidget::Color, &TSampleWidget::SetColor>("Color", TypeInfoColor(), clBlack),
    Property<&TSampleWidget::Gain, &TSampleWidget::SetGain>("Gain", nullptr, 0),
    Property<&TSampleWidget::Buddy, &TSampleWidget::SetBuddy>("Buddy"),
    Property<&TSampleWidget::Part>("Part"),
    Property<&TSampleWidget::Items>("Items"),
    Property<&TSampleWidget::Serial>("Serial", nullptr, std::nullopt, false),
    EventProperty<&TSampleWidget::OnPing>("OnPing"),
    EventProperty<&TSampleWidget::OnTick>("OnTick"),
};
}  // namespace
IMPLEMENT_CLASS(TSampleWidget, TComponent, .Properties = kWidgetProps)
REGISTER_CLASS(TSampleWidget)

TSampleWidget::TSampleWidget(TComponent* AOwner)
    : TComponent(AOwner),
      FPart(Construct<TSamplePart>()),
      FItems(Construct<TCollection>(&TSampleItem::ClassInfo)) {
  ++gLiveSampleComponents;
}

TSampleWidget::~TSampleWidget() { --gLiveSampleComponents; }

void TSampleWidget::BeforeDestruction() {
  TComponent::BeforeDestruction();
  FItems->Free();
  FPart->Free();
}

void TSampleWidget::DefineStoredProperties(TFiler& Filer) {
  TComponent::DefineStoredProperties(Filer);
  Filer.DefineBinaryProperty("Blob", TStreamProc::Of<&TSampleWidget::ReadBlob>(this),
                             TStreamProc::Of<&TSampleWidget::WriteBlob>(this), !Blob.empty());
  Filer.DefineProperty("Note", TReaderProc::Of<&TSampleWidget::ReadNote>(this),
                       TWriterProc::Of<&TSampleWidget::WriteNote>(this), !Note.empty());
  Filer.DefineProperty("Values", TReaderProc::Of<&TSampleWidget::ReadValues>(this),
                       TWriterProc::Of<&TSampleWidget::WriteValues>(this), HasValues);
}

void TSampleWidget::ReadBlob(TStream& S) {
  Blob.resize(static_cast<std::size_t>(S.Size() / 2));
  S.ReadBuffer(Blob.data(), static_cast<std::int64_t>(Blob.size()));
}

void TSampleWidget::WriteBlob(TStream& S) {
  S.WriteBuffer(Blob.data(), static_cast<std::int64_t>(Blob.size()));
}

void TSampleWidget::ReadNote(TReader& R) { Note = R.ReadString(); }
void TSampleWidget::WriteNote(TWriter& W) { W.WriteString(Note); }

namespace {
// Stored floats narrowed to what the widget keeps; a value it cannot hold is an error.
float ToSingle(double value) {
  if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
    throw Exception("value out of range");
  return static_cast<float>(value);
}
std::int64_t ToTenThousandths(double value) {
  constexpr double kLimit = 9.2e18;  // just inside the 64-bit range
  const double scaled = value * 10000.0;
  if (!(scaled > -kLimit && scaled < kLimit)) throw Exception("value out of range");
  return static_cast<std::int64_t>(std::llround(scaled));
}
}  // namespace

void TSampleWidget::ReadValues(TReader& R) {
  auto& reader = dynamic_cast<TComponentReader&>(R);
  reader.ReadListBegin();
  Single = ToSingle(reader.ReadFloat());
  Currency = ToTenThousandths(reader.ReadFloat());
  Date = reader.ReadFloat();
  Wide = reader.ReadString();
  Double = reader.ReadFloat();
  if (reader.ReadIdent() != "nil") throw Exception("no nil in Values");
  reader.ReadListEnd();
  HasValues = true;
}

void TSampleWidget::WriteValues(TWriter& W) {
  auto& writer = dynamic_cast<TComponentWriter&>(W);
  writer.WriteListBegin();
  writer.WriteSingle(Single);
  writer.WriteCurrency(Currency);
  writer.WriteDate(Date);
  writer.WriteWideString(Wide);
  writer.WriteDouble(Double);
  writer.WriteValue(vaNil);
  writer.WriteListEnd();
}

void TSampleWidget::ReadState(TReader& Reader) {
  ReadParent = Reader.Parent();
  TComponent::ReadState(Reader);
}

void TSampleWidget::AfterLoading() {
  TComponent::AfterLoading();
  SampleLog().push_back("loaded " + Name() + (FBuddy ? " buddy " + FBuddy->Name() : ""));
}

void TSampleWidget::SetChildOrder(TComponent* Child, int Order) {
  SampleLog().push_back("order " + Child->Name() + " " + std::to_string(Order));
}

// ---- TSampleRoot ----

namespace {
const TFieldInfo kRootFields[] = {
    Field<&TSampleRoot::First>("First"),
    Field<&TSampleRoot::Second>("Second"),
};
const TMethodInfo kRootMethods[] = {
    PublishedMethod<&TSampleRoot::Ping>("Ping"),
    PublishedMethod<&TSampleRoot::Pong>("Pong"),
    PublishedMethod<&TSampleRoot::Tick>("Tick"),
};
}  // namespace
IMPLEMENT_CLASS(TSampleRoot, TComponent, .Fields = kRootFields, .Methods = kRootMethods)
REGISTER_CLASS(TSampleRoot)

TSampleRoot::TSampleRoot(TComponent* AOwner) : TComponent(AOwner) { ++gLiveSampleComponents; }
TSampleRoot::~TSampleRoot() { --gLiveSampleComponents; }

void TSampleRoot::AfterLoading() {
  TComponent::AfterLoading();
  SampleLog().push_back("loaded root " + Name());
}

// ---- bytes ----

Bytes ContentOf(TMemoryStream& S) { return Bytes(S.Memory(), S.Memory() + S.Size()); }

TOwnedPtr<TMemoryStream> StreamOf(const Bytes& B) {
  TOwnedPtr<TMemoryStream> s(Construct<TMemoryStream>());
  s->WriteBuffer(B.data(), static_cast<std::int64_t>(B.size()));
  s->SetPosition(0);
  return s;
}
