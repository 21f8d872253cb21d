// Hands any bytes to the component-stream reader the way a form's stored description is read,
// for the fuzzer and for the test that replays every input that ever failed it. The bytes are
// a stream beginning with "TPF0", or, when they begin otherwise, a component resource. A form
// that was built is then used as the game uses its own: shown, so that its display device
// restores every picture into surfaces and its sound device makes a buffer of every wave; every
// picture drawn and the frame presented; every wave played and mixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tests/assets/sample_classes.h"
#include "timing_input/dxinput.h"
#include "toolkit/forms.h"
#include "toolkit/timer.h"

class TDXDraw;
class TDXImageList;
class TDXTimer;
class TDXSound;
class TDXWaveList;

// A form root whose fields and methods the sample components, timers and input components of
// a stream can bind to, and those of the game's main window (its components and the names of
// its handlers), so that its stored description reads here too.
class TFeedForm : public TForm {
  DECLARE_CLASSINFO(TFeedForm);
  explicit TFeedForm(TComponent* AOwner) : TForm(AOwner) {}
  TSampleWidget* First = nullptr;
  TSampleWidget* Second = nullptr;
  TDXInput* DXInput = nullptr;
  TTimer* Timer1 = nullptr;
  TDXDraw* DXDraw = nullptr;
  TDXImageList* ImageList = nullptr;
  TDXTimer* DXTimer = nullptr;
  TDXSound* DXSound1 = nullptr;
  TDXWaveList* DXWaveList1 = nullptr;
  void Ping(TObject*) {}
  void Pong(TObject*) {}
  void Tick(TObject*, std::int32_t) {}
  void Key(TObject*, std::uint16_t&, TShiftState) {}
  void PressAt(TObject*, TMouseButton, TShiftState, std::int32_t, std::int32_t) {}
  void MoveTo(TObject*, TShiftState, std::int32_t, std::int32_t) {}
};

// Reads the bytes into a new TFeedForm owned by the application, uses the form when it was
// built, and frees it again. Answers true when the form was built, false when the reading
// failed with one of the system's own exceptions; anything else passes on, as does any
// exception but the system's own while the form is used. Needs the headless machine; starts
// the drawing service afresh.
bool FeedComponentStream(const std::uint8_t* Data, std::size_t Size);
