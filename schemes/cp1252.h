#pragma once
// The scheme texts are Windows-1252 bytes, as the .sca files written on the
// original platform hold them; the windows work in UTF-8.

#include <string>
#include <string_view>

namespace lumetto::schemes {

// Every byte becomes one character. The five bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same number, as Windows itself maps them, so nothing is lost.
std::string utf8dacp1252(std::string_view cp1252);

// Every character becomes one byte; a character that Windows-1252 cannot hold,
// and each malformed UTF-8 sequence, becomes '?'.
std::string cp1252dautf8(std::string_view utf8);

}  // namespace lumetto::schemes
