// Display modes: the sorted list the adapter offers, and every way the search for a mode to
// set can go when the exact mode asked for is missing.
#include "display/dxdrawdisplay.h"

#include <gtest/gtest.h>

#include "tests/display/dxdraw_fixture.h"

namespace {

using Mode = platform::ScreenMode;

class DisplayModes : public DeviceTest {
 protected:
  // Starts the device in window mode on a machine offering `modes`, with the search rules.
  TDXDrawDisplay* Offer(std::vector<Mode> modes, bool fixedBitCount, bool fixedRatio,
                        bool fixedSize) {
    machine->SetScreenModes(std::move(modes));
    form->Show();
    TDXDrawDisplay* d = dx->Display();
    d->SetFixedBitCount(fixedBitCount);
    d->SetFixedRatio(fixedRatio);
    d->SetFixedSize(fixedSize);
    return d;
  }
  static ddraw::DisplayMode Now() { return ddraw::CurrentDisplayMode(); }
};

TEST_F(DisplayModes, TheExactModeIsSetWhenOffered) {
  TDXDrawDisplay* d = Offer({{1024, 768, 16}, {640, 480, 16}, {800, 600, 16}}, true, true, false);
  EXPECT_TRUE(d->ChangeDisplayMode(640, 480, 16));
  EXPECT_EQ(Now(), (ddraw::DisplayMode{640, 480, 16}));
}

TEST_F(DisplayModes, TheSmallestLargerModeOfTheSameRatioComesFirst) {
  // 720 x 480 is smaller than 800 x 600 but not 4:3.
  TDXDrawDisplay* d =
      Offer({{1024, 768, 16}, {720, 480, 16}, {800, 600, 16}, {1280, 1024, 16}}, true, true, false);
  EXPECT_TRUE(d->ChangeDisplayMode(640, 480, 16));
  EXPECT_EQ(Now(), (ddraw::DisplayMode{800, 600, 16}));
  EXPECT_EQ(d->Width(), 800);
  EXPECT_EQ(d->Height(), 600);
  EXPECT_EQ(d->BitCount(), 16);
}

TEST_F(DisplayModes, WithoutTheSameRatioTheSmallestLargerModeIsTaken) {
  TDXDrawDisplay* d =
      Offer({{1024, 768, 16}, {720, 480, 16}, {1280, 1024, 16}}, true, false, false);
  EXPECT_TRUE(d->ChangeDisplayMode(640, 480, 16));
  EXPECT_EQ(Now(), (ddraw::DisplayMode{720, 480, 16}));
  // With the same ratio asked for but none offered, any ratio will do.
  d->SetFixedRatio(true);
  d->ClearModes();
  machine->SetScreenModes({{1280, 1024, 16}, {720, 480, 16}});
  EXPECT_TRUE(d->ChangeDisplayMode(640, 480, 16));
  EXPECT_EQ(Now(), (ddraw::DisplayMode{720, 480, 16}));
}

TEST_F(DisplayModes, AFixedBitCountWithoutSuchAModeFindsNothing) {
  const ddraw::DisplayMode before = ddraw::CurrentDisplayMode();
  TDXDrawDisplay* d = Offer({{640, 480, 32}, {800, 600, 32}, {640, 480, 8}}, true, true, false);
  EXPECT_FALSE(d->ChangeDisplayMode(640, 480, 16));
  EXPECT_EQ(Now(), before);
  EXPECT_EQ(d->Width(), 640);
  EXPECT_EQ(d->BitCount(), 16);
}

TEST_F(DisplayModes, FewerBitsThanAskedAreRefusedBelowNine) {
  TDXDrawDisplay* d = Offer({{640, 480, 8}, {640, 480, 32}}, false, true, true);
  EXPECT_TRUE(d->ChangeDisplayMode(640, 480, 16));
  EXPECT_EQ(Now(), (ddraw::DisplayMode{640, 480, 32}));
}

TEST_F(DisplayModes, AboveEightBitsTheLaterModeOfTheSameSizeWins) {
  TDXDrawDisplay* d = Offer({{640, 480, 32}, {640, 480, 24}}, false, true, true);
  EXPECT_TRUE(d->ChangeDisplayMode(640, 480, 16));
  EXPECT_EQ(Now(), (ddraw::DisplayMode{640, 480, 32}));
}

TEST_F(DisplayModes, TheBitCountAskedForIsPreferredAtTheSizeFound) {
  TDXDrawDisplay* d = Offer({{800, 600, 32}, {800, 600, 24}, {1024, 768, 24}}, false, true, false);
  EXPECT_TRUE(d->ChangeDisplayMode(640, 480, 24));
  EXPECT_EQ(Now(), (ddraw::DisplayMode{800, 600, 24}));
  EXPECT_EQ(d->BitCount(), 24);
}

TEST_F(DisplayModes, AFixedSizeTakesOnlyThatSize) {
  TDXDrawDisplay* d = Offer({{800, 600, 16}, {1024, 768, 16}}, true, true, true);
  EXPECT_FALSE(d->ChangeDisplayMode(640, 480, 16));
  machine->SetScreenModes({{800, 600, 16}, {640, 480, 32}});
  d->ClearModes();
  d->SetFixedBitCount(false);
  EXPECT_TRUE(d->ChangeDisplayMode(640, 480, 16));
  EXPECT_EQ(Now(), (ddraw::DisplayMode{640, 480, 32}));
}

TEST_F(DisplayModes, ImpossibleRequestsAnswerFalseWithoutAskingThePlatform) {
  TDXDrawDisplay* d = Offer({{640, 480, 16}}, false, false, false);
  constexpr HRESULT kUntouched = 12345;
  for (auto [w, h, bits] : {std::tuple{0, 480, 16}, {640, 0, 16}, {-1, 480, 16}, {640, 480, 15}}) {
    dx->DDraw()->SetDXResult(kUntouched);
    EXPECT_FALSE(d->ChangeDisplayMode(w, h, bits));
    EXPECT_EQ(dx->DDraw()->DXResult(), kUntouched);
  }
}

TEST_F(DisplayModes, SettingsAreCheckedAndCopied) {
  TDXDrawDisplay* d = dx->Display();
  try {
    d->SetBitCount(15);
    FAIL() << "no error";
  } catch (const EDirectDrawError& e) {
    EXPECT_STREQ(e.what(), "Display requires 8, 16, 24 or 32 bits");
  }
  EXPECT_EQ(d->BitCount(), 16);
  d->SetWidth(-5);
  EXPECT_EQ(d->Width(), 0);

  TOwnedPtr<TDXDrawDisplay> other(Construct<TDXDrawDisplay>(nullptr));
  other->SetWidth(800);
  other->SetHeight(600);
  other->SetBitCount(32);
  other->SetFixedBitCount(true);
  other->SetFixedRatio(false);
  other->SetFixedSize(false);
  dx->SetDisplay(other.get());
  EXPECT_EQ(d->Width(), 800);
  EXPECT_EQ(d->Height(), 600);
  EXPECT_EQ(d->BitCount(), 32);
  EXPECT_TRUE(d->FixedBitCount());
  EXPECT_FALSE(d->FixedRatio());
  EXPECT_FALSE(d->FixedSize());
  d->Assign(d);
  EXPECT_EQ(d->Width(), 800);
  EXPECT_THROW(d->Assign(dx->Surface()), EConvertError);
}

TEST_F(DisplayModes, TheListIsSortedAndReadAfreshAfterEveryStop) {
  machine->SetScreenModes({{1024, 768, 16}, {640, 480, 32}, {640, 400, 8}, {640, 480, 8}});
  TDXDrawDisplay* d = dx->Display();
  // Stopped: the modes come from a DirectDraw object made for the purpose.
  ASSERT_EQ(d->Count(), 4);
  const int expected[][3] = {{640, 400, 8}, {640, 480, 8}, {640, 480, 32}, {1024, 768, 16}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(d->Modes(i)->Width(), expected[i][0]);
    EXPECT_EQ(d->Modes(i)->Height(), expected[i][1]);
    EXPECT_EQ(d->Modes(i)->BitCount(), expected[i][2]);
    EXPECT_EQ(d->Modes(i)->Index(), i);
  }
  EXPECT_EQ(d->IndexOf(640, 480, 32), 2);
  EXPECT_EQ(d->IndexOf(640, 480, 16), -1);
  try {
    d->Mode();
    FAIL() << "no error";
  } catch (const EDirectDrawError& e) {
    EXPECT_STREQ(e.what(), "Display mode cannot be acquired");
  }

  form->Show();
  ASSERT_TRUE(d->ChangeDisplayMode(640, 480, 8));
  EXPECT_EQ(d->Mode()->Index(), 1);
  machine->SetScreenModes({{800, 600, 16}});
  EXPECT_EQ(d->Count(), 4);  // kept while running
  dx->Finalize();
  EXPECT_EQ(d->Count(), 1);
}

TEST_F(DisplayModes, TheCurrentModeMissingFromTheListCannotBeAcquired) {
  form->Show();  // the desktop's mode is not among the standard list's offers here
  machine->SetScreenModes({{320, 200, 8}});
  dx->Display()->ClearModes();
  EXPECT_THROW(dx->Display()->Mode(), EDirectDrawError);
}

}  // namespace
