// The CSV text of a run: numbers in their shortest exact form, whatever the
// locale, so that a value read back is the value stored.

#include "archive/csv.h"

#include <charconv>
#include <cmath>

namespace lumetto::archivio {

namespace {

void numero(std::string& riga, double v) {
    if (!std::isfinite(v)) return;  // a missing value is an empty field
    char testo[32];
    auto [fine, ec] = std::to_chars(testo, testo + sizeof testo, v);
    if (ec == std::errc()) riga.append(testo, fine);
}

}  // namespace

std::string campocsv(const std::string& testo) {
    if (testo.find_first_of(",\"\r\n") == std::string::npos) return testo;
    std::string q = "\"";
    for (char c : testo) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + '"';
}

std::string testocsv(const std::vector<ColonnaCsv>& colonne, const std::vector<Lettura>& letture) {
    std::string t = "lettura,secondi";
    for (const ColonnaCsv& c : colonne)
        t += "," + campocsv(titolocolonna(c.nome, c.unita));
    t += "\r\n";
    for (const Lettura& l : letture) {
        t += std::to_string(l.numero);
        t += ',';
        numero(t, static_cast<double>(l.ms) / 1000.0);
        for (const ColonnaCsv& c : colonne) {
            t += ',';
            if (c.indice >= 1 && c.indice <= kColonne)
                numero(t, l.valori[static_cast<size_t>(c.indice - 1)]);
        }
        t += "\r\n";
    }
    return t;
}

}  // namespace lumetto::archivio
