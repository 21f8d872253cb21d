// Forms built from their stored descriptions: the streams of the class and its ancestors found
// among the program's resources and read in at creation, before OnCreate; the failures that
// leave no form behind.
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "assets/reader.h"
#include "tests/assets/stream_builder.h"
#include "tests/support/headless_machine.h"
#include "toolkit/forms.h"
#include "toolkit/sysutils.h"
#include "toolkit/timer.h"

namespace {

std::vector<std::string>& Log() { return SampleLog(); }

// A form with published fields and handlers, as a game's main window has them.
class TSampleBaseForm : public TForm {
  DECLARE_CLASSINFO(TSampleBaseForm);
  explicit TSampleBaseForm(TComponent* AOwner) : TForm(AOwner) {}

  TTimer* Timer1 = nullptr;
  TSampleWidget* Widget = nullptr;
  TCustomControl* Panel = nullptr;

  void FormCreate(TObject*) {
    Log().push_back("create " + Caption() +
                    (Widget ? " widget " + std::to_string(Widget->Count()) : ""));
  }
  void FormDestroy(TObject*) { Log().push_back("destroy"); }
  void Timer1Timer(TObject*) {}
};
const TFieldInfo kBaseFields[] = {
    Field<&TSampleBaseForm::Timer1>("Timer1"),
    Field<&TSampleBaseForm::Widget>("Widget"),
    Field<&TSampleBaseForm::Panel>("Panel"),
};
const TMethodInfo kBaseMethods[] = {
    PublishedMethod<&TSampleBaseForm::FormCreate>("FormCreate"),
    PublishedMethod<&TSampleBaseForm::FormDestroy>("FormDestroy"),
    PublishedMethod<&TSampleBaseForm::Timer1Timer>("Timer1Timer"),
};
IMPLEMENT_CLASS(TSampleBaseForm, TForm, .Fields = kBaseFields, .Methods = kBaseMethods)

// Has a stream of its own that changes what its ancestor's stream made.
class TSampleMainForm : public TSampleBaseForm {
  DECLARE_CLASSINFO(TSampleMainForm);
  using TSampleBaseForm::TSampleBaseForm;
};
IMPLEMENT_CLASS(TSampleMainForm, TSampleBaseForm)

// Has no stream of its own: its ancestor's is enough.
class TSampleQuietForm : public TSampleBaseForm {
  DECLARE_CLASSINFO(TSampleQuietForm);
  using TSampleBaseForm::TSampleBaseForm;
};
IMPLEMENT_CLASS(TSampleQuietForm, TSampleBaseForm)

// Whose stream fails after its ancestor's has been read.
class TSampleBrokenForm : public TSampleBaseForm {
  DECLARE_CLASSINFO(TSampleBrokenForm);
  using TSampleBaseForm::TSampleBaseForm;
};
IMPLEMENT_CLASS(TSampleBrokenForm, TSampleBaseForm)

// With no stream anywhere.
class TSampleOrphanForm : public TForm {
  DECLARE_CLASSINFO(TSampleOrphanForm);
  using TForm::TForm;
};
IMPLEMENT_CLASS(TSampleOrphanForm, TForm)

// Resource bytes live as long as the program.
void Register(const std::string& name, Bytes bytes) {
  static std::deque<Bytes> kept;
  kept.push_back(std::move(bytes));
  RegisterResource(name, RT_RCDATA, kept.back());
}

class FormStreams : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    Log().clear();
    if (!BaseStream().empty()) return;
    BaseStream() = WriteBaseStream();
    Register("TSAMPLEBASEFORM", BaseStream());  // stored in upper case, found from any case

    StreamBuilder main;
    main.Signature().Object("TSampleMainForm", "SampleMain").Prop("Caption").Str("Main").End();
    main.Raw({0xF1}).Object("TSampleWidget", "Widget").Prop("Count").Int(2).End().End();
    main.End();
    Register("TSampleMainForm", main.Done());

