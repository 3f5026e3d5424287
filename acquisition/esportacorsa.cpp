// The files of an archived run; see esportacorsa.h.

#include "acquisition/esportacorsa.h"

#include <cmath>
#include <vector>

#include "acquisition/foglio.h"
#include "archive/csv.h"
#include "platform/salvataggio.h"
#include "xls/biff8.h"
#include "xls/composto.h"
#include "xls/salvataggio.h"

namespace lumetto::acquisition {

void salvacsv(const std::string& file, const CorsaArchiviata& corsa) {
    std::vector<archivio::ColonnaCsv> colonne;
    for (const ColonnaGrafico& c : corsa.colonne())
        colonne.push_back({c.indice, c.nome, c.unita});
    try {
        platform::salvasicuro(file, archivio::testocsv(colonne, corsa.tutte()));
    } catch (const platform::ErroreSalvataggio& e) {
        throw ErroreEsportazione("Impossibile salvare la corsa in " + file + ": " + e.what());
    }
}

void salvaxls(const std::string& file, const CorsaArchiviata& corsa) {
    xls::Celle celle;
    const auto colonne = corsa.colonne();
    celle[{0, 0}] = u"lettura";
    celle[{0, 1}] = u"secondi";
    for (uint32_t j = 0; j < colonne.size(); ++j)
        celle[{0, j + 2}] = utf16(titolocolonna(colonne[j]));
    uint32_t riga = 1;
    for (const archivio::Lettura& l : corsa.tutte()) {
        celle[{riga, 0}] = static_cast<double>(l.numero);
        celle[{riga, 1}] = static_cast<double>(l.ms) / 1000.0;
        for (uint32_t j = 0; j < colonne.size(); ++j) {
            const double v = l.valori[static_cast<size_t>(colonne[j].indice - 1)];
            if (std::isfinite(v)) celle[{riga, j + 2}] = v;  // a missing value is an empty cell
        }
        ++riga;
    }
    try {
        xls::scrivisostituendo(file, xls::filecomposto(xls::flussobiff8(u"corsa", celle)));
    } catch (const std::exception& e) {
        throw ErroreEsportazione("Impossibile salvare la corsa in " + file + ": " + e.what());
    }
}

}  // namespace lumetto::acquisition
