// Any bytes as what the broker hands the teacher of class "3B": the first
// line is the topic, the rest the payload. Nothing crashes; a message is
// either refused with a reason or taken whole, and one taken holds to every
// rule (its topic is the one the builders make for it, a run's bench the
// topic's, its numbers and start in range, its texts bounded) and reads back
// equal once written again. The same bytes as the values of a reading must
// travel through the writer and the parser unchanged, but for those past
// the bound of a value, which go as missing ones.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <variant>

#include "classroom/messaggi.h"
#include "fuzz/controlli.h"

namespace lumetto::fuzz {

using namespace lumetto::classe;

namespace {

constexpr std::string_view kClasse = "3B";

bool corto(const std::string& t) {
    return t.size() <= kMaxTesto;
}

std::string difettistato(const StatoBanco& s) {
    if (!corto(s.esperimento) || !corto(s.sketch) || !corto(s.versione))
        return "a state with a text past the bound";
    if (s.corsa < 0 || s.corsa > kMaxIntero) return "a state's run out of range";
    if (s.stato == Stato::InCorsa && s.corsa == 0) return "a running state with no run";
    return {};
}

std::string difetticorsa(const archivio::Corsa& c, const std::string& banco, int64_t corsa) {
    if (c.id != corsa) return "run facts whose id is not the topic's";
    if (c.banco != banco) return "run facts of another bench than the topic's";
    // The start's year as written, which an offset may put a day off the
    // UTC one the parser bounds.
    int anno = 0;
    if (std::sscanf(c.inizio.c_str(), "%d-", &anno) == 1 &&
        (anno < kPrimoAnno - 1 || anno > kUltimoAnno + 1))
        return "run facts starting in the year " + std::to_string(anno);
    if (c.intervallo < 0) return "run facts with a negative interval";
    for (const std::string* t : {&c.esperimento, &c.testata, &c.mascheratipo, &c.inizio, &c.fuso,
                                 &c.porta, &c.sketch, &c.versione, &c.banco, &c.titolo})
        if (!corto(*t)) return "run facts with a text past the bound";
    if (c.inizio.empty()) return "run facts with no start";
    if (c.colonne.size() > static_cast<std::size_t>(archivio::kColonne))
        return "run facts with more columns than a reading holds";
    for (const archivio::ColonnaCorsa& k : c.colonne) {
        if (k.nome.empty() || k.nome.size() > kMaxNomeColonna || k.unita.size() > kMaxUnita)
            return "a column's name or unit out of bounds";
        if (k.decimali < -1 || k.decimali > kMaxDecimali) return "a column's decimals out of range";
    }
    return {};
}

std::string difettilettura(const archivio::Lettura& l) {
    if (l.numero < 1 || l.numero > kMaxNumero) return "a reading number out of range";
    if (l.ms < 0 || l.ms > kMaxIntero) return "a reading's time out of range";
    for (double v : l.valori) {
        if (std::isinf(v)) return "an infinite value";
        if (std::abs(v) > kMaxValore) return "a value past the bound";
    }
    return {};
}

// A message taken: its rules, then written and read again.
std::string difettimessaggio(std::string_view argomento, std::size_t dati, const Messaggio& m) {
    if (m.classe != kClasse) return "a message of another class taken";
    if (!livellovalido(m.banco)) return "a bench name that is no topic level taken";
    if (dati == 0 || dati > kMaxMessaggio) return "a payload out of bounds taken";
    std::string atteso, scritto, d;
    if (const auto* s = std::get_if<StatoBanco>(&m.contenuto)) {
        atteso = argomentostato(m.classe, m.banco);
        d = difettistato(*s);
        scritto = scrivistato(*s);
    } else if (const auto* c = std::get_if<archivio::Corsa>(&m.contenuto)) {
        atteso = argomentocorsa(m.classe, m.banco, m.corsa);
        d = difetticorsa(*c, m.banco, m.corsa);
        scritto = scrivicorsa(*c);
    } else {
        const auto& l = std::get<archivio::Lettura>(m.contenuto);
        atteso = argomentoletture(m.classe, m.banco, m.corsa);
        d = difettilettura(l);
        scritto = scrivilettura(l);
    }
    if (!d.empty()) return d;
    if (atteso != argomento) return "the topic \"" + atteso + "\" read from another";

    const EsitoMessaggio di_nuovo = leggimessaggio(kClasse, atteso, scritto);
    if (!di_nuovo.messaggio) return "a message written again is refused: " + di_nuovo.errore;
    const Messaggio& n = *di_nuovo.messaggio;
    if (n.banco != m.banco || n.corsa != m.corsa || n.contenuto.index() != m.contenuto.index())
        return "a message written again reads as another";
    if (const auto* s = std::get_if<StatoBanco>(&m.contenuto)) {
        if (!(std::get<StatoBanco>(n.contenuto) == *s)) return "a state reads back changed";
    } else if (const auto* c = std::get_if<archivio::Corsa>(&m.contenuto)) {
        if (scrivicorsa(std::get<archivio::Corsa>(n.contenuto)) != scrivicorsa(*c))
            return "run facts read back changed";
    } else if (!archivio::stessalettura(std::get<archivio::Lettura>(n.contenuto),
                                        std::get<archivio::Lettura>(m.contenuto))) {
        return "a reading reads back changed";
    }
    return {};
}

// The bytes as up to 13 doubles of a reading: written and read back equal,
// a value not finite or past ±kMaxValore as a missing one.
std::string difettivalori(std::string_view dati) {
    archivio::Lettura l;
    l.numero = dati.empty() ? 1 : 1 + static_cast<unsigned char>(dati[0]) % kMaxNumero;
    l.ms = static_cast<int64_t>(dati.size()) * 1000;
    for (std::size_t k = 0; k < l.valori.size(); ++k) {
        double v = std::nan("");
        if ((k + 1) * sizeof v <= dati.size())
            std::memcpy(&v, dati.data() + k * sizeof v, sizeof v);
        l.valori[k] = v;
    }
    const std::string scritto = scrivilettura(l);
    const EsitoMessaggio e = leggimessaggio(kClasse, argomentoletture(kClasse, "b", 1), scritto);
    if (!e.messaggio) return "the reading " + scritto + " is refused: " + e.errore;
    for (double& v : l.valori)
        if (!(std::abs(v) <= kMaxValore)) v = std::nan("");
    if (!archivio::stessalettura(std::get<archivio::Lettura>(e.messaggio->contenuto), l))
        return "the reading " + scritto + " reads back changed";
    return {};
}

}  // namespace

std::string difettoclasse(std::string_view dati) {
    const std::size_t a_capo = dati.find('\n');
    const std::string_view argomento = dati.substr(0, a_capo);
    const std::string_view carico =
        a_capo == std::string_view::npos ? std::string_view() : dati.substr(a_capo + 1);
    const EsitoMessaggio e = leggimessaggio(kClasse, argomento, carico);
    std::string d;
    if (e.messaggio.has_value() == !e.errore.empty())
        d = "a message both taken and refused, or neither";
    else if (e.messaggio)
        d = difettimessaggio(argomento, carico.size(), *e.messaggio);
    if (d.empty()) d = difettivalori(dati);
    return d;
}

}  // namespace lumetto::fuzz

#ifndef LUMETTO_SOLO_CONTROLLI
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    lumetto::fuzz::esito(
        lumetto::fuzz::difettoclasse(std::string_view(reinterpret_cast<const char*>(dati), n)));
    return 0;
}
#endif
