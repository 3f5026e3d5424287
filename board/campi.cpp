#include "board/campi.h"

#include "firmware/src/LumettoTrama.h"

namespace lumetto::scheda {

// The board's own sketches write their fields with the same functions.

std::string numero6(double v) {
    std::string s(lumetto::trama::kCampo, ' ');
    lumetto::trama::numero(v, s.data());
    return s;
}

std::string stato6(int s) {
    std::string t(lumetto::trama::kCampo, ' ');
    lumetto::trama::stato(s, t.data());
    return t;
}

std::string trama(const std::vector<Campo>& campi, size_t lunghezza) {
    std::string t;
    for (const auto& c : campi) {
        if (t.size() + lumetto::trama::kCampo > lunghezza) break;
        t += c.tipo == Campo::Stato ? stato6(static_cast<int>(c.valore)) : numero6(c.valore);
    }
    // What is left is the end of the line.
    const size_t resto = lunghezza - t.size();
    if (resto > 0) {
        std::string coda(resto, ' ');
        lumetto::trama::fine(static_cast<unsigned char>(resto), coda.data());
        t += coda;
    }
    return t;
}

}  // namespace lumetto::scheda
