// The sound device component: its start and stop as its lists see them, the registry, the
// options, the buffer wrappers, and the restore after a lost buffer.
#include "sound/dxsound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/system/modules.h"
#include "tests/sound/sound_fixture.h"
#include "tests/support/raises.h"

namespace {

using namespace platform::dsound;
using namespace wavetest;

const char* NameOf(TDXSoundNotifyType t) {
  static const char* const kNames[] = {"destroying", "initializing", "initialize", "finalize",
                                       "restore"};
  return kNames[t];
}

// Notes every notification and event it gets.
struct Recorder {
  std::vector<std::string> log;
  TCustomDXSound* unbindFrom = nullptr;  // leaves this device's registry when destroyed
  void Notify(TCustomDXSound*, TDXSoundNotifyType t) {
    log.push_back(NameOf(t));
    if (t == dsntDestroying && unbindFrom) unbindFrom->UnRegisterNotifyEvent(Handler());
  }
  void Event(TObject*) { log.push_back("event"); }
  TDXSoundNotifyEvent Handler() { return TDXSoundNotifyEvent::Of<&Recorder::Notify>(this); }
};

using DXSound = SoundTest;

TEST_F(DXSound, ListsHearTheStartInOrderWithTheEventsBetween) {
  Recorder r;
  std::vector<std::string> events;
  struct Events {
    std::vector<std::string>* log;
    void Initializing(TObject*) { log->push_back("OnInitializing"); }
    void Initialize(TObject*) { log->push_back("OnInitialize"); }
    void Restore(TObject*) { log->push_back("OnRestore"); }
    void Finalize(TObject*) { log->push_back("OnFinalize"); }
  } e{&r.log};
  sound->OnInitializing = TNotifyEvent::Of<&Events::Initializing>(&e);
  sound->OnInitialize = TNotifyEvent::Of<&Events::Initialize>(&e);
  sound->OnRestore = TNotifyEvent::Of<&Events::Restore>(&e);
  sound->OnFinalize = TNotifyEvent::Of<&Events::Finalize>(&e);
  sound->RegisterNotifyEvent(r.Handler());
  Start();
  EXPECT_EQ(r.log, (std::vector<std::string>{"initializing", "OnInitializing", "initialize",
                                             "OnInitialize", "restore", "OnRestore"}));
  r.log.clear();
  sound->Finalize();
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnFinalize", "finalize"}));
  EXPECT_FALSE(sound->Initialized());
  EXPECT_EQ(sound->Primary(), nullptr);
  r.log.clear();
  sound->Finalize();  // stopped already: nothing
  EXPECT_TRUE(r.log.empty());
  sound->UnRegisterNotifyEvent(r.Handler());
}

TEST_F(DXSound, JoiningARunningDeviceHearsItsStartAtOnceAndLeavingHearsItsStop) {
  Start();
  Recorder r;
  sound->RegisterNotifyEvent(r.Handler());
  sound->RegisterNotifyEvent(r.Handler());  // an entry is never held twice
  EXPECT_EQ(sound->NotifyEventCount(), 2);  // the wave list and this one
  EXPECT_EQ(r.log, (std::vector<std::string>{"initialize", "restore", "finalize", "initialize",
                                             "restore"}));
  r.log.clear();
  sound->Restore();
  EXPECT_EQ(r.log, (std::vector<std::string>{"restore"}));
  r.log.clear();
  sound->UnRegisterNotifyEvent(r.Handler());
  sound->UnRegisterNotifyEvent(r.Handler());  // not there any more: nothing
  EXPECT_EQ(r.log, (std::vector<std::string>{"finalize"}));
}

TEST_F(DXSound, DestroyingTheDeviceStopsItsListsAndLetsThemGo) {
  TWaveCollectionItem* item = AddConstant("a", 100, 100);
  Start();
  Recorder r;
  r.unbindFrom = sound;
  sound->RegisterNotifyEvent(r.Handler());
  r.log.clear();
  sound->Free();
  EXPECT_EQ(r.log, (std::vector<std::string>{"finalize", "destroying"}));
  EXPECT_EQ(list->DXSound(), nullptr);
  EXPECT_FALSE(item->Initialized());
  EXPECT_NO_THROW(item->Play(false));
}

TEST_F(DXSound, TheWaveListGoingFirstFreesItsBuffersOnTheRunningDevice) {
  AddConstant("a", 100, 100);
  Start();
  EXPECT_GE(sound->DSound()->BufferCount(), 2);  // the primary and the item's main buffer
  list->Free();
  EXPECT_EQ(sound->DSound()->BufferCount(), 1);
  EXPECT_EQ(sound->NotifyEventCount(), 0);
}

TEST_F(DXSound, AStartWithoutAFormAmongTheOwnersFails) {
  TOwnedPtr<TDXSound> orphan(Construct<TDXSound>(nullptr));
  EXPECT_EQ(MessageOf<EDXSoundError>([&] { orphan->Initialize(); }), "Form not found");
  EXPECT_FALSE(orphan->Initialized());
  // Within a component that a form owns, the form is found further up.
  TComponent* holder = Construct<TComponent>(form);
  TDXSound* nested = Construct<TDXSound>(holder);
  nested->Initialize();
  EXPECT_TRUE(nested->Initialized());
  EXPECT_EQ(nested->Form(), form);
}

TEST_F(DXSound, WithoutAnAudioDeviceTheErrorIsSwallowedOnlyAtLoading) {
  machine->SetAudioDevice(false);
  EXPECT_NO_THROW(Start());
  EXPECT_FALSE(sound->Initialized());
  EXPECT_EQ(MessageOf<EDirectSoundError>([&] { sound->Initialize(); }),
            "DirectSound cannot be initialized");
  EXPECT_FALSE(sound->Initialized());
  machine->SetAudioDevice(true);
  sound->Initialize();
  EXPECT_TRUE(sound->Initialized());
}

TEST_F(DXSound, AtLoadingEveryOtherFailureOfTheStartIsReported) {
  // No form among the owners.
  TOwnedPtr<TDXSound> orphan(Construct<TDXSound>(nullptr));
  EXPECT_EQ(MessageOf<EDXSoundError>([&] { orphan->AfterLoading(); }), "Form not found");
  EXPECT_FALSE(orphan->Initialized());
  // A list that fails while the device starts.
  struct Failing {
    void Notify(TCustomDXSound*, TDXSoundNotifyType t) {
      if (t == dsntInitializing) throw Exception("the list cannot start");
    }
  } failing;
  const auto handler = TDXSoundNotifyEvent::Of<&Failing::Notify>(&failing);
  sound->RegisterNotifyEvent(handler);
  EXPECT_EQ(MessageOf<Exception>([&] { Start(); }), "the list cannot start");
  EXPECT_FALSE(sound->Initialized());
  sound->UnRegisterNotifyEvent(handler);
  Start();
  EXPECT_TRUE(sound->Initialized());
}

TEST_F(DXSound, OptionsApplyToLaterBuffersAndExclusiveWaitsForTheNextStart) {
  Start();
  sound->SetOptions({soGlobalFocus, soExclusive});
  EXPECT_EQ(sound->NowOptions(), TDXSoundOptions{soGlobalFocus});
  EXPECT_EQ(sound->Options(), (TDXSoundOptions{soGlobalFocus, soExclusive}));
  // Buffers belong to the service object, which frees them when the device stops.
  auto* buffer = new TDirectSoundBuffer(sound->DSound());
  const Bytes format = FormatBody(22050, 8, 1);
  buffer->SetSize(format.data(), static_cast<int>(format.size()), 100, false);
  EXPECT_EQ(buffer->Caps().dwFlags, 0x80E0u);
  sound->SetOptions({soStickyFocus, soGlobalFocus});
  buffer->SetSize(format.data(), static_cast<int>(format.size()), 100, false);
  EXPECT_EQ(buffer->Caps().dwFlags, 0x40E0u);  // sticky wins over global
  sound->Initialize();
  sound->SetOptions({soExclusive});
  EXPECT_EQ(sound->NowOptions(), TDXSoundOptions{});  // it was not in force at the start
  sound->Finalize();
  EXPECT_EQ(sound->NowOptions(), TDXSoundOptions{soExclusive});
}

TEST_F(DXSound, TheHookLeavesWithTheDeviceAndBindsAWindowMadeAnew) {
  Start();
  const TWndMethod hooked = form->WindowProc;
  sound->Finalize();
  EXPECT_NE(form->WindowProc, hooked);
  Start();
  EXPECT_TRUE(form->HandleAllocated());  // the cooperative level needed the window
  const platform::HWND window = form->Handle();
  constexpr HRESULT kMarker = 12345;
  sound->DSound()->SetDXResult(kMarker);
  form->SetBorderStyle(bsDialog);  // the form makes its window anew
  ASSERT_NE(form->Handle(), window);
  // The hook saw the new window's creation and set the level on it: the service answered.
  EXPECT_TRUE(sound->Initialized());
  EXPECT_EQ(sound->DSound()->DXResult(), DS_OK);
}

TEST_F(DXSound, BufferWrappersKeepOneLockAndRaiseWithoutAPlatformBuffer) {
  Start();
  TDirectSoundBuffer& buffer = *new TDirectSoundBuffer(sound->DSound());
  EXPECT_EQ(MessageOf<EDirectSoundBufferError>([&] { buffer.Play(false); }),
            "IDirectSoundBuffer not made");
  void* p1 = nullptr;
  void* p2 = nullptr;
  int n1 = 0;
  int n2 = 0;
  EXPECT_FALSE(buffer.Lock(0, 10, p1, n1, p2, n2));
  const Bytes format = FormatBody(8000, 8, 1, 16);
  buffer.SetSize(format.data(), static_cast<int>(format.size()), 100, false);
  EXPECT_EQ(buffer.FormatSize(), 18);  // as the service reports it
  ASSERT_TRUE(buffer.Lock(90, 20, p1, n1, p2, n2));
  EXPECT_EQ(n1, 10);
  EXPECT_EQ(n2, 10);
  EXPECT_FALSE(buffer.Lock(0, 10, p1, n1, p2, n2));  // a second lock while one is open
  buffer.UnLock();
  EXPECT_EQ(buffer.DXResult(), DS_OK);
  EXPECT_TRUE(buffer.Lock(0, 10, p1, n1, p2, n2));
  buffer.UnLock();
  EXPECT_EQ(MessageOf<EDirectSoundBufferError>(
                [&] { buffer.SetSize(format.data(), static_cast<int>(format.size()), 0, false); }),
            "Sound Buffer cannot be made");
  EXPECT_EQ(buffer.IDSBuffer(), nullptr);
}

TEST_F(DXSound, AWaveWhoseFormatIsTooShortMakesNoBufferAndNothingIsReadPastIt) {
  Start();
  TDirectSoundBuffer& buffer = *new TDirectSoundBuffer(sound->DSound());
  for (int size : {2, 15}) {
    TOwnedPtr<TWave> wave(new TWave());
    wave->SetPCMFormat(22050, 8, 1);
    wave->SetFormatSize(size);  // the format buffer is exactly that long now
    wave->SetSize(100);
    std::fill(wave->Data(), wave->Data() + 100, 128);
    EXPECT_EQ(MessageOf<EDirectSoundBufferError>([&] { buffer.LoadFromWave(*wave); }),
              "Sound Buffer cannot be made")
        << size;
    EXPECT_EQ(buffer.IDSBuffer(), nullptr);
  }
  TOwnedPtr<TWave> whole(new TWave());
  whole->SetPCMFormat(22050, 8, 1);
  whole->SetFormatSize(16);
  whole->SetSize(100);
  std::fill(whole->Data(), whole->Data() + 100, 128);
  buffer.LoadFromWave(*whole);
  EXPECT_EQ(buffer.Size(), 100);
}

TEST_F(DXSound, AssigningNilOrABufferWithoutOneLetsGoAndAFailedDuplicationChangesNothing) {
  Start();
  TDirectSoundBuffer& a = *new TDirectSoundBuffer(sound->DSound());
  TDirectSoundBuffer& b = *new TDirectSoundBuffer(sound->DSound());
  const Bytes format = FormatBody(8000, 8, 1);
  b.SetSize(format.data(), static_cast<int>(format.size()), 64, false);
  ASSERT_NE(b.IDSBuffer(), nullptr);
  b.Assign(nullptr);  // nil: b lets go of its buffer, its caps and its format
  EXPECT_EQ(b.IDSBuffer(), nullptr);
  EXPECT_EQ(b.Size(), 0);
  EXPECT_EQ(b.FormatSize(), 0);
  EXPECT_EQ(MessageOf<EDirectSoundBufferError>([&] { b.Play(false); }),
            "IDirectSoundBuffer not made");
  b.SetSize(format.data(), static_cast<int>(format.size()), 64, false);
  b.Assign(&a);  // a holds none: b lets go of its own
  EXPECT_EQ(b.IDSBuffer(), nullptr);
  b.SetSize(format.data(), static_cast<int>(format.size()), 64, false);
  IDirectSoundBuffer* before = b.IDSBuffer();
  b.Assign(sound->Primary());  // the primary cannot be duplicated
  EXPECT_EQ(b.IDSBuffer(), before);
  EXPECT_NE(sound->DSound()->DXResult(), DS_OK);
}

TEST_F(DXSound, ALostBufferMakesEveryListReloadOnceAndItsPlayIsNotHeard) {
  TWaveCollectionItem* shot = AddConstant("shot", 3000, 4800);
  TWaveCollectionItem* music = AddConstant("music", 1000, 4800, true);
  Start();
  music->Play(false);
  shot->Play(false);
  // A buffer of no list, lost with the others and never restored by them.
  auto* stray = new TDirectSoundBuffer(sound->DSound());
  const Bytes format = FormatBody(8000, 8, 1);
  stray->SetSize(format.data(), static_cast<int>(format.size()), 16, false);
  int restores = 0;
  struct Count {
    int* n;
    TDirectSoundBuffer* stray;
    void Restore(TObject*) {
      ++*n;
      // A call that finds a lost buffer during the restore starts no second one.
      EXPECT_FALSE(stray->Play(false));
    }
  } counter{&restores, stray};
  sound->OnRestore = TNotifyEvent::Of<&Count::Restore>(&counter);

  machine->LoseAudioBuffers();
  EXPECT_FALSE(music->Playing());
  machine->ClearAudioOutput();
  shot->Play(false);  // meets a lost buffer: everything is reloaded, this sound is not played
  EXPECT_EQ(restores, 1);
  machine->Advance(10);
  for (int v : Channel(0)) ASSERT_EQ(v, 0);

  shot->Play(false);
  music->Play(false);
  machine->Advance(10);
  EXPECT_EQ(Channel(0).back(), 4000);
  EXPECT_EQ(restores, 1);
}

TEST_F(DXSound, DriversListTheDefaultDevice) {
  const auto& drivers = TCustomDXSound::Drivers();
  ASSERT_EQ(drivers.size(), 1u);
  EXPECT_EQ(drivers[0].Description, "Primary Sound Driver");
  EXPECT_EQ(&TCustomDXSound::Drivers(), &drivers);
  TGUID other;
  other.Data1 = 7;
  sound->SetDriver(&other);
  other.Data1 = 0;  // the device keeps its own copy
  ASSERT_NE(sound->Driver(), nullptr);
  EXPECT_EQ(sound->Driver()->Data1, 7u);
  EXPECT_EQ(MessageOf<EDirectSoundError>([&] { sound->Initialize(); }),
            "DirectSound cannot be initialized");
  sound->SetDriver(nullptr);
  sound->Initialize();
  EXPECT_TRUE(sound->Initialized());
}

TEST_F(DXSound, ThePublishedSettingsAreInTheClassTables) {
  const TClassInfo& info = TDXSound::ClassInfo;
  std::vector<std::string> names;
  for (const TPropInfo& p : info.Properties) names.push_back(p.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"AutoInitialize", "Options", "OnFinalize",
                                             "OnInitialize", "OnInitializing", "OnRestore"}));
  for (const TPropInfo& p : info.Properties) EXPECT_FALSE(p.Default.has_value()) << p.Name;
  EXPECT_EQ(GetClass("TDXSound"), &TDXSound::ClassInfo);
  EXPECT_EQ(GetClass("TDXWaveList"), &TDXWaveList::ClassInfo);
  const TPropInfo* options = info.FindProperty("Options");
  options->Set(sound, TPropValue{std::int64_t{1}});
  EXPECT_EQ(sound->Options(), TDXSoundOptions{soGlobalFocus});

  std::vector<std::string> itemProps;
  for (const TPropInfo* p : TWaveCollectionItem::ClassInfo.AllProperties())
    itemProps.push_back(p->Name);
  EXPECT_EQ(itemProps, (std::vector<std::string>{"Name", "Looped", "MaxPlayingCount", "Wave"}));

  // The wave offers its image as the defined binary property "WAVE".
  struct Filer : TFiler {
    std::vector<std::string> names;
    TStreamProc read;
    void DefineProperty(const std::string&, TReaderProc, TWriterProc, bool) override {}
    void DefineBinaryProperty(const std::string& name, TStreamProc r, TStreamProc,
                              bool hasData) override {
      names.push_back(name);
      EXPECT_TRUE(hasData);
      read = r;
    }
  } filer;
  TOwnedPtr<TWave> wave(new TWave());
  wave->DefineStoredProperties(filer);
  EXPECT_EQ(filer.names, std::vector<std::string>{"WAVE"});
  const Bytes image = SimpleImage(FormatBody(8000, 8, 1), {1, 2, 3});
  TOwnedPtr<TMemoryStream> s(new TMemoryStream());
  s->WriteBuffer(image.data(), static_cast<std::int64_t>(image.size()));
  s->SetPosition(0);
  filer.read(*s);
  EXPECT_EQ(wave->Size(), 3);
}

TEST(DSoundLibrary, AMissingLibraryIsReportedByItsName) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // In a fresh process, so that no earlier load keeps the library.
  EXPECT_EXIT(
      {
        platform::UnregisterBuiltinModule("DSound.dll");
        const std::string message = MessageOf<Exception>([] { TDirectSound ds(nullptr); });
        std::exit(message == "DSound.dll is not loaded" ? 3 : 4);
      },
      ::testing::ExitedWithCode(3), "");
}

}  // namespace
