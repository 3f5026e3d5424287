// Any bytes as a board's free stream, fed whole, a byte at a time and in
// uneven chunks: the three give the same results, nothing crashes, the pending
// line never holds more than a line's room, there are never more than 13
// columns, and every value is a number or missing, never infinite. The same
// bytes as one line, and as a listen for the baud.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/controlli.h"
#include "link/righe.h"

namespace lumetto::fuzz {

using namespace lumetto::link;

namespace {

bool stesso(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

struct Corsa {
    std::vector<Esito> esiti;
    std::vector<std::string> colonne, intestazione;
    ContoFlusso conto;
    std::string difetto;
};

// The stream fed in pieces of the sizes `pezzo` gives (0: the rest).
template <class F>
Corsa corri(std::string_view dati, F&& pezzo) {
    Corsa c;
    Flusso f;
    std::size_t i = 0;
    while (i < dati.size() && c.difetto.empty()) {
        std::size_t n = pezzo();
        if (n == 0 || n > dati.size() - i) n = dati.size() - i;
        f.aggiungi(dati.substr(i, n), [&](const Esito& e) { c.esiti.push_back(e); });
        i += n;
        if (f.righe().inattesa() > kMaxRiga)
            c.difetto = "the pending line holds " + std::to_string(f.righe().inattesa()) + " bytes";
        else if (f.righe().capienza() > kMaxRiga + 64)
            c.difetto = "the pending line's room grew to " + std::to_string(f.righe().capienza());
    }
    c.colonne = f.colonne();
    c.intestazione = f.intestazione();
    c.conto = f.conto();
    return c;
}

std::string difetticorsa(const Corsa& c) {
    if (!c.difetto.empty()) return c.difetto;
    if (c.colonne.size() > kColonne) return std::to_string(c.colonne.size()) + " columns";
    for (std::size_t j = 0; j < c.colonne.size(); ++j) {
        if (c.colonne[j].empty()) return "column " + std::to_string(j + 1) + " has no name";
        for (std::size_t k = 0; k < j; ++k)
            if (c.colonne[k] == c.colonne[j]) return "two columns \"" + c.colonne[j] + "\"";
    }
    int64_t letture = 0, intestazioni = 0, scartate = 0;
    for (const Esito& e : c.esiti) {
        switch (e.tipo) {
            case Esito::Tipo::lettura:
                ++letture;
                break;
            case Esito::Tipo::intestazione:
                ++intestazioni;
                break;
            case Esito::Tipo::scartata:
                ++scartate;
                break;
            case Esito::Tipo::vuota:
                return "a blank line was handed over";
        }
        if ((e.tipo == Esito::Tipo::scartata) == (e.scarto == Scarto::nessuno))
            return "a result and its reason disagree";
        for (std::size_t j = 0; j < kColonne; ++j) {
            const double v = e.valori[j];
            if (std::isinf(v)) return "an infinite value in column " + std::to_string(j + 1);
            if (e.tipo != Esito::Tipo::lettura && !std::isnan(v))
                return "a value in a result that is no reading";
            if (j >= c.colonne.size() && !std::isnan(v))
                return "a value past the last column " + std::to_string(c.colonne.size());
        }
    }
    const ContoFlusso& n = c.conto;
    if (letture != n.letture || intestazioni != n.intestazioni || scartate != n.scartate())
        return "the counters disagree with the results";
    if (n.righe != n.letture + n.intestazioni + n.scartate())
        return "lines read are not readings, names and drops";
    if (n.primascartata.empty() != (n.scartate() == 0))
        return "the first dropped line is quoted wrongly";
    if (!etesto(n.primascartata)) return "the quote \"" + n.primascartata + "\" is not text";
    const std::size_t caratteri = static_cast<std::size_t>(std::count_if(
        n.primascartata.begin(), n.primascartata.end(), [](char x) { return (x & 0xC0) != 0x80; }));
    if (caratteri > kMaxCitazione + 1) return "the quote is " + std::to_string(caratteri) + " long";
    const bool detto = !testoscarti(n).empty();
    if (detto != (n.scartate() + n.oltrecolonne + n.ripetuti > 0))
        return "the message on what was dropped says " +
               std::string(detto ? "something" : "nothing");
    return {};
}

std::string diverse(const Corsa& a, const Corsa& b) {
    if (a.esiti.size() != b.esiti.size()) return "a different number of results";
    for (std::size_t i = 0; i < a.esiti.size(); ++i) {
        const Esito &x = a.esiti[i], &y = b.esiti[i];
        if (x.tipo != y.tipo || x.scarto != y.scarto)
            return "result " + std::to_string(i + 1) + " differs";
        for (std::size_t j = 0; j < kColonne; ++j)
            if (!stesso(x.valori[j], y.valori[j]))
                return "value " + std::to_string(j + 1) + " of result " + std::to_string(i + 1) +
                       " differs";
    }
    if (a.colonne != b.colonne) return "different columns";
    if (a.intestazione != b.intestazione) return "different names";
    const ContoFlusso &p = a.conto, &q = b.conto;
    if (p.righe != q.righe || p.letture != q.letture || p.intestazioni != q.intestazioni ||
        p.troppolunghe != q.troppolunghe || p.rumore != q.rumore ||
        p.illeggibili != q.illeggibili || p.mancanti != q.mancanti ||
        p.oltrecolonne != q.oltrecolonne || p.ripetuti != q.ripetuti || p.virgole != q.virgole ||
        p.primascartata != q.primascartata)
        return "different counters";
    return {};
}

}  // namespace

std::string difettorighe(std::string_view dati) {
    const Corsa intera = corri(dati, [] { return std::size_t{0}; });
    if (auto d = difetticorsa(intera); !d.empty()) return "whole: " + d;

    const Corsa unoallavolta = corri(dati, [] { return std::size_t{1}; });
    if (auto d = diverse(intera, unoallavolta); !d.empty()) return "a byte at a time: " + d;

    // Uneven chunks that depend on the bytes, so every input has its own cut.
    uint64_t h = 1469598103934665603ull;
    for (char c : dati)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    const Corsa pezzi = corri(dati, [&] {
        h ^= h << 13, h ^= h >> 7, h ^= h << 17;
        return static_cast<std::size_t>(h % 300) + 1;
    });
    if (auto d = diverse(intera, pezzi); !d.empty()) return "in chunks: " + d;

    // The bytes as one line, as a caller could hand any text.
    Flusso f;
    const Esito e = f.riga(dati);
    if (f.colonne().size() > kColonne) return "one line made too many columns";
    for (double v : e.valori)
        if (std::isinf(v)) return "one line gave an infinite value";

    // A listen finds whole lines of text only where the stream reads some.
    if (valutaascolto(dati) == Ascolto::testo && intera.conto.righe == 0)
        return "the listen hears text where no line is";
    return {};
}

}  // namespace lumetto::fuzz

#ifndef LUMETTO_SOLO_CONTROLLI
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    lumetto::fuzz::esito(
        lumetto::fuzz::difettorighe(std::string_view(reinterpret_cast<const char*>(dati), n)));
    return 0;
}
#endif
