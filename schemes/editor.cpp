#include "schemes/editor.h"

#include <algorithm>

#include "schemes/cp1252.h"
#include "schemes/maschere.h"
#include "schemes/numeri.h"
#include "schemes/sca.h"

namespace lumetto::schemes {

namespace {

// Lead byte, then the allowed range of the byte after it: no overlong forms,
// no surrogates, nothing above U+10FFFF.
bool utf8valido(std::string_view t) {
    std::size_t i = 0;
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(t[k]); };
    while (i < t.size()) {
        const unsigned char lead = b(i++);
        if (lead < 0x80) continue;
        int seguono;
        unsigned char basso = 0x80, alto = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            seguono = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            seguono = 2;
            if (lead == 0xE0) basso = 0xA0;
            if (lead == 0xED) alto = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            seguono = 3;
            if (lead == 0xF0) basso = 0x90;
            if (lead == 0xF4) alto = 0x8F;
        } else {
            return false;
        }
        for (int k = 0; k < seguono; ++k, ++i) {
            if (i >= t.size() || b(i) < basso || b(i) > alto) return false;
            basso = 0x80, alto = 0xBF;
        }
    }
    return true;
}

std::string numero(int n) {
    return allinea(std::to_string(n), 2);
}

}  // namespace

std::vector<std::string> esamedati(Schema& s) {
    dividitestata(s);
    // The descriptions are worked out on a copy: the report only reads.
    Schema c = s;
    for (int i = c.numvariabili + 1; i <= kMaxVariabili; ++i)
        c.impostanome(i, "---");

    std::vector<std::string> r;
    r.emplace_back("       Esame dati introdotti");
    r.emplace_back("variabili");
    const int tipi = static_cast<int>(std::min<std::size_t>(c.mascheratipo.size(), kMaxVariabili));
    for (int i = 1; i <= tipi; ++i) {
        std::string riga = "variabile=" + numero(i) + " " + c.nomevariabile(i) + "  ";
        riga.append(parolatipo(carattere(c.mascheratipo, i)));
        riga.append(" colore= ").append(parolacolore(carattere(c.mascheracolori, i)));
        riga.append(" dimensione font ")
            .append(paroladimensione(carattere(c.mascheradimensioni, i)));
        r.push_back(std::move(riga));
    }
    r.emplace_back("condizioni logiche");
    // Only the description is wanted: the value compared is of no account.
    for (int v = 1; v <= kCondizioni; ++v) {
        c.descrizionecondizione.clear();
        valutacondizioni(c, v, 0);
        if (c.descrizionecondizione.empty()) continue;
        r.push_back("variabile=" + numero(v) + " " + c.nomevariabile(v) + "  variabile " +
                    c.descrizionecondizione.str());
    }
    return r;
}

std::vector<std::string> righecondizioni(const Schema& s) {
    std::vector<std::string> r;
    for (int k = 1; k <= kCondizioni; ++k)
        if (!s.condizione(k).empty()) r.push_back(s.condizione(k).str());
    return r;
}

std::vector<std::string> tuttelecondizioni(const Schema& s) {
    std::vector<std::string> r;
    for (int k = 1; k <= kCondizioni; ++k)
        r.push_back(s.condizione(k).str());
    return r;
}

void copiacondizioni(Schema& s, const std::vector<std::string>& righe) {
    for (int k = 1; k <= kCondizioni; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        s.condizione(k) = i < righe.size() ? std::string_view(righe[i]) : std::string_view();
    }
}

std::string nomesca(std::string_view scelto) {
    std::string r(scelto);
    if (!r.ends_with(".sca")) r += ".sca";
    return r;
}

std::optional<std::string> controllosalvataggio(const Schema& s) {
    if (s.testata.size() <= kMaxCaratteriTestata) return std::nullopt;
    return "La testata ha più di " + std::to_string(kMaxVariabili) + " variabili (" +
           std::to_string(s.testata.size()) + " caratteri, al massimo " +
           std::to_string(kMaxCaratteriTestata) + "): accorciala e salva di nuovo.";
}

std::string testopercorso(std::string_view immagine) {
    if (utf8valido(immagine)) return std::string(immagine);
    return utf8dacp1252(immagine);
}

}  // namespace lumetto::schemes
