// The display device: the order of its events and notifications at start and stop (also when a
// step of the start fails), its notify registry, lost-surface recovery, the option rules, the
// surface-size rules and how it follows its form.
#include "display/dxdraw.h"

#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/system/windows.h"
#include "tests/display/dxdraw_fixture.h"

namespace {

TEST_F(DeviceTest, FirstShowingStartsInWindowModeWithEverythingToldInOrder) {
  EXPECT_FALSE(dx->Initialized());
  form->Show();
  ASSERT_TRUE(dx->Initialized());
  EXPECT_EQ(log.Take(), kStartOrder);
  EXPECT_EQ(dx->NowOptions(), (TDXDrawOptions{doWaitVBlank, doCenter}));
  EXPECT_EQ(dx->SurfaceWidth(), 640);
  EXPECT_EQ(dx->SurfaceHeight(), 480);
  EXPECT_TRUE(dx->CanDraw());
  // Hiding and showing the form again does not start the device a second time.
  form->Hide();
  form->Show();
  EXPECT_TRUE(log.Take().empty());
}

TEST_F(DeviceTest, StopTellsEverythingOnceAndASecondStopNothing) {
  form->Show();
  log.Take();
  dx->Finalize();
  EXPECT_EQ(log.Take(), kStopOrder);
  EXPECT_FALSE(dx->Initialized());
  EXPECT_EQ(dx->DDraw(), nullptr);
  EXPECT_EQ(dx->Surface(), nullptr);
  EXPECT_FALSE(dx->CanDraw());
  // The size of the back buffer is kept while stopped.
  EXPECT_EQ(dx->SurfaceWidth(), 640);
  dx->Finalize();
  dx->Flip();
  EXPECT_TRUE(log.Take().empty());
}

TEST_F(DeviceTest, StartingARunningDeviceStopsItCompletelyFirst) {
  form->Show();
  log.Take();
  dx->Initialize();
  Lines expected = kStopOrder;
  expected.insert(expected.end(), kStartOrder.begin(), kStartOrder.end());
  EXPECT_EQ(log.Take(), expected);
}

TEST_F(DeviceTest, WithoutAFormTheStartFailsAndNothingIsTold) {
  DeviceLog lonely;  // outlives the device, which tells it of its destruction
  TOwnedPtr<TDXDraw> lone(Construct<TDXDraw>(nullptr));
  lonely.BindEvents(lone.get());
  lone->RegisterNotifyEvent(lonely.Handler());
  lonely.Take();
  try {
    lone->Initialize();
    FAIL() << "no error";
  } catch (const EDXDrawError& e) {
    EXPECT_STREQ(e.what(), "Form not found");
  }
  EXPECT_TRUE(lonely.Take().empty());
  EXPECT_FALSE(lone->Initialized());
}

TEST_F(DeviceTest, APrimarySurfaceThatCannotBeMadeStopsTheDeviceWithoutFinaliseEvents) {
  // Another program holds the screen's primary surface.
  TOwnedPtr<TDirectDraw> other(Construct<TDirectDraw>(nullptr, false));
  auto* held = Construct<TDirectDrawSurface>(other.get());
  DDSURFACEDESC desc{};
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  ASSERT_TRUE(held->CreateSurface(desc));

  try {
    dx->Initialize();
    FAIL() << "no error";
  } catch (const EDXDrawError& e) {
    EXPECT_STREQ(e.what(), "Primary Surface cannot be made");
  }
  EXPECT_EQ(log.Take(),
            (Lines{"OnInitializing", "dxntInitializing", "dxntFinalizeSurface", "dxntFinalize"}));
  EXPECT_FALSE(dx->Initialized());
  EXPECT_EQ(dx->DDraw(), nullptr);
  EXPECT_EQ(dx->NowOptions(), (TDXDrawOptions{doWaitVBlank, doCenter}));

  // Once the screen is free the device starts normally.
  held->Free();
  dx->Initialize();
  EXPECT_EQ(log.Take(), kStartOrder);
}

TEST_F(DeviceTest, AFullScreenModeThatCannotBeSetStopsTheDeviceAndSaysWhichModeWasAsked) {
  machine->SetScreenModes({{800, 600, 32}, {1024, 768, 32}});
  dx->SetOptions(dx->Options() + TDXDrawOptions{doFullScreen});
  form->Show();  // the automatic start fails; the form's handling reports it
  log.Take();
  try {
    dx->Initialize();
    FAIL() << "no error";
  } catch (const EDXDrawError& e) {
    EXPECT_STREQ(e.what(), "Display mode cannot be changed (640x480 16bit)");
  }
  EXPECT_EQ(log.Take(),
            (Lines{"OnInitializing", "dxntInitializing", "dxntFinalizeSurface", "dxntFinalize"}));
  EXPECT_FALSE(dx->Initialized());
}

TEST_F(DeviceTest, FullScreenChangesTheModeAndFlipsAndWindowModeNeverChangesIt) {
  const ddraw::DisplayMode desktop = ddraw::CurrentDisplayMode();
  dx->Display()->SetWidth(800);
  dx->Display()->SetHeight(600);
  dx->Display()->SetBitCount(32);
  form->Show();
  EXPECT_EQ(ddraw::CurrentDisplayMode(), desktop);
  dx->Finalize();

  dx->Display()->SetWidth(640);
  dx->Display()->SetHeight(480);
  dx->Display()->SetBitCount(16);
  dx->SetOptions(dx->Options() + TDXDrawOptions{doFullScreen});
  log.Take();
  dx->Initialize();
  EXPECT_EQ(log.Take(), kStartOrder);
  EXPECT_EQ(dx->NowOptions(),
            (TDXDrawOptions{doFullScreen, doAllowReboot, doWaitVBlank, doCenter, doFlip}));
  EXPECT_EQ(ddraw::CurrentDisplayMode(), (ddraw::DisplayMode{640, 480, 16}));
  ASSERT_TRUE(dx->CanDraw());
  EXPECT_EQ(dx->Surface()->Width(), 640);
  EXPECT_EQ(dx->Surface()->BitCount(), 16);

  // A flip shows the back buffer: the frame drawn becomes the screen's.
  dx->Surface()->Fill(0x1234);
  const std::size_t before = ddraw::PresentedFrames();
  dx->Flip();
  EXPECT_EQ(ddraw::PresentedFrames(), before + 1);
  EXPECT_EQ(dx->Primary()->GetPixel(17, 33), 0x1234u);

  // Back to window mode, as Alt+Enter does: the desktop's mode again.
  dx->Finalize();
  dx->SetOptions(dx->Options() - TDXDrawOptions{doFullScreen});
  dx->Initialize();
  EXPECT_EQ(ddraw::CurrentDisplayMode(), desktop);
  EXPECT_EQ(dx->NowOptions(), (TDXDrawOptions{doWaitVBlank, doCenter}));
}

TEST_F(DeviceTest, FullScreenShowsNothingWhileTheFormIsInactive) {
  dx->SetOptions(dx->Options() + TDXDrawOptions{doFullScreen});
  form->Show();
  ASSERT_TRUE(dx->CanDraw());
  dx->Surface()->Fill(0x00F0);
  machine->DeactivateApplication();
  app->ProcessMessages();
  const std::size_t before = ddraw::PresentedFrames();
  dx->Flip();
  EXPECT_EQ(ddraw::PresentedFrames(), before);
  EXPECT_EQ(dx->Primary()->DXResult(), DD_OK);

  dx->Surface()->Fill(0x0F00);
  machine->Focus(form->Handle());
  app->ProcessMessages();
  dx->Flip();
  EXPECT_EQ(ddraw::PresentedFrames(), before + 1);
  EXPECT_EQ(dx->Primary()->GetPixel(5, 5), 0x0F00u);
}

TEST_F(DeviceTest, SystemMemoryInFullScreenUsesTheWindowDriver) {
  dx->SetOptions({doFullScreen, doSystemMemory, doFlip});
  EXPECT_EQ(dx->NowOptions(), (TDXDrawOptions{doFullScreen, doSystemMemory}));
  form->Show();
  ASSERT_TRUE(dx->Initialized());
  EXPECT_FALSE(dx->NowOptions().Contains(doFlip));
  // The window driver's back buffer is an off-screen surface of the device's size, not the
  // second page of a flip chain.
  EXPECT_EQ(dx->Surface()->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_BACKBUFFER, 0u);
  EXPECT_TRUE(dx->NowOptions().Contains(doSystemMemory));
  EXPECT_TRUE(dx->Surface()->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
}

TEST_F(DeviceTest, EffectiveOptionsWhileStopped) {
  struct Case {
    TDXDrawOptions asked, effective;
  };
  const Case cases[] = {
      {{doAllowReboot, doWaitVBlank, doCenter, do3D, doDirectX7Mode, doHardware, doSelectDriver},
       {doWaitVBlank, doCenter, do3D, doDirectX7Mode, doSelectDriver}},
      {{doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip, doStretch}, {doStretch}},
      {{doFullScreen, doNoWindowChange, doAllowPalette256, doFlip},
       {doFullScreen, doNoWindowChange, doAllowPalette256, doFlip}},
      {{doDirectX7Mode, doHardware, doSelectDriver, doZBuffer}, {}},
      {{do3D, doHardware, doZBuffer}, {do3D, doZBuffer}},
      {{doFullScreen, doSystemMemory, doFlip}, {doFullScreen, doSystemMemory}},
      {TDXDrawOptions::FromBits(0xC000), TDXDrawOptions::FromBits(0xC000)},
  };
  for (const Case& c : cases) {
    dx->SetOptions(c.asked);
    EXPECT_EQ(dx->Options(), c.asked);
    EXPECT_EQ(dx->NowOptions().Bits(), c.effective.Bits()) << "asked " << c.asked.Bits();
  }
}

TEST_F(DeviceTest, WhileRunningOnlyThePresentationOptionsTakeEffect) {
  dx->SetOptions({doWaitVBlank, doCenter, do3D, doZBuffer});
  form->Show();
  ASSERT_EQ(dx->NowOptions(), (TDXDrawOptions{doWaitVBlank, doCenter, do3D, doZBuffer}));
  dx->SetOptions(TDXDrawOptions{doFullScreen, doStretch, doFlip} +
                 TDXDrawOptions::FromBits(0x4000));
  EXPECT_EQ(dx->NowOptions().Bits(),
            (TDXDrawOptions{doStretch, do3D, doZBuffer} + TDXDrawOptions::FromBits(0x4000)).Bits());
  // The full screen asked for takes effect at the next start.
  dx->Finalize();
  EXPECT_EQ(dx->NowOptions(),
            (TDXDrawOptions{doFullScreen, doStretch, doFlip} + TDXDrawOptions::FromBits(0x4000)));
  dx->Initialize();
  EXPECT_EQ(ddraw::CurrentDisplayMode(), (ddraw::DisplayMode{640, 480, 16}));
}

// ---- the notify registry ----

TEST_F(DeviceTest, AHandlerRegisteredLateIsToldWhatItMissed) {
  DeviceLog late;
  late.prefix = "late ";
  dx->RegisterNotifyEvent(late.Handler());
  EXPECT_EQ(late.Take(), (Lines{"late dxntSetSurfaceSize"}));
  dx->UnRegisterNotifyEvent(late.Handler());
  EXPECT_TRUE(late.Take().empty());  // nothing owed while stopped

  form->Show();
  dx->RegisterNotifyEvent(late.Handler());
  EXPECT_EQ(late.Take(), (Lines{"late dxntSetSurfaceSize", "late dxntInitialize",
                                "late dxntInitializeSurface", "late dxntRestore"}));
  // Registering again: it is told of the stop first, and stays in the list once.
  dx->RegisterNotifyEvent(late.Handler());
  EXPECT_EQ(late.Take(),
            (Lines{"late dxntFinalizeSurface", "late dxntFinalize", "late dxntSetSurfaceSize",
                   "late dxntInitialize", "late dxntInitializeSurface", "late dxntRestore"}));
  dx->Restore();
  EXPECT_EQ(late.Take(), (Lines{"late dxntRestore"}));
  dx->UnRegisterNotifyEvent(late.Handler());
  EXPECT_EQ(late.Take(), (Lines{"late dxntFinalizeSurface", "late dxntFinalize"}));
  dx->Restore();
  EXPECT_TRUE(late.Take().empty());
}

TEST_F(DeviceTest, UnregisteringAStrangerDoesNothing) {
  form->Show();
  log.Take();
  DeviceLog stranger;
  dx->UnRegisterNotifyEvent(stranger.Handler());
  EXPECT_TRUE(stranger.Take().empty());
  dx->Restore();
  EXPECT_EQ(log.Take(), (Lines{"dxntRestore", "OnRestoreSurface"}));
}

// Registers itself with the device from inside the start's OnInitialize.
struct JoinsDuringStart {
  TCustomDXDraw* device = nullptr;
  DeviceLog seen;
  void Join(TObject*) { device->RegisterNotifyEvent(seen.Handler()); }
};

TEST_F(DeviceTest, AHandlerRegisteredDuringTheStartGetsTheRestoreOnlyOnce) {
  JoinsDuringStart joiner;
  joiner.device = dx;
  dx->OnInitialize = TNotifyEvent::Of<&JoinsDuringStart::Join>(&joiner);
  form->Show();
  EXPECT_EQ(joiner.seen.Take(), (Lines{"dxntSetSurfaceSize", "dxntInitialize",
                                       "dxntInitializeSurface", "dxntRestore"}));
  dx->UnRegisterNotifyEvent(joiner.seen.Handler());
  dx->OnInitialize = nullptr;
}

// Handlers that take themselves (or another) out while they are told.
struct Leaver {
  TCustomDXDraw* device = nullptr;
  std::vector<std::string>* order = nullptr;
  std::string name;
  Leaver* alsoRemove = nullptr;
  void Notify(TCustomDXDraw*, TDXDrawNotifyType type) {
    if (type != dxntDestroying) return;
    order->push_back(name);
    device->UnRegisterNotifyEvent(Handler());
    if (alsoRemove) device->UnRegisterNotifyEvent(alsoRemove->Handler());
  }
  TDXDrawNotifyEvent Handler() { return TDXDrawNotifyEvent::Of<&Leaver::Notify>(this); }
};

TEST_F(DeviceTest, HandlersLeavingDuringTheDestroyingWalkAreEachToldOnceFromTheLast) {
  std::vector<std::string> order;
  Leaver a{dx, &order, "a"}, b{dx, &order, "b"}, c{dx, &order, "c"};
  for (Leaver* l : {&a, &b, &c}) dx->RegisterNotifyEvent(l->Handler());
  dx->Free();
  EXPECT_EQ(order, (Lines{"c", "b", "a"}));
}

TEST_F(DeviceTest, AHandlerRemovingOthersDuringTheWalkNeverRunsPastTheList) {
  std::vector<std::string> order;
  Leaver a{dx, &order, "a"}, b{dx, &order, "b"}, c{dx, &order, "c"};
  c.alsoRemove = &a;
  b.alsoRemove = &c;
  for (Leaver* l : {&a, &b, &c}) dx->RegisterNotifyEvent(l->Handler());
  dx->UnRegisterNotifyEvent(log.Handler());
  dx->Free();
  EXPECT_EQ(order, (Lines{"c", "b"}));
}

TEST_F(DeviceTest, DestructionStopsTheDeviceThenSaysDestroying) {
  form->Show();
  log.Take();
  dx->Free();
  Lines expected = kStopOrder;
  expected.push_back("dxntDestroying");
  EXPECT_EQ(log.Take(), expected);
  // The form has its own message handling back: moving it touches nothing freed.
  machine->Drag(form->Handle(), 10, 10);
  app->ProcessMessages();
}

// ---- lost surfaces ----

TEST_F(DeviceTest, LostSurfacesAreRestoredAndClearedAtTheNextCanDraw) {
  form->Show();
  log.Take();
  dx->Surface()->Fill(0x7777);
  ddraw::LoseAllSurfaces();
  EXPECT_EQ(dx->Surface()->IDDSurface()->IsLost(), DDERR_SURFACELOST);
  EXPECT_TRUE(dx->CanDraw());
  EXPECT_EQ(log.Take(), (Lines{"dxntRestore", "OnRestoreSurface"}));
  EXPECT_EQ(dx->Surface()->IDDSurface()->IsLost(), DD_OK);
  EXPECT_EQ(dx->Surface()->GetPixel(3, 3), 0u);
  // Nothing lost: no restore.
  EXPECT_TRUE(dx->CanDraw());
  EXPECT_TRUE(log.Take().empty());
}

TEST_F(DeviceTest, AFlipOnLostSurfacesRestoresBeforePresenting) {
  form->Show();
  dx->Surface()->Fill(0x7777);
  ddraw::LoseAllSurfaces();
  log.Take();
  const std::size_t before = ddraw::PresentedFrames();
  dx->Flip();
  EXPECT_EQ(log.Take(), (Lines{"dxntRestore", "OnRestoreSurface"}));
  EXPECT_GT(ddraw::PresentedFrames(), before);
}

// Stops the device from the restore notification, as a component might on a fatal error.
struct StopsOnRestore {
  TCustomDXDraw* device = nullptr;
  bool armed = false;
  void Notify(TCustomDXDraw*, TDXDrawNotifyType type) {
    if (armed && type == dxntRestore) {
      armed = false;
      device->Finalize();
    }
  }
};

TEST_F(DeviceTest, ARestoreThatStopsTheDeviceLeavesCanDrawFalse) {
  StopsOnRestore stopper{dx};
  dx->RegisterNotifyEvent(TDXDrawNotifyEvent::Of<&StopsOnRestore::Notify>(&stopper));
  form->Show();
  stopper.armed = true;
  ddraw::LoseAllSurfaces();
  EXPECT_FALSE(dx->CanDraw());
  dx->Flip();
  dx->UnRegisterNotifyEvent(TDXDrawNotifyEvent::Of<&StopsOnRestore::Notify>(&stopper));
}

TEST_F(DeviceTest, ThePaletteNoticeRestoresOnlyInTheForeground) {
  form->Show();
  log.Take();
  EXPECT_FALSE(form->Perform(WM_PALETTECHANGED, 0, 0));
  EXPECT_TRUE(log.Take().empty());
  EXPECT_TRUE(form->Perform(WM_QUERYNEWPALETTE, 0, 0));
  EXPECT_EQ(log.Take(), (Lines{"dxntRestore", "OnRestoreSurface"}));
}

// ---- surface size ----

TEST_F(DeviceTest, SurfaceSizeWhileStoppedAndWhileRunning) {
  dx->SetAutoSize(false);
  dx->SetSize(320, 200);
  EXPECT_EQ(log.Take(), (Lines{"dxntSetSurfaceSize"}));
  dx->SetSize(320, 200);
  EXPECT_TRUE(log.Take().empty());
  EXPECT_EQ(dx->SurfaceWidth(), 320);

  form->Show();
  EXPECT_EQ(dx->Surface()->Width(), 320);
  log.Take();
  dx->SetSurfaceHeight(240);
  EXPECT_EQ(log.Take(), (Lines{"dxntFinalizeSurface", "OnFinalizeSurface", "dxntInitializeSurface",
                               "OnInitializeSurface", "dxntSetSurfaceSize"}));
  EXPECT_EQ(dx->Surface()->Width(), 320);
  EXPECT_EQ(dx->Surface()->Height(), 240);

  // A size of 0 makes a 1 x 1 back buffer.
  dx->SetSize(0, 0);
  EXPECT_EQ(dx->Surface()->Width(), 1);
  EXPECT_EQ(dx->Surface()->Height(), 1);
  // The size survives a stop.
  dx->Finalize();
  EXPECT_EQ(dx->SurfaceWidth(), 1);
}

TEST_F(DeviceTest, AutoSizeFollowsTheControlAndAFlipChainIsNeverResized) {
  EXPECT_EQ(dx->SurfaceWidth(), 640);  // aligned to the client area
  dx->SetAlign(alNone);
  dx->SetBounds(0, 0, 300, 100);
  EXPECT_EQ(dx->SurfaceWidth(), 300);
  EXPECT_EQ(dx->SurfaceHeight(), 100);
  dx->SetAutoSize(false);
  dx->SetBounds(0, 0, 640, 480);
  EXPECT_EQ(dx->SurfaceWidth(), 300);
  dx->SetAutoSize(true);
  EXPECT_EQ(dx->SurfaceWidth(), 640);

  dx->SetOptions(dx->Options() + TDXDrawOptions{doFullScreen});
  form->Show();
  log.Take();
  dx->SetSize(320, 240);
  EXPECT_TRUE(log.Take().empty());
  EXPECT_EQ(dx->SurfaceWidth(), 640);
}

TEST_F(DeviceTest, ConstructionGivesTheDocumentedSettings) {
  TOwnedPtr<TDXDraw> fresh(Construct<TDXDraw>(nullptr));
  EXPECT_TRUE(fresh->AutoInitialize());
  EXPECT_TRUE(fresh->AutoSize());
  EXPECT_EQ(fresh->Color(), clBlack);
  EXPECT_FALSE(fresh->ParentColor());
  EXPECT_EQ(fresh->Width(), 100);
  EXPECT_EQ(fresh->SurfaceWidth(), 100);
  EXPECT_EQ(fresh->SurfaceHeight(), 100);
  EXPECT_EQ(fresh->Options(), (TDXDrawOptions{doAllowReboot, doWaitVBlank, doCenter, do3D,
                                              doDirectX7Mode, doHardware, doSelectDriver}));
  EXPECT_EQ(fresh->Display()->Width(), 640);
  EXPECT_EQ(fresh->Display()->BitCount(), 16);
  EXPECT_FALSE(fresh->Display()->FixedBitCount());
  EXPECT_TRUE(fresh->Display()->FixedSize());
  // The colour table is the screen's system palette.
  PALETTEENTRY system[256];
  const HDC screen = GetDC(0);
  GetSystemPaletteEntries(screen, 0, 256, system);
  ReleaseDC(0, screen);
  for (int i : {0, 7, 100, 255}) {
    EXPECT_EQ(fresh->ColorTable[i].rgbRed, system[i].peRed);
    EXPECT_EQ(fresh->ColorTable[i].rgbBlue, system[i].peBlue);
    EXPECT_EQ(fresh->DefColorTable[i].rgbGreen, system[i].peGreen);
  }
}

// ---- following the form ----

TEST_F(DeviceTest, ADragStopsTheDeviceAtItsStartAndStartsItAtItsEnd) {
  form->Show();
  log.Take();
  machine->Drag(form->Handle(), 30, 20);
  app->ProcessMessages();
  Lines expected = kStopOrder;
  expected.insert(expected.end(), kStartOrder.begin(), kStartOrder.end());
  EXPECT_EQ(log.Take(), expected);
  EXPECT_TRUE(dx->Initialized());
}

TEST_F(DeviceTest, DestroyingTheFormsWindowStopsTheDevice) {
  form->Show();
  log.Take();
  platform::DestroyWindow(form->Handle());
  EXPECT_EQ(log.Take(), kStopOrder);
  EXPECT_FALSE(dx->Initialized());
}

}  // namespace

namespace {

TEST_F(DeviceTest, TheClassTablePublishesTheSettingsAStoredFormSets) {
  ASSERT_EQ(GetClass("TDXDraw"), &TDXDraw::ClassInfo);
  const TClassInfo& info = TDXDraw::ClassInfo;
  const TPropInfo* options = info.FindProperty("Options");
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->Type->Kind, TTypeKind::tkSet);
  // The game's stored options, as the form reader sets them: bits of the set.
  const TDXDrawOptions game{doAllowReboot, doWaitVBlank, doCenter, doFlip};
  options->Set(dx, std::int64_t(game.Bits()));
  EXPECT_EQ(dx->Options(), game);
  EXPECT_EQ(std::get<std::int64_t>(options->Get(dx)), std::int64_t(game.Bits()));

