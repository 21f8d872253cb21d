// The text encodings of component streams, turned into the UTF-8 that the system's strings
// hold: the ANSI code page (Windows-1252) of short and long strings, and UTF-16LE of wide
// strings. Nothing here fails: a byte or unit without a character becomes U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined keep their value
// as a code point, as the platform's own conversion does.
std::string AnsiToUtf8(std::string_view Ansi);
// UTF-16LE code units (2 × Count bytes) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16LEToUtf8(const std::uint8_t* Bytes, std::size_t Count);
// UTF-8 as UTF-16LE bytes; a malformed sequence becomes U+FFFD.
std::string Utf8ToUtf16LE(std::string_view Utf8);
