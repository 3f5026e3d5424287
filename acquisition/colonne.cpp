// The columns of a run with their names and units; see colonne.h.
#include "acquisition/colonne.h"

#include <algorithm>
#include <array>
#include <utility>

#include "acquisition/esperimenti.h"
#include "acquisition/grafico.h"
#include "archive/archivio.h"
#include "schemes/cp1252.h"
#include "schemes/maschere.h"
#include "schemes/schema.h"

namespace lumetto::acquisition {

namespace {

// The default plants' columns whose meaning is certain, by name: their
// scheme files may be edited, so a unit follows the name, not the place.
constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kUnitaSchemi{{
    {"Test", "°C"},
    {"Tint", "°C"},
    {"Set", "°C"},
    {"Umid", "%"},
    {"CO2", "ppm"},
    {"Tcoll", "°C"},
    {"Tbass", "°C"},
    {"Talto", "°C"},
    {"Umid1", "%"},
    {"Umid2", "%"},
    {"Liv", "%"},
}};

std::string_view unitadi(std::string_view unita, int i) {
    for (int k = 1; k < i; ++k) {
        const auto bar = unita.find('|');
        if (bar == std::string_view::npos) return {};
        unita.remove_prefix(bar + 1);
    }
    return unita.substr(0, unita.find('|'));
}

}  // namespace

std::string titolocolonna(const Colonna& c) {
    return archivio::titolocolonna(c.nome, c.unita);
}

std::string titolocolonna(const std::vector<Colonna>& colonne, int i) {
    if (i < 1 || i > static_cast<int>(colonne.size())) return "C" + std::to_string(i);
    return titolocolonna(colonne[static_cast<std::size_t>(i - 1)]);
}

std::vector<Colonna> colonneprogettate(std::string_view testata, std::string_view maschera,
                                       const Comando* c) {
    std::vector<Colonna> colonne;
    const int n = std::min<int>(static_cast<int>(testata.size() / schemes::kCaratteriCampo),
                                schemes::kMaxVariabili);
    for (const ColonnaGrafico& g : colonnegrafico(testata, maschera, n)) {
        Colonna k{g.nome, {}, -1, g.tipo};
        if (c && !c->unita.empty()) {
            k.unita = std::string(unitadi(c->unita, g.indice));
        } else if (c && c->azione == Azione::EsperimentoSchema) {
            for (const auto& [nome, unita] : kUnitaSchemi)
                if (g.nome == nome) k.unita = std::string(unita);
        }
        if (schemes::tipostato(k.tipo)) k.unita.clear();  // a state has words, not units
        colonne.push_back(std::move(k));
    }
    return colonne;
}

void intestaschema(const std::vector<Colonna>& colonne) {
    std::string testata, maschera;
    for (const Colonna& c : colonne) {
        std::string nome = schemes::cp1252dautf8(c.nome).substr(0, schemes::kCaratteriCampo);
        nome.resize(schemes::kCaratteriCampo, '.');
        testata += nome;
        maschera += c.tipo;
    }
    schemes::schemacorrente().testata = testata;
    schemes::schemacorrente().mascheratipo = maschera;
}

}  // namespace lumetto::acquisition
