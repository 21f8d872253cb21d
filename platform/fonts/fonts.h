// Where the graphics interface finds its font files. Each build links one finder: fontconfig on
// a Linux desktop (fontconfig.cpp, also for the headless machine), and the fonts embedded
// in the program where there is no fontconfig (the browser).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

struct FontRequest {
  std::string family;  // empty: the usual sans-serif face
  bool bold = false;
  bool italic = false;
};

// A font file: a path on disk, or bytes held in memory for as long as the program runs.
struct FontFile {
  std::string name;  // the path, or a name for the embedded bytes (for messages and tests)
  int index = 0;     // the face within the file
  const std::uint8_t* data = nullptr;  // embedded bytes, else nullptr
  std::size_t size = 0;
};

// The file that best serves the request; a family the finder does not know gets its best match
// instead. False when there is no font at all.
bool FindFont(const FontRequest& request, FontFile& file);

}  // namespace platform
