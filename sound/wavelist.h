// The wave list: a component holding the program's sounds as named items, each with its
// wave, played through buffers of the sound device it is bound to. When the device starts,
// every item gets a main buffer loaded with its samples; when it stops, all buffers go.
//
// Playing: a looped item plays its main buffer, restarted from the beginning by each Play. A
// non-looped item never plays its main buffer but duplicates of it, which share its samples:
// Play takes the first duplicate of the item's pool that is silent, or adds one; with a
// MaxPlayingCount and a full pool it cuts off the oldest and restarts it. Playing or stopping
// without a running device does nothing.
#pragma once

#include <string>
#include <vector>

#include "images/named_collection.h"
#include "sound/directsound.h"
#include "sound/dxsound.h"
#include "sound/wave.h"

DECLARE_EXCEPTION(EWaveCollectionError, Exception);

namespace msg {
inline constexpr const char* SWaveNotFound = "Wave '%s' not found";
}

class TWaveCollection;

class TWaveCollectionItem : public THashCollectionItem {
  DECLARE_CLASSINFO(TWaveCollectionItem);

  explicit TWaveCollectionItem(TCollection* Collection);
  ~TWaveCollectionItem() override;

  void Assign(const TPersistent* Source) override;

  // Starts the sound; with Wait, returns once it has ended (never for a looped item).
  void Play(bool Wait);
  // Silences every buffer of the item; the next Play rewinds.
  void Stop();
  // Whether the item sounds. EAssertionFailed when it is ready for sound but has no main
  // buffer (its wave holds no data).
  bool Playing();
  // (Re)loads the main buffer from the wave; the pool is left as it is.
  void Restore();

  bool Initialized() const { return FInitialized; }
  TWaveCollection* WaveCollection() const;
  TDirectSoundBuffer* Buffer() const { return FBuffer; }
  int PoolCount() const { return static_cast<int>(FBufferList.size()); }
  TDirectSoundBuffer* Pool(int Index) const {
    return FBufferList.at(static_cast<std::size_t>(Index));
  }

  bool Looped() const { return FLooped; }
  // A change stops the item first.
  void SetLooped(bool Value);
  int MaxPlayingCount() const { return FMaxPlayingCount; }
  // 0 (or less) for no limit. A change frees the pool, silencing what it plays.
  void SetMaxPlayingCount(int Value);
  TWave* Wave() const { return FWave; }
  // Copies the wave; the buffers follow at the next Restore.
  void SetWave(TWave* Value);
  // Frequency (0: the wave's own rate), pan and volume in the service's units; set on the
  // main buffer at once, on duplicates at their next Play.
  int Frequency() const { return FFrequency; }
  void SetFrequency(int Value);
  int Pan() const { return FPan; }
  void SetPan(int Value);
  int Volume() const { return FVolume; }
  void SetVolume(int Value);

 protected:
  void BeforeDestruction() override;

 private:
  friend class TWaveCollection;
  void AttachItem();
  void ReleaseItemBuffers();
  TDirectSoundBuffer* EnsureMainBuffer();
  TDirectSoundBuffer* MakeDuplicate();
  TDirectSoundBuffer* ChooseBuffer();
  TDirectSound* ServiceObject() const;

  TDirectSoundBuffer* FBuffer = nullptr;
  std::vector<TDirectSoundBuffer*> FBufferList;
  int FFrequency = 0;
  bool FInitialized = false;
  bool FLooped = false;
  int FMaxPlayingCount = 0;
  int FPan = 0;
  int FVolume = 0;
  TWave* FWave = nullptr;
};

class TWaveCollection : public THashCollection {
  DECLARE_CLASSINFO(TWaveCollection);

  explicit TWaveCollection(TPersistent* AOwner);

  TWaveCollectionItem* Items(int Index) const {
    return static_cast<TWaveCollectionItem*>(THashCollection::Items(Index));
  }
  // EWaveCollectionError "Wave '%s' not found" when no item has the name.
  TWaveCollectionItem* Find(const std::string& Name) const;
  void Initialize(TCustomDXSound* DXSound);
  void Finalize();
  void Restore();
  TCustomDXSound* DXSound() const { return FDXSound; }
  TPersistent* Owner() const { return FOwner; }
  // A device is set and running.
  bool ReadyForSound() const { return FDXSound && FDXSound->Initialized(); }

  // The items as a stream of their own: a count, then per item its name, looped flag,
  // MaxPlayingCount and wave image (each u32, the name and image behind their lengths).
  // Loading replaces the items and, ready for sound, starts them again; a load that fails
  // (EReadError or the wave's error) leaves them as they were.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream& Stream);
  void SaveToFile(const std::string& FileName);
  void SaveToStream(TStream& Stream);

 private:
  TCustomDXSound* FDXSound = nullptr;
  TPersistent* FOwner;
};

class TCustomDXWaveList : public TComponent {
  DECLARE_CLASSINFO(TCustomDXWaveList);

  explicit TCustomDXWaveList(TComponent* AOwner);
  ~TCustomDXWaveList() override;

  TCustomDXSound* DXSound() const { return FDXSound; }
  // Leaves the old device's registry and joins the new one's.
  void SetDXSound(TCustomDXSound* Value);
  TWaveCollection* Items() const { return FItems; }
  void SetItems(TWaveCollection* Value);

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void BeforeDestruction() override;

 private:
  void SoundNotify(TCustomDXSound* Sender, TDXSoundNotifyType NotifyType);
  TDXSoundNotifyEvent Handler() {
    return TDXSoundNotifyEvent::Of<&TCustomDXWaveList::SoundNotify>(this);
  }

  TCustomDXSound* FDXSound = nullptr;
  TWaveCollection* FItems = nullptr;
};

class TDXWaveList : public TCustomDXWaveList {
  DECLARE_CLASSINFO(TDXWaveList);
  explicit TDXWaveList(TComponent* AOwner) : TCustomDXWaveList(AOwner) {}
};
