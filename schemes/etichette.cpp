#include "schemes/etichette.h"

#include <algorithm>

#include "schemes/numeri.h"

namespace lumetto::schemes {

Etichetta posizionaetichetta(const Schema& s, int i, int x, int y, std::string_view testo,
                             Finestra f) {
    std::string t(testo.substr(0, kCaratteriTestoEtichetta));
    if (t.empty() && f == Finestra::Principale) t = "=xxxx.x";
    Etichetta e;
    e.visibile = f == Finestra::Editor || i <= s.numvariabili;
    e.didascalia = (s.nomevariabile(i) + t).substr(0, kCaratteriDidascalia);
    e.colore = coloremaschera(s.mascheracolori, i);
    e.dimensione = dimensionemaschera(s.mascheradimensioni, i);
    e.x = x;
    e.y = y;
    return e;
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
