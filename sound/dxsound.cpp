#include "sound/dxsound.h"

#include <algorithm>
#include <exception>

#include "platform/winapi.h"

using namespace platform::dsound;
using platform::DWORD;

IMPLEMENT_ENUM_TYPEINFO(TDXSoundOption, "soGlobalFocus", "soStickyFocus", "soExclusive")

// ---- TDXSoundDirectSound ----

IMPLEMENT_CLASS(TDXSoundDirectSound, TDirectSound)

TDXSoundDirectSound::TDXSoundDirectSound(TCustomDXSound* DXSound, PGUID GUID)
    : TDirectSound(GUID), FDXSound(DXSound) {}

void TDXSoundDirectSound::RestoreBuffers() { FDXSound->Restore(); }

// ---- TCustomDXSound ----

IMPLEMENT_CLASS(TCustomDXSound, TComponent)

namespace {

// A primary buffer takes no size and no format: the service sets them.
DSBUFFERDESC PrimaryBufferDesc() {
  DSBUFFERDESC desc{};
  desc.dwSize = DSBUFFERDESC_SIZE;
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
  return desc;
}

}  // namespace

TCustomDXSound::TCustomDXSound(TComponent* AOwner) : TComponent(AOwner) { SetOptions({}); }

TCustomDXSound::~TCustomDXSound() {
  // Normally everything went in BeforeDestruction; this only lets go of what is left.
  delete FSubClass;
  FSubClass = nullptr;
  if (FPrimary) FPrimary->Free();
  if (FDSound) FDSound->Free();
}

void TCustomDXSound::BeforeDestruction() {
  Finalize();
  Notify(dsntDestroying);
  FNotifyEventList.clear();
  TComponent::BeforeDestruction();
}

void TCustomDXSound::AfterLoading() {
  TComponent::AfterLoading();
  if (!FAutoInitialize || ComponentState().Contains(csDesigning)) return;
  try {
    Initialize();
  } catch (const EDirectSoundError&) {
    // No usable sound device: the program goes on without sound.
  }
}

void TCustomDXSound::Initialize() {
  Finalize();

  TComponent* owner = Owner();
  while (owner && !owner->Is<TCustomForm>()) owner = owner->Owner();
  if (!owner) throw EDXSoundError(msg::SNoForm);
  auto* form = static_cast<TCustomForm*>(owner);

  Notify(dsntInitializing);
  SignalInitializing();

  FInternalInitialized = true;
  try {
    auto* dsound = new TDXSoundDirectSound(this, FDriver);
    FDSound = dsound;
    dsound->SetGlobalFocus(FNowOptions.Contains(soGlobalFocus));
    dsound->SetStickyFocus(FNowOptions.Contains(soStickyFocus));

    FPrimary = new TDirectSoundBuffer(FDSound);
    if (!FPrimary->CreateBuffer(PrimaryBufferDesc()))
      throw EDXSoundError(Format(msg::SCannotMade, msg::SDirectSoundPrimaryBuffer));

    FInitialized = true;
    SetForm(form);
  } catch (...) {
    Finalize();
    throw;
  }

  Notify(dsntInitialize);
  FCalledDoInitialize = true;
  SignalInitialize();
  Restore();
}

void TCustomDXSound::FreeSubClass() {
  if (FSubClass) FSubClass->Free();
  FSubClass = nullptr;
}

void TCustomDXSound::Finalize() {
  if (!FInternalInitialized) return;
  // Whatever fails on the way, the device ends up stopped with its objects freed.
  struct Stop {
    TCustomDXSound* self;
    ~Stop() {
      self->FInitialized = false;
      self->FInternalInitialized = false;
      self->SetOptions(self->FOptions);
      if (self->FPrimary) self->FPrimary->Free();
      self->FPrimary = nullptr;
      if (self->FDSound) self->FDSound->Free();
      self->FDSound = nullptr;
    }
  } stop{this};
  struct TellLists {
    TCustomDXSound* self;
    ~TellLists() noexcept(false) {
      if (std::uncaught_exceptions() > 0) {
        try {
          self->Notify(dsntFinalize);
        } catch (...) {
        }
      } else {
        self->Notify(dsntFinalize);
      }
    }
  };

  FreeSubClass();
  TellLists tell{this};
  if (FCalledDoInitialize) {
    FCalledDoInitialize = false;
    SignalFinalize();
  }
}

