#pragma once
// Writing a whole file so that it is either all there or not there at all.

#include <string>
#include <string_view>

namespace lumetto::xls {

// Writes the bytes to a temporary file in the same folder, flushes it to the
// disk and renames it over the path. On any failure the temporary file is
// removed, an existing file at the path is left as it was, and Errore tells
// which file and the system's reason.
void scrivisostituendo(const std::string& percorso, std::string_view dati);

}  // namespace lumetto::xls
