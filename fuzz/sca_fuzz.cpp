// Any bytes as a .sca file: read whole or refused with nothing changed; what
// reads can be written and reads back the same; and what the program does
// with a loaded scheme (its header split, its conditions checked, its labels
// placed, its texts shown) never crashes.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/controlli.h"
#include "schemes/cp1252.h"
#include "schemes/editor.h"
#include "schemes/etichette.h"
#include "schemes/maschere.h"
#include "schemes/sca.h"
#include "schemes/schema.h"

namespace lumetto::fuzz {

using namespace lumetto::schemes;

namespace {

constexpr std::string_view kNome = "fuzz.sca";

std::vector<std::string> condizioni(const Schema& s) {
    std::vector<std::string> c;
    for (int k = 1; k <= kCondizioni; ++k)
        c.push_back(s.condizione(k).str());
    return c;
}

bool haacapo(const Schema& s) {
    auto a = [](std::string_view t) { return t.find_first_of("\r\n") != std::string_view::npos; };
    bool r = a(s.testata) || a(s.mascheratipo) || a(s.mascheracolori) || a(s.mascheradimensioni) ||
             a(s.immagine);
    for (int k = 1; k <= kCondizioni; ++k)
        r = r || a(s.condizione(k));
    return r;
}

}  // namespace

std::string difettosca(std::string_view file) {
    const Schema vuoto;
    Schema s;
    try {
        leggisca(s, file, kNome);
    } catch (const ErroreFile& e) {
        if (!(s == vuoto)) return "a refused file changed the scheme";
        if (e.errore() != 0 || e.file() != kNome) return "a refusal that names another cause";
        return {};
    }
    if (s.testata.size() > kMaxCaratteriTestata) return "a header longer than a reading";
    if (s.mascheratipo.size() > kMaxCaratteriTipo) return "a type mask beyond variable 12";

    // Saved and read again: the same scheme. A text holding a carriage return
    // (a lone CR inside a line) cannot be written as one line, and the writer
    // says so rather than write another scheme.
    try {
        const std::string scritto = scrivisca(s, condizioni(s), kNome);
        Schema riletto;
        leggisca(riletto, scritto, kNome);
        if (!(riletto == s)) return "saved and read back, the scheme differs";
    } catch (const ErroreFile& e) {
        if (!haacapo(s)) return std::string("a loaded scheme cannot be saved: ") + e.what();
    }

    // The windows show the texts in UTF-8 and write them back unchanged.
    for (std::string_view t : {std::string_view(s.testata), std::string_view(s.mascheratipo),
                               std::string_view(s.mascheracolori), std::string_view(s.immagine)})
        if (cp1252dautf8(utf8dacp1252(t)) != t) return "a text changes through the window";

    // What loading a scheme leads to.
    dividitestata(s);
    if (s.numvariabili > kMaxVariabili) return "more variables than a reading holds";
    (void)esamedati(s);
    (void)righecondizioni(s);
    (void)controllosalvataggio(s);
    (void)testopercorso(s.immagine);
    for (int v = 0; v <= kMaxVariabili + 1; ++v)
        for (double x : {0.0, 1.0, 2.0, -17.5, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
            const int stato = valutacondizioni(s, v, x);
            if (stato < 0 || stato > 2) return "a condition outside low, high and none";
        }
    for (int i = 1; i <= kEtichette; ++i) {
        const char tipo = carattere(s.mascheratipo, i);
        for (auto f : {QualeFinestra::Principale, QualeFinestra::Editor})
            (void)posizionaetichetta(s, i, s.posx(i), s.posy(i), testovalore(-1234.5, tipo), f);
        (void)coloremaschera(s.mascheracolori, i);
        (void)dimensionemaschera(s.mascheradimensioni, i);
    }
    s.punto = 1;
    (void)rigaselezione(s);
    (void)rigapunto(s, s.posx(1), s.posy(1));
    return {};
}

}  // namespace lumetto::fuzz

#ifndef LUMETTO_SOLO_CONTROLLI
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    lumetto::fuzz::esito(
        lumetto::fuzz::difettosca(std::string_view(reinterpret_cast<const char*>(dati), n)));
    return 0;
}
#endif
