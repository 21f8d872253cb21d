// The image list: a component holding the program's pictures as a picture collection, bound
// to a display device. Whenever the device starts or restores its surfaces, every picture
// becomes colour-keyed surfaces; when it stops, the surfaces go and the pictures stay.
#pragma once

#include "display/dxdraw.h"
#include "images/picture_collection.h"
#include "toolkit/classes.h"

class TCustomDXImageList : public TComponent {
  DECLARE_CLASSINFO(TCustomDXImageList);

  explicit TCustomDXImageList(TComponent* AOwner);
  ~TCustomDXImageList() override;

  TCustomDXDraw* DXDraw() const { return FDXDraw; }
  // Leaves the old device's notifications (which finalises the items while it runs) and joins
  // the new one's (which builds them at once while it runs).
  void SetDXDraw(TCustomDXDraw* Value);
  TPictureCollection* Items() const { return FItems; }
  // Copies the given collection's items into the list's own.
  void SetItems(TPictureCollection* Value);

  // The bound device going away unbinds it.
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void BeforeDestruction() override;

 private:
  void DXDrawNotify(TCustomDXDraw* Sender, TDXDrawNotifyType NotifyType);
  TDXDrawNotifyEvent Handler() {
    return TDXDrawNotifyEvent::Of<&TCustomDXImageList::DXDrawNotify>(this);
  }

  TCustomDXDraw* FDXDraw = nullptr;
  TPictureCollection* FItems = nullptr;
};

class TDXImageList : public TCustomDXImageList {
  DECLARE_CLASSINFO(TDXImageList);
  explicit TDXImageList(TComponent* AOwner) : TCustomDXImageList(AOwner) {}
};
