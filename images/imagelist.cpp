#include "images/imagelist.h"

// ---- TCustomDXImageList ----

IMPLEMENT_CLASS(TCustomDXImageList, TComponent)

TCustomDXImageList::TCustomDXImageList(TComponent* AOwner)
    : TComponent(AOwner), FItems(new TPictureCollection(this)) {}

TCustomDXImageList::~TCustomDXImageList() {
  if (FItems) FItems->Free();
}

void TCustomDXImageList::BeforeDestruction() {
  SetDXDraw(nullptr);
  FItems->Free();
  FItems = nullptr;
  TComponent::BeforeDestruction();
}

void TCustomDXImageList::SetDXDraw(TCustomDXDraw* Value) {
  if (FDXDraw) {
    TCustomDXDraw* old = FDXDraw;
    old->RemoveFreeNotification(this);
    old->UnRegisterNotifyEvent(Handler());
  }
  FDXDraw = Value;
  if (FDXDraw) {
    FDXDraw->FreeNotification(this);
    FDXDraw->RegisterNotifyEvent(Handler());
  }
}

void TCustomDXImageList::SetItems(TPictureCollection* Value) { FItems->Assign(Value); }

void TCustomDXImageList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDXDraw) SetDXDraw(nullptr);
}

void TCustomDXImageList::DXDrawNotify(TCustomDXDraw* Sender, TDXDrawNotifyType NotifyType) {
  switch (NotifyType) {
    case dxntDestroying: SetDXDraw(nullptr); break;
    case dxntInitialize: FItems->Initialize(Sender); break;
    case dxntFinalize: FItems->Finalize(); break;
    case dxntRestore: FItems->Restore(); break;
    default: break;
  }
}

// ---- TDXImageList ----

namespace {
const TPropInfo kImageListProps[] = {
    Property<&TDXImageList::DXDraw, &TDXImageList::SetDXDraw>("DXDraw"),
    Property<&TDXImageList::Items, &TDXImageList::SetItems>("Items", PictureCollectionTypeInfo()),
};
}  // namespace

IMPLEMENT_CLASS(TDXImageList, TCustomDXImageList, .Properties = kImageListProps)
REGISTER_CLASS(TDXImageList)
