// The sound device component: opens the sound service for the form that holds it, keeps its
// primary buffer, and tells the wave lists bound to it (through its notify registry) when it
// starts, stops and must reload its buffers. With AutoInitialize it starts when its form has
// been loaded; when no sound device can be opened there, it stays stopped and the program
// runs silently.
//
// Wave lists see, in order: dsntInitializing, dsntInitialize, dsntRestore at start;
// dsntRestore after a lost buffer or a call of Restore; dsntFinalize at stop; dsntDestroying
// when the component goes.
#pragma once

#include <vector>

#include "form/dxform.h"
#include "sound/directsound.h"
#include "toolkit/classes.h"
#include "toolkit/forms.h"

DECLARE_EXCEPTION(EDXSoundError, Exception);

namespace msg {
inline constexpr const char* SNoForm = "Form not found";
}

enum TDXSoundOption { soGlobalFocus, soStickyFocus, soExclusive };
DECLARE_ENUM_TYPEINFO(TDXSoundOption);
using TDXSoundOptions = TSet<TDXSoundOption>;

enum TDXSoundNotifyType {
  dsntDestroying,
  dsntInitializing,
  dsntInitialize,
  dsntFinalize,
  dsntRestore
};

class TCustomDXSound;
using TDXSoundNotifyEvent = TEvent<void(TCustomDXSound* Sender, TDXSoundNotifyType NotifyType)>;

// The service object of a sound device: a lost buffer makes the device restore its lists.
class TDXSoundDirectSound : public TDirectSound {
  DECLARE_CLASSINFO(TDXSoundDirectSound);

  TDXSoundDirectSound(TCustomDXSound* DXSound, PGUID GUID);
  void RestoreBuffers() override;

 private:
  TCustomDXSound* FDXSound;
};

class TCustomDXSound : public TComponent {
  DECLARE_CLASSINFO(TCustomDXSound);

  explicit TCustomDXSound(TComponent* AOwner);
  ~TCustomDXSound() override;

  // Starts the device when AutoInitialize is set; a sound service that cannot be opened
  // leaves it stopped without a word.
  void AfterLoading() override;

  // Stops, then starts on the form among the owners: EDXSoundError "Form not found" without
  // one, EDirectSoundError when the service cannot be opened, EDXSoundError "%s cannot be
  // made" with "Primary Buffer". A failed start leaves the device stopped.
  void Initialize();
  void Finalize();
  // Tells the lists to reload their buffers, when running.
  void Restore();

  // Joins the registry once; a running device calls the handler at once with dsntInitialize
  // and dsntRestore. Leaving a running device calls it with dsntFinalize.
  void RegisterNotifyEvent(TDXSoundNotifyEvent NotifyEvent);
  void UnRegisterNotifyEvent(TDXSoundNotifyEvent NotifyEvent);
  int NotifyEventCount() const { return static_cast<int>(FNotifyEventList.size()); }

  static const std::vector<TDirectSoundDriver>& Drivers() { return TDirectSound::Drivers(); }

  bool AutoInitialize() const { return FAutoInitialize; }
  void SetAutoInitialize(bool Value) { FAutoInitialize = Value; }
  // The device to open; nullptr for the default one. A GUID given is copied.
  PGUID Driver() const { return FDriver; }
  void SetDriver(PGUID Value);
  TDirectSound* DSound() const { return FDSound; }
  bool Initialized() const { return FInitialized; }
  TDXSoundOptions NowOptions() const { return FNowOptions; }
  TDXSoundOptions Options() const { return FOptions; }
  // While running, soExclusive stays as it was until the next start; the focus options apply
  // to buffers made from now on.
  void SetOptions(TDXSoundOptions Value);
  TDirectSoundBuffer* Primary() const { return FPrimary; }
  TCustomForm* Form() const { return FForm; }

  TNotifyEvent OnFinalize;
  TNotifyEvent OnInitialize;
  TNotifyEvent OnInitializing;
  TNotifyEvent OnRestore;

 protected:
  void BeforeDestruction() override;
  virtual void SignalFinalize();
  virtual void SignalInitialize();
  virtual void SignalInitializing();
  virtual void SignalRestore();

 private:
  void Notify(TDXSoundNotifyType NotifyType);
  void SetForm(TCustomForm* Value);
  void FormWndProc(TMessage& Message, TWndMethod DefWindowProc);
  void FreeSubClass();

  bool FAutoInitialize = true;
  bool FCalledDoInitialize = false;
  PGUID FDriver = nullptr;
  TGUID FDriverGUID;
  TDirectSound* FDSound = nullptr;
  TCustomForm* FForm = nullptr;
  bool FInitialized = false;
  bool FInternalInitialized = false;
  std::vector<TDXSoundNotifyEvent> FNotifyEventList;
  TDXSoundOptions FNowOptions;
  TDXSoundOptions FOptions;
  TDirectSoundBuffer* FPrimary = nullptr;
  TControlSubClass* FSubClass = nullptr;
};

class TDXSound : public TCustomDXSound {
  DECLARE_CLASSINFO(TDXSound);
  explicit TDXSound(TComponent* AOwner) : TCustomDXSound(AOwner) {}
};
