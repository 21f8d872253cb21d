// Font files from fontconfig: its best match for the family, weight and slant asked for, among
// scalable fonts.
#include <fontconfig/fontconfig.h>

#include "platform/fonts/fonts.h"

namespace platform {

bool FindFont(const FontRequest& request, FontFile& file) {
  FcConfig* config = FcConfigGetCurrent();
  if (!config) return false;
  FcPattern* pattern = FcPatternCreate();
  const std::string& family = request.family.empty() ? std::string("sans-serif") : request.family;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  bool found = false;
  if (match) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
      file = FontFile{};
      file.name = reinterpret_cast<const char*>(path);
      FcPatternGetInteger(match, FC_INDEX, 0, &file.index);
      found = true;
    }
    FcPatternDestroy(match);
  }
  return found;
}

}  // namespace platform
