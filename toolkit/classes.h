// Persistent objects and components: copying between objects, the properties an object
// offers to a component stream besides its published ones, and components with their owners,
// names, states and notifications.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/events.h"
#include "toolkit/object.h"
#include "toolkit/types.h"

class TStream;
class TFiler;
class TReader;
class TWriter;

// An object that can be copied from another (Assign) and written to and read from a component
// stream.
class TPersistent : public TObject {
  DECLARE_CLASSINFO(TPersistent);

  // Copies Source into this object. The default asks Source to copy itself into this one
  // (AssignTo); when neither knows the other, EConvertError "Cannot assign a %s to a %s".
  virtual void Assign(const TPersistent* Source);
  // Offers the object's defined properties (stored by name with readers and writers of their
  // own) to a filer. The default offers none.
  virtual void DefineStoredProperties(TFiler& Filer);

 protected:
  // Copies this object into Dest; the default cannot and says so.
  virtual void AssignTo(TPersistent* Dest) const;
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

using TReaderProc = TEvent<void(TReader& Reader)>;
using TWriterProc = TEvent<void(TWriter& Writer)>;
using TStreamProc = TEvent<void(TStream& Stream)>;

// What reads or writes a component stream, as an object defining its own properties sees it.
class TFiler {
 public:
  virtual ~TFiler() = default;
  // A defined property stored as one value. HasData tells a writer whether to store it.
  virtual void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                              bool HasData) = 0;
  // A defined property stored as binary data, handed to its reader as a stream of its own.
  virtual void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData,
                                    TStreamProc WriteData, bool HasData) = 0;
};

// The tag in front of every value of a component stream.
enum TValueType : std::uint8_t {
  vaNull,
  vaList,
  vaInt8,
  vaInt16,
  vaInt32,
  vaExtended,
  vaString,
  vaIdent,
  vaFalse,
  vaTrue,
  vaBinary,
  vaSet,
  vaLString,
  vaNil,
  vaCollection,
  vaSingle,
  vaCurrency,
  vaDate,
  vaWString,
  vaInt64,
  vaUTF8String,
  vaDouble
};

class TComponent;

// The values a defined property's reader can take from the stream; the component-stream
// reader implements it. A value of the wrong kind fails with EReadError "Invalid property
// value".
class TReader : public TFiler {
 public:
  virtual std::int32_t ReadInteger() = 0;
  virtual std::int64_t ReadInt64() = 0;
  virtual bool ReadBoolean() = 0;
  virtual double ReadFloat() = 0;
  virtual std::string ReadString() = 0;
  virtual std::string ReadIdent() = 0;

  // The object being read into: the stream's root, and the component whose children are
  // being read (the parent of controls among them). A reader of bare values has neither.
  virtual TComponent* Root() const { return nullptr; }
  virtual TComponent* Parent() const { return nullptr; }
  // Reads a component's properties and then its children; TComponent::ReadState calls it.
  // A reader of bare values reads nothing here.
  virtual void ReadData(TComponent*) {}
};

// The values a defined property's writer can put into the stream.
class TWriter : public TFiler {
 public:
  virtual void WriteInteger(std::int64_t Value) = 0;
  virtual void WriteBoolean(bool Value) = 0;
  virtual void WriteFloat(double Value) = 0;
  virtual void WriteString(const std::string& Value) = 0;
  virtual void WriteIdent(const std::string& Value) = 0;
};

enum TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

// True when Name is an identifier: a letter or '_', then letters, digits and '_'.
bool IsValidIdent(std::string_view Name);

// A component: owned by its owner and freed with it, named uniquely among its owner's
// components, told when components it knows of are inserted or removed.
class TComponent : public TPersistent {
  DECLARE_CLASSINFO(TComponent);
  using TConstructionContext = TComponent*;

  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // EListError "List index out of bounds (%d)" outside 0 .. ComponentCount - 1.
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  // The owned component of that name, compared without regard to case; nullptr when none.
  TComponent* FindComponent(std::string_view Name) const;

  const std::string& Name() const { return FName; }
  // A name that is not empty must be an identifier (EComponentError "''%s'' is not a valid
  // component name") and unique among the owner's components (EComponentError "A component
  // named %s already exists"). Naming a component binds the owner's published field of that
  // name to it.
  virtual void SetName(const std::string& NewName);
  std::int32_t Tag() const { return FTag; }
  void SetTag(std::int32_t Value) { FTag = Value; }

  TComponentState ComponentState() const { return FComponentState; }
  // The design position of a component without a window of its own (stored as Left, Top).
  std::int32_t DesignLeft() const { return FDesignLeft; }
  std::int32_t DesignTop() const { return FDesignTop; }
  void SetDesignPosition(std::int32_t Left, std::int32_t Top);

  // Owner's side of ownership. Inserting takes the component from its previous owner; one
  // whose name is already used here is refused (EComponentError "A component named %s
  // already exists") and stays where it was.
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Frees every owned component, the last created first.
  void DestroyComponents();
  // Enters csDestroying, here and in every owned component.
  void Destroying();

  // Asks to be told (Notification with opRemove) when AComponent, owned elsewhere, goes away;
  // the request is mutual.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Reading from a component stream: the reader marks the component loading and reading,
  // lets it read its state (properties, then children), and calls AfterLoading once the whole
  // stream has been read. AfterLoading leaves csLoading.
  void Loading();
  void SetReading(bool Value);
  virtual void ReadState(TReader& Reader);
  virtual void AfterLoading();
  // Moves Child, read from a stream with a stored position, to that place among this
  // component's children. The default keeps no order.
  virtual void SetChildOrder(TComponent* Child, int Order);
  // Design mode, here and in the owned components.
  void SetDesigning(bool Value, bool SetChildren = true);

  void DefineStoredProperties(TFiler& Filer) override;

  // Told when a component is inserted into or removed from this component's owner tree or
  // from a component that it asked to be told about. The default passes the news on to the
  // owned components.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

 protected:
  void BeforeDestruction() override;
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                              const std::string& NewName);
  void SetComponentStateFlag(TComponentStateItem Item, bool Value);

 private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  // Binds (or unbinds) the owner's published field named after this component.
  void SetReference(bool Enable);
  void RemoveFreeNotifications();

  void ReadLeft(TReader& Reader);
  void ReadTop(TReader& Reader);
  void WriteLeft(TWriter& Writer);
  void WriteTop(TWriter& Writer);

  TComponent* FOwner = nullptr;
  std::string FName;
  std::int32_t FTag = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  std::int32_t FDesignLeft = 0;
  std::int32_t FDesignTop = 0;
};
