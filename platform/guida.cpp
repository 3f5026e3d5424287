#include "platform/guida.h"

#include "platform/unita.h"

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace lumetto::platform {

fs::path cartellaguida() {
    if (const char* d = std::getenv("LUMETTO_GUIDA"); d && *d) return fs::path(d);
    if (auto accanto = accantoalprogramma(fs::path("doc") / "lumetto" / "guida")) return *accanto;
    std::error_code ec;
#ifdef LUMETTO_GUIDA_COSTRUITA
    if (fs::is_directory(LUMETTO_GUIDA_COSTRUITA, ec)) return fs::path(LUMETTO_GUIDA_COSTRUITA);
#endif
#ifdef LUMETTO_GUIDA_INSTALLATA
    return fs::path(LUMETTO_GUIDA_INSTALLATA);
#else
    return fs::path("/usr/share/doc/lumetto/guida");
#endif
}

PaginaGuida paginaguida(const std::string& pagina) {
    const auto cancelletto = pagina.find('#');
    if (cancelletto == std::string::npos) return {cartellaguida() / pagina, {}};
    return {cartellaguida() / pagina.substr(0, cancelletto), pagina.substr(cancelletto + 1)};
}

}  // namespace lumetto::platform
