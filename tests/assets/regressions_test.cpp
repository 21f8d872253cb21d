// Every input that ever failed the stream fuzzer, fed to the reader again: each ends in one of
// the system's own errors or a built form, and leaves nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/assets/stream_feed.h"
#include "tests/support/headless_machine.h"
#include "toolkit/streams.h"

namespace {

class StreamRegressions : public HeadlessTest {};

TEST_F(StreamRegressions, EveryKeptInputEndsInAnErrorOrAForm) {
  int fed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(MARVOSK_STREAM_REGRESSIONS)) {
    if (!entry.is_regular_file() || entry.path().filename().string().starts_with('.')) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int components = app->ComponentCount();
    const int live = LiveSampleComponents();
    EXPECT_NO_THROW(FeedComponentStream(bytes.data(), bytes.size())) << entry.path().filename();
    EXPECT_EQ(app->ComponentCount(), components) << entry.path().filename();
    EXPECT_EQ(LiveSampleComponents(), live) << entry.path().filename();
    ++fed;
  }
  RecordProperty("inputs", fed);
}

// The fuzzer's own seed shapes, built here too, so that the feeding itself is known to work.
TEST_F(StreamRegressions, AWellFormedStreamBuildsTheForm) {
  TOwnedPtr<TFeedForm> form(TCustomForm::CreateNew<TFeedForm>(app.get()));
  form->SetName("Feed");
  Construct<TSampleWidget>(form.get())->SetName("First");
  form->First->SetCount(3);
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->WriteComponent(form.get());
  const Bytes bytes = ContentOf(*stream);
  EXPECT_TRUE(FeedComponentStream(bytes.data(), bytes.size()));
  stream->Clear();
  stream->WriteComponentRes("FEED", form.get());
  const Bytes resource = ContentOf(*stream);
  EXPECT_TRUE(FeedComponentStream(resource.data(), resource.size()));
  EXPECT_FALSE(FeedComponentStream(resource.data(), resource.size() - 1));
}

// The game's own main window goes all the way: built, its pictures drawn and a frame presented,
// its sounds played into the machine's audio.
TEST_F(StreamRegressions, TheGamesStoredWindowIsBuiltDrawnAndPlayed) {
  bool found = false;
  const auto stored = FindResourceData("TMAINFORM", RT_RCDATA, found);
  ASSERT_TRUE(found);
  const std::size_t frames = machine->PresentedFrames();
  const std::uint64_t played = machine->AudioFramesPlayed();
  const int components = app->ComponentCount();
  EXPECT_TRUE(FeedComponentStream(stored.data(), stored.size()));
  EXPECT_GT(machine->PresentedFrames(), frames);
  EXPECT_GT(machine->AudioFramesPlayed(), played);
  EXPECT_EQ(app->ComponentCount(), components);
}

}  // namespace
