#pragma once
// Where the teacher's guide is, installed or in a build tree, so that F1 in
// any window finds it wherever the program runs from.

#include <filesystem>
#include <string>

namespace lumetto::platform {

// The guide's folder: $LUMETTO_GUIDA when set, else share/doc/lumetto/guida
// beside the running program's bin folder (an installed program, whatever its
// prefix), else the build tree's docs/guida while it exists (a run from the
// build tree), else the folder of the configured prefix.
std::filesystem::path cartellaguida();

// A page of the guide, "grafico.html#corse", split into its file in that
// folder and its anchor ("corse"; empty when the page has none).
struct PaginaGuida {
    std::filesystem::path file;
    std::string sezione;
};
PaginaGuida paginaguida(const std::string& pagina);

}  // namespace lumetto::platform