void TCustomDXSound::Restore() {
  if (!FInitialized) return;
  Notify(dsntRestore);
  SignalRestore();
}

void TCustomDXSound::SetForm(TCustomForm* Value) {
  FForm = Value;
  FreeSubClass();
  FSubClass =
      new TControlSubClass(FForm, TControlSubClassProc::Of<&TCustomDXSound::FormWndProc>(this));
  if (FInitialized) {
    const DWORD level = FNowOptions.Contains(soExclusive) ? DSSCL_EXCLUSIVE : DSSCL_NORMAL;
    FDSound->SetDXResult(FDSound->ISound()->SetCooperativeLevel(FForm->Handle(), level));
  }
}

void TCustomDXSound::FormWndProc(TMessage& Message, TWndMethod DefWindowProc) {
  DefWindowProc(Message);
  // A window made anew gets the cooperative level again. (This replaces the running hook;
  // nothing of it is touched once this handler returns.)
  if (Message.Msg == platform::WM_CREATE) SetForm(FForm);
}

void TCustomDXSound::Notify(TDXSoundNotifyType NotifyType) {
  // From the last to the first, so that a handler may take itself out on the way.
  for (int i = static_cast<int>(FNotifyEventList.size()) - 1; i >= 0; --i) {
    if (i >= static_cast<int>(FNotifyEventList.size())) continue;
    const TDXSoundNotifyEvent handler = FNotifyEventList[static_cast<std::size_t>(i)];
    handler(this, NotifyType);
  }
}

void TCustomDXSound::RegisterNotifyEvent(TDXSoundNotifyEvent NotifyEvent) {
  UnRegisterNotifyEvent(NotifyEvent);
  FNotifyEventList.push_back(NotifyEvent);
  if (FInitialized) {
    NotifyEvent(this, dsntInitialize);
    NotifyEvent(this, dsntRestore);
  }
}

void TCustomDXSound::UnRegisterNotifyEvent(TDXSoundNotifyEvent NotifyEvent) {
  const auto it = std::find(FNotifyEventList.begin(), FNotifyEventList.end(), NotifyEvent);
  if (it == FNotifyEventList.end()) return;
  FNotifyEventList.erase(it);
  if (FInitialized) NotifyEvent(this, dsntFinalize);
}

void TCustomDXSound::SetDriver(PGUID Value) {
  if (!Value) {
    FDriver = nullptr;
    return;
  }
  FDriverGUID = *Value;
  FDriver = &FDriverGUID;
}

void TCustomDXSound::SetOptions(TDXSoundOptions Value) {
  FOptions = Value;
  if (!FInitialized) {
    FNowOptions = Value;
    return;
  }
  FNowOptions =
      (FNowOptions * TDXSoundOptions{soExclusive}) + (Value - TDXSoundOptions{soExclusive});
  if (FDSound) {
    FDSound->SetGlobalFocus(FNowOptions.Contains(soGlobalFocus));
    FDSound->SetStickyFocus(FNowOptions.Contains(soStickyFocus));
  }
}

void TCustomDXSound::SignalFinalize() {
  if (OnFinalize) OnFinalize(this);
}

void TCustomDXSound::SignalInitialize() {
  if (OnInitialize) OnInitialize(this);
}

void TCustomDXSound::SignalInitializing() {
  if (OnInitializing) OnInitializing(this);
}

void TCustomDXSound::SignalRestore() {
  if (OnRestore) OnRestore(this);
}

// ---- TDXSound ----

namespace {
const TPropInfo kDXSoundProps[] = {
    Property<&TDXSound::AutoInitialize, &TDXSound::SetAutoInitialize>("AutoInitialize"),
    Property<&TDXSound::Options, &TDXSound::SetOptions>("Options"),
    EventProperty<&TDXSound::OnFinalize>("OnFinalize"),
    EventProperty<&TDXSound::OnInitialize>("OnInitialize"),
    EventProperty<&TDXSound::OnInitializing>("OnInitializing"),
    EventProperty<&TDXSound::OnRestore>("OnRestore"),
};
}  // namespace

IMPLEMENT_CLASS(TDXSound, TCustomDXSound, .Properties = kDXSoundProps)
REGISTER_CLASS(TDXSound)
