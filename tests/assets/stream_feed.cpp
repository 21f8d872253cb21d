#include "tests/assets/stream_feed.h"

#include "toolkit/application.h"
#include "toolkit/sysutils.h"

namespace {
const TFieldInfo kFeedFields[] = {
    Field<&TFeedForm::First>("First"),
    Field<&TFeedForm::Second>("Second"),
    Field<&TFeedForm::DXInput>("DXInput"),
    Field<&TFeedForm::Timer1>("Timer1"),
};
const TMethodInfo kFeedMethods[] = {
    PublishedMethod<&TFeedForm::Ping>("Ping"),
    PublishedMethod<&TFeedForm::Pong>("Pong"),
    PublishedMethod<&TFeedForm::Tick>("Tick"),
    PublishedMethod<&TFeedForm::Key>("Key"),
};

// A read-only stream over the bytes, as over a stored resource.
class TBytes : public TCustomMemoryStream {
 public:
  TBytes(const std::uint8_t* Data, std::size_t Size) {
    SetPointer(Data, static_cast<std::int64_t>(Size));
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
};
}  // namespace

IMPLEMENT_CLASS(TFeedForm, TForm, .Fields = kFeedFields, .Methods = kFeedMethods)

bool FeedComponentStream(const std::uint8_t* Data, std::size_t Size) {
  SampleLog().clear();  // the sample components' record of one reading only
  TOwnedPtr<TFeedForm> form(TCustomForm::CreateNew<TFeedForm>(Application));
  TBytes stream(Data, Size);
  try {
    if (Size > 0 && Data[0] != 'T')
      stream.ReadComponentRes(form.get());
    else
      stream.ReadComponent(form.get());
  } catch (const Exception&) {
    return false;
  }
  return true;
}