  const TPropInfo* display = info.FindProperty("Display");
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(display->Type->Kind, TTypeKind::tkClass);
  auto* sub = dynamic_cast<TDXDrawDisplay*>(std::get<TObject*>(display->Get(dx)));
  ASSERT_EQ(sub, dx->Display());
  const TPropInfo* fixed = sub->ClassType()->FindProperty("FixedBitCount");
  ASSERT_NE(fixed, nullptr);
  fixed->Set(sub, std::int64_t(0));
  EXPECT_FALSE(dx->Display()->FixedBitCount());
  EXPECT_EQ(sub->ClassType()->FindProperty("BitCount")->Default, 16);
  EXPECT_EQ(sub->ClassType()->FindProperty("Width")->Default, 640);

  EXPECT_EQ(info.FindProperty("SurfaceWidth")->Default, 640);
  EXPECT_EQ(info.FindProperty("SurfaceHeight")->Default, 480);
  EXPECT_EQ(info.FindProperty("Color")->Default, clWindow);
  for (const char* name : {"AutoInitialize", "AutoSize", "OnFinalize", "OnFinalizeSurface",
                           "OnInitialize", "OnInitializeSurface", "OnInitializing",
                           "OnRestoreSurface", "OnMouseDown", "OnMouseMove", "Align"})
    EXPECT_NE(info.FindProperty(name), nullptr) << name;

  // Read from a stored form: the surface size set while loading only stores the field.
  dx->Loading();
  info.FindProperty("SurfaceWidth")->Set(dx, std::int64_t(320));
  log.Take();
  EXPECT_EQ(dx->SurfaceWidth(), 320);
  EXPECT_TRUE(log.Take().empty());
}

// A device whose window can be made anew while it runs.
class RemadeDevice : public TDXDraw {
 public:
  using TDXDraw::TDXDraw;
  void Remake() { RecreateWnd(); }
};

TEST_F(DeviceTest, AWindowMadeAnewGetsTheClipperBoundToIt) {
  dx->Free();
  auto* remade = Construct<RemadeDevice>(form);
  remade->SetParent(form);
  remade->SetAlign(alClient);
  form->Show();
  ASSERT_TRUE(remade->Initialized());
  const HWND before = remade->Handle();
  remade->Remake();
  ASSERT_TRUE(remade->Initialized());
  ASSERT_NE(remade->Handle(), before);
  HWND bound = 0;
  ASSERT_EQ(remade->Clipper()->IClipper()->GetHWnd(&bound), DD_OK);
  EXPECT_EQ(bound, remade->Handle());
}

}  // namespace
