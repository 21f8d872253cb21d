// The picture reader on arbitrary bytes: as a stored picture value, as DIB data and as a file,
// with whatever picture comes out drawn onto pictures of the display's formats (from memory,
// run-length data and its device bitmap), walked pixel by pixel, written, compressed and
// expanded.
#include <cstddef>
#include <cstdint>

#include "tests/images/picture_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadPictureInput(data, size);
  return 0;
}
