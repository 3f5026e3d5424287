#include "platform/guida.h"

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace lumetto::platform {

fs::path cartellaguida() {
    if (const char* d = std::getenv("LUMETTO_GUIDA"); d && *d) return fs::path(d);
    std::error_code ec;
    // <prefix>/bin/lumetto and <prefix>/share/doc/lumetto/guida, as a Debian
    // package and `cmake --install` lay them out.
    const fs::path eseguibile = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path accanto =
            eseguibile.parent_path().parent_path() / "share" / "doc" / "lumetto" / "guida";
        if (fs::is_directory(accanto, ec)) return accanto;
    }
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
