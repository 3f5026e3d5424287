#pragma once
// The compound file that holds an Excel 97-2003 workbook: a small FAT file
// system in 512-byte sectors with one stream, "Workbook".

#include <string>
#include <string_view>

namespace lumetto::xls {

// The bytes of a compound file whose only stream is the given workbook
// stream. A stream under 4096 bytes is padded with zeros to 4096, so that it
// lives in ordinary sectors and the file needs no mini stream.
std::string filecomposto(std::string_view workbook);

}  // namespace lumetto::xls