    StreamBuilder broken;
    broken.Signature().Object("TSampleBrokenForm", "Broken").Prop("OnCreate").Ident("Missing");
    broken.End().End();
    Register("TSampleBrokenForm", broken.Done());
  }

  static Bytes& BaseStream() {
    static Bytes bytes;
    return bytes;
  }

  // The ancestor's stream, written from a form set up in code.
  Bytes WriteBaseStream() {
    auto* form = TCustomForm::CreateNew<TSampleBaseForm>(app.get());
    form->SetName("SampleBase");
    form->SetCaption("Base");
    form->SetBorderStyle(bsSingle);
    form->SetBorderIcons({biSystemMenu, biMinimize});
    form->SetClientWidth(640);
    form->SetClientHeight(480);
    form->SetPosition(poScreenCenter);
    form->SetKeyPreview(true);
    form->SetTextHeight(13);
    form->Font()->SetName("Comic Sans MS");
    form->Font()->SetHeight(-13);
    form->Font()->SetColor(clNavy);
    form->Font()->SetStyle(TFontStyles{fsBold});
    form->OnCreate = TNotifyEvent::Of<&TSampleBaseForm::FormCreate>(form);
    form->OnDestroy = TNotifyEvent::Of<&TSampleBaseForm::FormDestroy>(form);
    auto* panel = Construct<TCustomControl>(form);
    panel->SetName("Panel");
    panel->SetParent(form);
    panel->SetAlign(alClient);
    auto* widget = Construct<TSampleWidget>(form);
    widget->SetName("Widget");
    widget->SetCount(1);
    widget->SetDesignPosition(40, 88);
    auto* timer = Construct<TTimer>(form);
    timer->SetName("Timer1");
    timer->SetEnabled(false);
    timer->SetInterval(1140);
    timer->SetOnTimer(TNotifyEvent::Of<&TSampleBaseForm::Timer1Timer>(form));
    timer->SetDesignPosition(192, 24);
    TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
    stream->WriteComponent(form);
    form->Free();
    Log().clear();
    return ContentOf(*stream);
  }
};

TEST_F(FormStreams, AFormIsBuiltFromItsStoredDescriptionBeforeOnCreate) {
  auto* form = app->CreateForm<TSampleQuietForm>();

  EXPECT_EQ(form->Name(), "SampleBase");
  EXPECT_EQ(form->Caption(), "Base");
  EXPECT_EQ(form->BorderStyle(), bsSingle);
  EXPECT_EQ(form->BorderIcons(), (TBorderIcons{biSystemMenu, biMinimize}));
  EXPECT_EQ(form->ClientWidth(), 640);
  EXPECT_EQ(form->ClientHeight(), 480);
  EXPECT_EQ(form->Position(), poScreenCenter);
  EXPECT_TRUE(form->KeyPreview());
  EXPECT_EQ(form->Color(), clBtnFace);
  EXPECT_EQ(form->TextHeight(), 13);
  EXPECT_EQ(form->Font()->Name(), "Comic Sans MS");
  EXPECT_EQ(form->Font()->Height(), -13);
  EXPECT_EQ(form->Font()->Color(), clNavy);
  EXPECT_EQ(form->Font()->Style(), TFontStyles{fsBold});
  EXPECT_EQ(form->Font()->Charset(), DEFAULT_CHARSET);
  ASSERT_TRUE(form->Timer1 && form->Widget && form->Panel);
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(form->Timer1->Interval(), 1140u);
  EXPECT_EQ(form->Timer1->OnTimer(), TNotifyEvent::Of<&TSampleBaseForm::Timer1Timer>(form));
  EXPECT_EQ(form->Timer1->DesignLeft(), 192);
  EXPECT_EQ(form->Timer1->DesignTop(), 24);
  EXPECT_EQ(form->Widget->DesignLeft(), 40);
  EXPECT_EQ(form->Panel->Parent(), form);  // controls go into the form
  EXPECT_EQ(form->Panel->Width(), 640);    // and are laid out there
  EXPECT_EQ(Log(), (std::vector<std::string>{"loaded Widget", "create Base widget 1"}));

  form->Free();
  EXPECT_EQ(Log().back(), "destroy");
}

