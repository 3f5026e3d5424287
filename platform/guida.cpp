#include "platform/guida.h"

#include "platform/unita.h"

namespace fs = std::filesystem;

namespace lumetto::platform {

// The build defines where pandoc makes the guide and where it is installed.
#ifndef LUMETTO_GUIDA_COSTRUITA
#define LUMETTO_GUIDA_COSTRUITA ""
#endif
#ifndef LUMETTO_GUIDA_INSTALLATA
#define LUMETTO_GUIDA_INSTALLATA "/usr/share/doc/lumetto/guida"
#endif

fs::path cartellaguida() {
    return cartellaprogramma("LUMETTO_GUIDA", fs::path("doc") / "lumetto" / "guida",
                             LUMETTO_GUIDA_COSTRUITA, LUMETTO_GUIDA_INSTALLATA);
}

PaginaGuida paginaguida(const std::string& pagina) {
    const auto cancelletto = pagina.find('#');
    if (cancelletto == std::string::npos) return {cartellaguida() / pagina, {}};
    return {cartellaguida() / pagina.substr(0, cancelletto), pagina.substr(cancelletto + 1)};
}

}  // namespace lumetto::platform
