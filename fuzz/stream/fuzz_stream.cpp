// Any bytes handed to the component-stream reader end in one of the system's own errors or in
// a built form, which is then shown, its pictures restored into surfaces and drawn, its sounds
// made into sound buffers and played: never a crash, a hang, a leak or a read outside the bytes.
#include <cstddef>
#include <cstdint>

#include "platform/backend/headless/headless.h"
#include "tests/assets/stream_feed.h"
#include "toolkit/application.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::headless::Install();
  new TApplication();  // lives as long as the fuzzer
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FeedComponentStream(data, size);
  return 0;
}
