#pragma once
// Writing a whole file so that it is either all there or not there at all.

#include <string>
#include <string_view>

namespace lumetto::xls {

// Saves the bytes as platform::salvasicuro does (all or nothing, through a
// link, keeping permissions); on failure Errore tells which file and the
// system's reason.
void scrivisostituendo(const std::string& percorso, std::string_view dati);

}  // namespace lumetto::xls
