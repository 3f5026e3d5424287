#pragma once
// Writing a whole file so that it is either all there or not there at all,
// for every file the program writes (schemes, workbooks, plot pictures).

#include <stdexcept>
#include <string>
#include <string_view>

namespace lumetto::platform {

// A save that failed: what could not be done, and the system's reason
// (errno), for the caller to tell in its own words.
class ErroreSalvataggio : public std::runtime_error {
  public:
    enum class Fase { Creare, Scrivere };
    ErroreSalvataggio(Fase f, int e);
    Fase fase;
    int errore;
};

// Writes `dati` to a temporary file in the folder of `percorso`, flushes and
// syncs it, renames it over the old file and syncs the folder. A symbolic
// link is written through to the file it names (renaming over the link
// would replace the link); an existing file keeps its permissions, and one
// the user may not write stays as it is, as if written in place. On any
// failure the temporary file is gone and an existing file is as it was.
void salvasicuro(const std::string& percorso, std::string_view dati);

}  // namespace lumetto::platform
