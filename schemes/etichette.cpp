#include "schemes/etichette.h"

#include <algorithm>
#include <cstdint>

#include "schemes/numeri.h"

namespace lumetto::schemes {

Etichetta posizionaetichetta(const Schema& s, int i, int x, int y, std::string_view testo,
                             QualeFinestra f) {
    std::string t(testo.substr(0, kCaratteriTestoEtichetta));
    if (t.empty() && f == QualeFinestra::Principale) t = "=xxxx.x";
    Etichetta e;
    e.visibile = f == QualeFinestra::Editor || i <= s.numvariabili;
    e.didascalia = (s.nomevariabile(i) + t).substr(0, kCaratteriDidascalia);
    e.colore = coloremaschera(s.mascheracolori, i);
    e.dimensione = dimensionemaschera(s.mascheradimensioni, i);
    e.x = x;
    e.y = y;
    return e;
}

Scala::Scala(int larga, int alta, int mostrataL, int mostrataA) {
    // An empty space or control has no scale: keep pixels as they are.
    if (larga > 0 && alta > 0 && mostrataL > 0 && mostrataA > 0) {
        larga_ = larga;
        alta_ = alta;
        mostrataL_ = mostrataL;
        mostrataA_ = mostrataA;
    }
}

int Scala::sulcontrollo(int p, int propria, int mostrata) {
    // The first control pixel whose centre is on scheme pixel p (the nearest
    // to its corner, halves down), so that the label drawn there maps back to
    // p. In integers: the same answer on every machine.
    const std::int64_t n = std::int64_t{std::max(p, 0)} * mostrata;
    return static_cast<int>((2 * n + propria - 1) / (2 * std::int64_t{propria}));
}

int Scala::sullafigura(int c, int propria, int mostrata) {
    // The scheme pixel under the centre of the control pixel; a click is
    // always inside the control, so inside the reference space.
    const std::int64_t centro = 2 * std::int64_t{std::max(c, 0)} + 1;
    return static_cast<int>(centro * propria / (2 * std::int64_t{mostrata}));
}

double Scala::punti(int punti) const {
    const double sx = static_cast<double>(mostrataL_) / larga_;
    const double sy = static_cast<double>(mostrataA_) / alta_;
    return std::max(kPuntiMinimi, punti * std::min(sx, sy));
}

std::string testovalore(double valore, char tipo) {
    std::string t = formattavalore(valore, tipo);
    t.erase(std::remove(t.begin(), t.end(), ' '), t.end());
    return "=" + t;
}

namespace {

std::string coordinate(const Schema& s, int x, int y) {
    return " " + s.nomevariabile(s.punto) + " x=" + allinea(std::to_string(x), 6) +
           " Y=" + allinea(std::to_string(y), 6);
}

}  // namespace

std::string rigapunto(const Schema& s, int x, int y) {
    return "punto=" + allinea(std::to_string(s.punto), 3) + coordinate(s, x, y);
}

std::string rigaselezione(const Schema& s) {
    return allinea(std::to_string(s.punto), 2) + coordinate(s, s.posx(s.punto), s.posy(s.punto));
}

}  // namespace lumetto::schemes