TEST_F(FormStreams, AFormStoresItsClientSizeAndNotItsOuterSizeOrVisibility) {
  const std::string whole(BaseStream().begin(), BaseStream().end());
  const std::string text = whole.substr(0, whole.find("TCustomControl"));  // the form's record
  EXPECT_NE(text.find("\x0B"
                      "ClientWidth"),
            std::string::npos);
  EXPECT_EQ(text.find("\x05Width"), std::string::npos);
  EXPECT_EQ(text.find("Visible"), std::string::npos);
}

TEST_F(FormStreams, AncestorStreamsAreReadFirst) {
  auto* form = app->CreateForm<TSampleMainForm>();
  EXPECT_EQ(form->Name(), "SampleMain");
  EXPECT_EQ(form->Caption(), "Main");
  EXPECT_EQ(form->ClientWidth(), 640);  // from the ancestor's stream
  EXPECT_EQ(form->Widget->Count(), 2);  // the inherited component, changed
  EXPECT_EQ(form->ComponentCount(), 3);
  EXPECT_EQ(Log().back(), "create Main widget 2");
}

TEST_F(FormStreams, WritingABuiltFormGivesItsStreamBack) {
  auto* form = TCustomForm::CreateNew<TSampleBaseForm>(app.get());
  auto stream = StreamOf(BaseStream());
  stream->ReadComponent(form);
  TOwnedPtr<TMemoryStream> again(Construct<TMemoryStream>());
  again->WriteComponent(form);
  const Bytes written = ContentOf(*again);
  EXPECT_EQ(std::string(written.begin(), written.end()),
            std::string(BaseStream().begin(), BaseStream().end()));
}

TEST_F(FormStreams, UnsignedIntegersBeyondTheSignedRangeComeBackWhole) {
  auto* form = TCustomForm::CreateNew<TForm>(app.get());
  auto* timer = Construct<TTimer>(form);
  timer->SetName("Slow");
  timer->SetEnabled(false);
  timer->SetInterval(0xFFFFFFF0u);
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->WriteComponent(form);
  auto* copy = TCustomForm::CreateNew<TForm>(app.get());
  stream->SetPosition(0);
  stream->ReadComponent(copy);
  auto* read = dynamic_cast<TTimer*>(copy->FindComponent("Slow"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Interval(), 0xFFFFFFF0u);
}

TEST_F(FormStreams, AFormMadeNewReadsNothing) {
  auto* form = TCustomForm::CreateNew<TSampleMainForm>(app.get());
  EXPECT_EQ(form->ComponentCount(), 0);
  EXPECT_EQ(form->Caption(), "");
}

TEST_F(FormStreams, AFormClassWithNoStreamAnywhereIsNotBuilt) {
  const int components = app->ComponentCount();
  try {
    Construct<TSampleOrphanForm>(app.get());
    ADD_FAILURE() << "built without a stream";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource TSampleOrphanForm not found");
  }
  EXPECT_EQ(app->ComponentCount(), components);
}

TEST_F(FormStreams, AFailingStreamLeavesNoFormAndNoComponentsAndFiresNoEvents) {
  const int components = app->ComponentCount();
  const int live = LiveSampleComponents();
  try {
    app->CreateForm<TSampleBrokenForm>();
    ADD_FAILURE() << "built from a broken stream";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Error reading Broken.OnCreate: Invalid property value");
  }
  EXPECT_EQ(app->ComponentCount(), components);
  EXPECT_EQ(LiveSampleComponents(), live);
  EXPECT_EQ(app->MainForm(), nullptr);
  // The ancestor's components were loaded, but the form was never created or destroyed.
  EXPECT_EQ(Log(), (std::vector<std::string>{"loaded Widget"}));
}

TEST_F(FormStreams, ASecondFormOfTheSameClassGetsANumberedName) {
  auto* first = app->CreateForm<TSampleQuietForm>();
  auto* second = Construct<TSampleQuietForm>(app.get());
  EXPECT_EQ(first->Name(), "SampleBase");
  EXPECT_EQ(second->Name(), "SampleBase_1");
}

}  // namespace
