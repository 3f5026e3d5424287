// Any bytes as a reply frame, read as an exchange reads one: cut into fields,
// and each field the reading table keeps turned into a number. Nothing
// crashes, the fields keep the shape the cutting promises, no character is
// lost or invented once the first field has started, and every value is a
// finite number the field can stand for. The same bytes as the board's
// answer to "?" are taken only when they are one.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/controlli.h"
#include "link/campi.h"
#include "link/identita.h"

namespace lumetto::fuzz {

using namespace lumetto::link;

namespace {

bool numerico(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '.';
}
bool lettera(char c) {
    return c == 'H' || c == 'L' || c == 'S';
}

// What the fields of a frame must look like: what breaks first, if anything.
std::string difetticampi(std::string_view trama, const std::array<std::string, kMaxCampi>& campi) {
    bool finiti = false;
    std::string uniti;
    for (std::size_t j = 0; j < campi.size(); ++j) {
        const std::string& c = campi[j];
        // A field starts with its first character, so an empty one ends them.
        if (c.empty()) {
            finiti = true;
            continue;
        }
        const std::string quale = "field " + std::to_string(j + 1) + " \"" + c + "\"";
        if (finiti) return quale + " follows an empty field";
        if (c.size() > kMaxCaratteriCampo) return quale + " is too long";
        const bool numeri = std::all_of(c.begin(), c.end(), numerico);
        const bool lettere = std::all_of(c.begin(), c.end(), lettera);
        const bool ultimo = j + 1 == campi.size();
        // Only the last field gathers the rest of the frame, of any kind.
        if (!ultimo && c.size() > 6) return quale + " runs past six characters";
        if (!ultimo && !(numeri || lettere)) return quale + " mixes numbers and letters";
        if (!std::all_of(c.begin(), c.end(), [](char x) { return numerico(x) || lettera(x); }))
            return quale + " holds a character that makes no field";

        const double v = valorecampo(c);
        const std::string valore = quale + " reads as " + std::to_string(v);
        // A field without a digit (and no status word) is missing; one with
        // digits may be too, when none comes before its first unusable
        // character ("--5"); a status word never is.
        const bool parola = c == "HHHHHH" || c == "LLLLLL" || c == "SSSSSS";
        const bool cifre =
            std::any_of(c.begin(), c.end(), [](char x) { return x >= '0' && x <= '9'; });
        if (!parola && !cifre && !std::isnan(v)) return valore;
        if (parola && std::isnan(v)) return valore;
        if (std::isnan(v)) {
            uniti += c;
            continue;
        }
        if (!std::isfinite(v)) return valore;
        if (lettere && v != 0 && v != 1 && v != 2) return valore;
        if (!ultimo && std::fabs(v) > 999999) return valore;  // six characters at most
        uniti += c;
    }
    // Every number or status character ends up in a field, in order, except
    // those before the first field starts (unless the last field is full).
    if (campi.back().size() < kMaxCaratteriCampo) {
        std::string utili;
        for (char c : trama)
            if (numerico(c) || lettera(c)) utili += c;
        if (!utili.ends_with(uniti)) return "the fields \"" + uniti + "\" lose or add characters";
    }
    return {};
}

}  // namespace

// The same bytes as the board's answer to "?": taken only as two words
// (nothing empty, no blank or line end inside), which make the line again.
std::string difettiidentita(std::string_view riga) {
    const auto chi = leggiidentita(riga);
    if (!chi) return {};
    auto parola = [](const std::string& t) {
        return !t.empty() && t.find_first_of(" \r\n") == std::string::npos;
    };
    if (!parola(chi->sketch) || !parola(chi->versione))
        return "the answer \"" + std::string(riga) + "\" gives words that are not";
    std::string_view senza = riga;
    while (!senza.empty() && (senza.back() == '\r' || senza.back() == '\n'))
        senza.remove_suffix(1);
    if ("Lumetto " + chi->sketch + " " + chi->versione != senza)
        return "the answer \"" + std::string(riga) + "\" is not the line it came from";
    return {};
}

std::string difettotrama(std::string_view trama) {
    std::string d = difetticampi(trama, dividicampi(trama));
    // The conversion on its own, on text no field would hold: a number or
    // missing, never an infinity.
    if (d.empty() && std::isinf(valorecampo(trama))) d = "the whole frame reads as infinite";
    if (d.empty()) d = difettiidentita(trama);
    return d;
}

}  // namespace lumetto::fuzz

#ifndef LUMETTO_SOLO_CONTROLLI
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    lumetto::fuzz::esito(
        lumetto::fuzz::difettotrama(std::string_view(reinterpret_cast<const char*>(dati), n)));
    return 0;
}
#endif
