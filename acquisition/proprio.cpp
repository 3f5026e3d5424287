// A teacher's own experiment; see proprio.h.
#include "acquisition/proprio.h"

#include <algorithm>
#include <cmath>

#include "acquisition/libero.h"
#include "link/letture.h"
#include "platform/dialoghi.h"
#include "schemes/cp1252.h"
#include "schemes/sca.h"
#include "schemes/schema.h"

namespace lumetto::acquisition {

namespace {

// The calibrations of the run going on: they belong to the file, not to the
// columns the rest of the program reads.
std::vector<ColonnaEsperimento> tarature;

}  // namespace

bool avviamio(const MioEsperimento& e, const std::string& file) {
    if (e.modo == ModoEsperimento::Libero) {
        tarature.clear();
        return avvialibero(static_cast<uint32_t>(e.baud), &e, file);
    }
    fermaacquisizione();
    auto& s = schemes::schemacorrente();
    const std::filesystem::path schema = fileschema(e, file);
    if (!schema.empty()) {
        try {
            schemes::caricaschema(schema.string());
        } catch (const schemes::ErroreFile& err) {
            platform::dialoghi().errore(err.what());
            return false;
        }
    }
    // The frame is six characters a column, as the board sends it; the
    // scheme's header holds the names cut to that, the run the whole ones.
    stato.colonne = colonnedi(e);
    intestaschema(stato.colonne);
    tarature = e.colonne;
    stato.codiceesperimento = kCodiceMio;
    stato.letterapropria = e.lettera;
    stato.lunghezzatestata = static_cast<uint16_t>(s.testata.size());
    stato.numerocolonne = static_cast<uint16_t>(e.colonne.size());
    stato.scheda = {};
    stato.fileschema = schema.string();
    stato.fileesperimento = file;
    stato.nomeesperimento = e.nome;
    stato.sovrapposizione = !schema.empty();
    Vista& v = vistaattuale();
    v.svuotaPannelli();
    if (stato.sovrapposizione) {
        if (!v.preparaSchema()) return false;
    } else {
        v.mostraPannelli();
    }
    v.aggiungiTestata(testatapropria(stato.colonne));
    avviaacquisizione();
    link::numerolettura = 0;
    // Tenths of a second: the built-in experiments' whole seconds are too
    // coarse for a teacher's sensor.
    v.impostaTimer(true, e.decimi * 100);
    return true;
}

std::vector<Colonna> colonnedi(const MioEsperimento& e) {
    std::vector<Colonna> colonne;
    for (const ColonnaEsperimento& c : e.colonne)
        colonne.push_back({c.nome, c.unita, c.decimali, '1'});
    return colonne;
}

void calibra(int r) {
    if (r < 1 || r > link::kMaxLetture) return;
    auto& riga = link::tabellaletture[static_cast<std::size_t>(r)];
    const std::size_t n = std::min<std::size_t>(tarature.size(), link::kColonne);
    for (std::size_t j = 0; j < n; ++j)
        if (!std::isnan(riga[j + 1])) riga[j + 1] = tarature[j].valore(riga[j + 1]);
}

}  // namespace lumetto::acquisition
