#include "schemes/schema.h"

#include <algorithm>

namespace lumetto::schemes {

const std::string& Schema::nomevariabile(int i) const {
    static const std::string vuoto;
    if (i < 1 || i > kMaxVariabili) return vuoto;
    return nomi_[indice(i)].str();
}

Schema& schemacorrente() {
    static Schema schema;
    return schema;
}

void azzeraschema() {
    schemacorrente() = Schema{};
}

void dividitestata(Schema& s) {
    const std::string& t = s.testata;
    if (t.size() < kCaratteriCampo) return;
    const auto n = std::min<std::size_t>(t.size() / kCaratteriCampo, kMaxVariabili);
    s.numvariabili = static_cast<std::uint16_t>(n);
    for (std::size_t v = 0; v < n; ++v) {
        std::string nome;
        for (char c : std::string_view(t).substr(v * kCaratteriCampo, kCaratteriCampo))
            if (c != '.') nome += c;
        if (nome.size() < 3) nome += "  ";
        s.impostanome(static_cast<int>(v) + 1, std::string_view(nome).substr(0, 3));
    }
}

void dividitestata() {
    dividitestata(schemacorrente());
}

char carattere(std::string_view maschera, int i) {
    if (i < 1 || static_cast<std::size_t>(i) > maschera.size()) return '\0';
    return maschera[static_cast<std::size_t>(i) - 1];
}

}  // namespace lumetto::schemes
