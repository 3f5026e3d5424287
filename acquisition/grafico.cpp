#include "acquisition/grafico.h"

#include <algorithm>
#include <cmath>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "link/letture.h"
#include "schemes/cp1252.h"
#include "schemes/maschere.h"
#include "schemes/numeri.h"
#include "schemes/schema.h"

namespace lumetto::acquisition {

std::vector<ColonnaGrafico> colonnegrafico() {
    auto& s = schemes::schemacorrente();
    schemes::dividitestata();
    const int n = std::min<int>(stato.numerocolonne, link::kColonne - 1);
    std::vector<ColonnaGrafico> c;
    for (int i = 1; i <= n; ++i) {
        // "Ax." gives "Ax ": the blanks are no part of a curve's name.
        std::string nome(schemes::rifila(schemes::utf8dacp1252(s.nomevariabile(i))));
        if (nome.empty()) nome = "C" + std::to_string(i);
        c.push_back({i, nome, schemes::carattere(s.mascheratipo, i)});
    }
    return c;
}

std::array<std::string, 3> parolestato(char tipo) {
    if (tipo == '4') return {"chiude", "apre", "Halt"};
    return {"OFF", "ON", "Halt"};
}

PuntoGrafico puntografico(int r, int colonna) {
    r = std::clamp(r, 0, link::kMaxLetture);
    const double v =
        link::tabellaletture[static_cast<std::size_t>(r)][static_cast<std::size_t>(colonna)];
    return {v, schemes::valutacondizioni(colonna, v)};
}

double xgrafico(int r, bool insecondi) {
    return insecondi ? static_cast<double>(r) * stato.intervallo : r;
}

ScalaAsse scalatonda(double minimo, double massimo) {
    if (!(massimo > minimo)) {  // one value, or none: a unit around it
        minimo -= 1;
        massimo += 1;
    }
    const double grezzo = (massimo - minimo) / 5;
    const double potenza = std::pow(10.0, std::floor(std::log10(grezzo)));
    const double f = grezzo / potenza;
    const double passo = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * potenza;
    ScalaAsse s;
    s.minimo = std::floor(minimo / passo) * passo;
    s.massimo = std::ceil(massimo / passo) * passo;
    s.tacche = static_cast<int>(std::lround((s.massimo - s.minimo) / passo)) + 1;
    return s;
}

std::string titolografico() {
    const Comando* c = esperimento(stato.codiceesperimento, schemes::schemacorrente().testata);
    return c ? std::string(c->didascalia) : std::string();
}

}  // namespace lumetto::acquisition
