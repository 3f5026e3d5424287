#include "xls/salvataggio.h"

#include <system_error>

#include "platform/salvataggio.h"
#include "xls/errore.h"

namespace lumetto::xls {

void scrivisostituendo(const std::string& percorso, std::string_view dati) {
    if (percorso.empty()) throw Errore("Impossibile salvare il file: nessun nome");
    try {
        platform::salvasicuro(percorso, dati);
    } catch (const platform::ErroreSalvataggio& e) {
        throw Errore("Impossibile salvare il file \"" + percorso +
                     "\": " + std::generic_category().message(e.errore));
    }
}

}  // namespace lumetto::xls
