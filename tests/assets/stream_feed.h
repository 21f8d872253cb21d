// Hands any bytes to the component-stream reader the way a form's stored description is read,
// for the fuzzer and for the test that replays every input that ever failed it. The bytes are
// a stream beginning with "TPF0", or, when they begin otherwise, a component resource.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tests/assets/sample_classes.h"
#include "timing_input/dxinput.h"
#include "toolkit/forms.h"
#include "toolkit/timer.h"

// A form root whose fields and methods the sample components, timers and input components of
// a stream can bind to.
class TFeedForm : public TForm {
  DECLARE_CLASSINFO(TFeedForm);
  explicit TFeedForm(TComponent* AOwner) : TForm(AOwner) {}
  TSampleWidget* First = nullptr;
  TSampleWidget* Second = nullptr;
  TDXInput* DXInput = nullptr;
  TTimer* Timer1 = nullptr;
  void Ping(TObject*) {}
  void Pong(TObject*) {}
  void Tick(TObject*, std::int32_t) {}
  void Key(TObject*, std::uint16_t&, TShiftState) {}
};

// Reads the bytes into a new TFeedForm owned by the application and frees it again. Answers
// true when the form was built, false when the reading failed with one of the system's own
// exceptions; anything else passes on.
bool FeedComponentStream(const std::uint8_t* Data, std::size_t Size);
