#include "assets/text_encoding.h"

namespace {
constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 from 0x80 to 0x9F; the rest of the upper half is Latin-1.
constexpr char16_t kAnsiHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16LE(std::string& out, char16_t u) {
  out += static_cast<char>(u & 0xFF);
  out += static_cast<char>(u >> 8);
}

// The code point that starts at text[i], moving i past it.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t c = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07, least = 0x10000;
  } else {
    return kReplacement;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
      return kReplacement;
    c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  return c;
}
}  // namespace

std::string AnsiToUtf8(std::string_view Ansi) {
  std::string out;
  out.reserve(Ansi.size());
  for (char ch : Ansi) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80)
      out += ch;
    else if (b < 0xA0)
      AppendUtf8(out, kAnsiHigh[b - 0x80]);
    else
      AppendUtf8(out, b);
  }
  return out;
}

std::string Utf16LEToUtf8(const std::uint8_t* Bytes, std::size_t Count) {
  std::string out;
  out.reserve(Count);
  for (std::size_t i = 0; i < Count; ++i) {
    const char16_t u = static_cast<char16_t>(Bytes[2 * i] | (Bytes[2 * i + 1] << 8));
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < Count) {
      const char16_t low = static_cast<char16_t>(Bytes[2 * i + 2] | (Bytes[2 * i + 3] << 8));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
  }
  return out;
}

std::string Utf8ToUtf16LE(std::string_view Utf8) {
  std::string out;
  out.reserve(Utf8.size() * 2);
  for (std::size_t i = 0; i < Utf8.size();) {
    const char32_t c = NextCodePoint(Utf8, i);
    if (c >= 0x10000) {
      AppendUtf16LE(out, static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      AppendUtf16LE(out, static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      AppendUtf16LE(out, static_cast<char16_t>(c));
    }
  }
  return out;
}
