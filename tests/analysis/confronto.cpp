// Fits the points read from standard input and prints the result, for the
// cross-check against SciPy: a first line with the model ("lineare",
// "proporzionale", "quadratico", "esponenziale"), then one "x y" pair a line.
// Prints "nome valore errore" a parameter, then "r2" and "sd"; on a failed
// fit, its reason and exit status 1.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "analysis/adattamento.h"

using namespace lumetto::analisi;

int main() {
    std::string parola;
    if (!(std::cin >> parola)) return 2;
    Modello modello;
    if (parola == "lineare")
        modello = Modello::Lineare;
    else if (parola == "proporzionale")
        modello = Modello::Proporzionale;
    else if (parola == "quadratico")
        modello = Modello::Quadratico;
    else if (parola == "esponenziale")
        modello = Modello::Esponenziale;
    else
        return 2;
    std::vector<double> x, y;
    double a = 0, b = 0;
    while (std::cin >> a >> b) {
        x.push_back(a);
        y.push_back(b);
    }
    Adattamento fit = adatta(modello, x, y);
    if (!fit.riuscito) {
        std::printf("errore %s\n", fit.errore.c_str());
        return 1;
    }
    for (const auto& p : fit.parametri)
        std::printf("%s %.17g %.17g\n", p.nome.c_str(), p.valore, p.errore);
    std::printf("r2 %.17g\nsd %.17g\n", fit.r2, fit.deviazioneresidua);
    return 0;
}
