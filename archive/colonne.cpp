// A run's columns named by its header, for runs kept before columns were
// and for benches that send none; plain C++, so the class's parser and its
// fuzz target use it without SQLite.

#include <algorithm>
#include <string>
#include <vector>

#include "archive/archivio.h"

namespace lumetto::archivio {

namespace {

// Where each character of a UTF-8 text starts, and its end last: a byte
// that starts no whole character counts as one.
std::vector<std::size_t> caratteri(std::string_view t) {
    std::vector<std::size_t> inizi;
    for (std::size_t i = 0; i < t.size();) {
        inizi.push_back(i);
        const auto c = static_cast<unsigned char>(t[i]);
        std::size_t n = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 1;
        if (i + n > t.size()) n = 1;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(t[i + k]) & 0xC0) != 0x80) {
                n = 1;
                break;
            }
        i += n;
    }
    inizi.push_back(t.size());
    return inizi;
}

}  // namespace

std::vector<ColonnaCorsa> colonnedatestata(std::string_view testata) {
    constexpr std::size_t kCampo = 6;
    const std::vector<std::size_t> inizi = caratteri(testata);
    const std::size_t lunghezza = inizi.size() - 1;  // in characters
    const std::size_t campi = std::min(lunghezza / kCampo, static_cast<std::size_t>(kColonne));
    std::vector<ColonnaCorsa> colonne;
    for (std::size_t i = 0; i < campi; ++i) {
        const std::size_t da = i * kCampo, a = da + kCampo;
        std::string_view campo = testata.substr(inizi[da], inizi[a] - inizi[da]);
        // The last whole field takes the name it starts in the characters
        // past it, which make no field of their own: "..Stat" then "o." is "Stato".
        if (campo.back() != '.' && a < lunghezza && lunghezza - a < kCampo) {
            const std::string_view coda = testata.substr(inizi[a]);
            campo = testata.substr(inizi[da],
                                   campo.size() + std::min(coda.find_first_of(". "), coda.size()));
        }
        std::string nome;
        for (char c : campo)
            if (c != '.') nome += c;
        const auto primo = nome.find_first_not_of(' ');
        nome = primo == std::string::npos
                   ? std::string()
                   : nome.substr(primo, nome.find_last_not_of(' ') - primo + 1);
        const std::string numero = std::to_string(i + 1);
        if (nome.empty()) nome = "C" + numero;
        // Two curves never share a name: a repeated one gets its column.
        const auto uguale = [&](const ColonnaCorsa& k) { return k.nome == nome; };
        if (std::any_of(colonne.begin(), colonne.end(), uguale)) nome += " (" + numero + ")";
        colonne.push_back({std::move(nome), {}, -1});
    }
    return colonne;
}

}  // namespace lumetto::archivio
