// A headless machine with the drawing service, a form and a display device on it, and a log
// that records every event and notification the device sends, in order.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/dxdraw.h"
#include "display/dxdrawdisplay.h"
#include "display/surface.h"
#include "platform/ddraw/service.h"
#include "tests/support/headless_machine.h"
#include "toolkit/forms.h"

// Collects what the device tells: events as "On…", notifications by their names.
struct DeviceLog {
  std::vector<std::string> entries;
  std::string prefix;

  void Notify(TCustomDXDraw*, TDXDrawNotifyType type) {
    static const char* const kNames[] = {
        "dxntDestroying", "dxntInitializing",    "dxntInitialize", "dxntInitializeSurface",
        "dxntFinalize",   "dxntFinalizeSurface", "dxntRestore",    "dxntSetSurfaceSize"};
    entries.push_back(prefix + kNames[type]);
  }
  void Initializing(TObject*) { entries.push_back("OnInitializing"); }
  void Initialize(TObject*) { entries.push_back("OnInitialize"); }
  void InitializeSurface(TObject*) { entries.push_back("OnInitializeSurface"); }
  void RestoreSurface(TObject*) { entries.push_back("OnRestoreSurface"); }
  void FinalizeSurface(TObject*) { entries.push_back("OnFinalizeSurface"); }
  void Finalize(TObject*) { entries.push_back("OnFinalize"); }

  TDXDrawNotifyEvent Handler() { return TDXDrawNotifyEvent::Of<&DeviceLog::Notify>(this); }
  void BindEvents(TCustomDXDraw* d) {
    d->OnInitializing = TNotifyEvent::Of<&DeviceLog::Initializing>(this);
    d->OnInitialize = TNotifyEvent::Of<&DeviceLog::Initialize>(this);
    d->OnInitializeSurface = TNotifyEvent::Of<&DeviceLog::InitializeSurface>(this);
    d->OnRestoreSurface = TNotifyEvent::Of<&DeviceLog::RestoreSurface>(this);
    d->OnFinalizeSurface = TNotifyEvent::Of<&DeviceLog::FinalizeSurface>(this);
    d->OnFinalize = TNotifyEvent::Of<&DeviceLog::Finalize>(this);
  }
  std::vector<std::string> Take() { return std::exchange(entries, {}); }
};

using Lines = std::vector<std::string>;

inline const Lines kStartOrder = {
    "OnInitializing",      "dxntInitializing", "dxntSetSurfaceSize",
    "dxntInitialize",      "OnInitialize",     "dxntInitializeSurface",
    "OnInitializeSurface", "dxntRestore",      "OnRestoreSurface"};
inline const Lines kStopOrder = {"OnFinalizeSurface", "dxntFinalizeSurface", "OnFinalize",
                                 "dxntFinalize"};

class DeviceTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ddraw::RegisterService();
    form = app->CreateForm<TForm>();
    form->SetBorderStyle(bsSingle);
    form->SetClientWidth(640);
    form->SetClientHeight(480);
    dx = Construct<TDXDraw>(form);
    dx->SetParent(form);
    dx->SetAlign(alClient);
    // The game's settings.
    dx->SetOptions({doAllowReboot, doWaitVBlank, doCenter, doFlip});
    dx->Display()->SetFixedBitCount(true);
    dx->Display()->SetFixedRatio(true);
    dx->Display()->SetFixedSize(false);
    log.BindEvents(dx);
    dx->RegisterNotifyEvent(log.Handler());
    log.Take();
  }

  TForm* form = nullptr;
  TDXDraw* dx = nullptr;
  DeviceLog log;
};
