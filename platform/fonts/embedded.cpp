// Font files carried inside the program, for a build without fontconfig (the browser): Comic Neue
// in its four styles, the files fontconfig gives on a Linux desktop for the family the game's
// text asks for, "Comic Sans MS" (platform/CMakeLists.txt embeds what fc-match names). Every
// family is answered with them: a family the finder does not know gets its best match, as
// fontconfig's would.
#include <cstdint>

#include "platform/fonts/fonts.h"

extern "C" const std::uint8_t marvosk_font_regular_begin[], marvosk_font_regular_end[];
extern "C" const std::uint8_t marvosk_font_bold_begin[], marvosk_font_bold_end[];
extern "C" const std::uint8_t marvosk_font_italic_begin[], marvosk_font_italic_end[];
extern "C" const std::uint8_t marvosk_font_bold_italic_begin[], marvosk_font_bold_italic_end[];

namespace platform {

namespace {

struct Embedded {
  const char* name;
  const std::uint8_t* begin;
  const std::uint8_t* end;
};

// By style: regular, bold, italic, bold italic.
const Embedded kFaces[] = {
    {MARVOSK_FONT_REGULAR_NAME, marvosk_font_regular_begin, marvosk_font_regular_end},
    {MARVOSK_FONT_BOLD_NAME, marvosk_font_bold_begin, marvosk_font_bold_end},
    {MARVOSK_FONT_ITALIC_NAME, marvosk_font_italic_begin, marvosk_font_italic_end},
    {MARVOSK_FONT_BOLD_ITALIC_NAME, marvosk_font_bold_italic_begin, marvosk_font_bold_italic_end},
};

}  // namespace

bool FindFont(const FontRequest& request, FontFile& file) {
  const Embedded& face = kFaces[(request.bold ? 1 : 0) + (request.italic ? 2 : 0)];
  file = FontFile{};
  file.name = face.name;
  file.data = face.begin;
  file.size = static_cast<std::size_t>(face.end - face.begin);
  return file.size > 0;
}

}  // namespace platform
