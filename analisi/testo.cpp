// Numbers and lines of the analysis panel, with the decimal comma.
#include "analisi/testo.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace lumetto::analisi {

namespace {

const char* const nullo = "—";

// Digits by std::to_chars, which never reads the locale (printf would write
// a comma already under it_IT and something else under another locale).
std::string cifre(double v, std::chars_format formato, int precisione) {
    char b[400];
    auto [fine, errore] = std::to_chars(b, b + sizeof b, v, formato, precisione);
    return errore == std::errc() ? std::string(b, fine) : std::string("?");
}

// The decimal exponent of v rounded to the given significant digits: 0.0996
// to 2 digits is 1.0e-01, exponent -1.
int esponente(double v, int significative) {
    std::string s = cifre(v, std::chars_format::scientific, significative - 1);
    return std::atoi(s.c_str() + s.find('e') + 1);
}

std::string virgola(std::string s) {
    std::replace(s.begin(), s.end(), '.', ',');
    if (s.find_first_not_of("-0,") == std::string::npos) s.erase(0, s.starts_with('-') ? 1 : 0);
    return s;
}

std::string fisso(double v, int decimali) {
    return virgola(cifre(v, std::chars_format::fixed, std::max(decimali, 0)));
}

// v rounded to a multiple of 10^q, q > 0: 123456 at q = 2 is "123500".
std::string arrotondato(double v, int q) {
    const double passo = std::pow(10.0, q);
    return fisso(std::round(v / passo) * passo, 0);
}

std::string potenza(int n) {
    static const char* const apici[] = {"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
    std::string s = "·10";
    if (n < 0) s += "⁻";
    for (char c : std::to_string(std::abs(n)))
        s += apici[c - '0'];
    return s;
}

// R^2 with the decimals that show how far it is from 1 to two digits:
// 0,9999937 and 0,99999990, never a 1 that hides a residual.
std::string testor2(double r2) {
    if (!std::isfinite(r2)) return nullo;
    if (r2 >= 1) return "1";
    int decimali = 4;
    if (r2 > 0) decimali = std::clamp(1 - esponente(1 - r2, 2), 4, 12);
    return fisso(r2, decimali);
}

std::string conunita(std::string testo, std::string_view unita) {
    if (!unita.empty() && testo != nullo) testo += " " + std::string(unita);
    return testo;
}

// y over x to a power, and y times x: "°C/s", "°C/s²", "°C·s". Empty for
// a y without a unit: an unknown unit, not a pure number.
std::string quoziente(std::string_view uy, std::string_view ux, int potenza = 1) {
    if (uy.empty()) return {};
    std::string x = ux.empty() ? std::string("lettura") : std::string(ux);
    if (potenza == 2) x += "²";
    return std::string(uy) + "/" + x;
}
std::string prodotto(std::string_view uy, std::string_view ux) {
    if (uy.empty()) return {};
    return std::string(uy) + "·" + (ux.empty() ? std::string("lettura") : std::string(ux));
}

std::string esclusi(std::size_t scartati) {
    if (scartati == 0) return "";
    return scartati == 1 ? " (1 senza valore, escluso)"
                         : " (" + std::to_string(scartati) + " senza valore, esclusi)";
}

}  // namespace

std::string testonumero(double valore, int significative) {
    if (!std::isfinite(valore)) return nullo;
    std::string s = cifre(valore, std::chars_format::general, std::clamp(significative, 1, 17));
    const auto e = s.find('e');
    if (e == std::string::npos) return virgola(s);
    return virgola(s.substr(0, e)) + potenza(std::atoi(s.c_str() + e + 1));
}

std::string testonumero(double valore, double errore) {
    if (!std::isfinite(valore)) return nullo;
    if (errore == 0) return testonumero(valore) + " ± 0";
    if (!(errore > 0) || !std::isfinite(errore)) return testonumero(valore);
    // The last digit kept is at 10^q: the error's second significant digit.
    // The form follows the larger of the two as rounded there, so that
    // 9,9999996·10⁻⁵ ± 2,3·10⁻¹¹ reads 1,000000·10⁻⁴, not 10,000000·10⁻⁵.
    const int q = esponente(errore, 2) - 1;
    const double passo = std::pow(10.0, q);
    const double arrotondati =
        std::max(std::abs(std::round(valore / passo)), std::round(errore / passo)) * passo;
    const int n = esponente(arrotondati, 17);
    if (n >= -3 && n < 6) {
        if (q > 0) return arrotondato(valore, q) + " ± " + arrotondato(errore, q);
        return fisso(valore, -q) + " ± " + fisso(errore, -q);
    }
    const double scala = std::pow(10.0, n);
    return "(" + fisso(valore / scala, n - q) + " ± " + fisso(errore / scala, n - q) + ")" +
           potenza(n);
}

std::vector<std::string> righe(const Statistiche& s, std::string_view unitax,
                               std::string_view unitay) {
    std::vector<std::string> r;
    r.push_back("Punti: " + std::to_string(s.punti) + esclusi(s.scartati));
    if (s.punti == 0) return r;
    const auto y = [&](double v) { return conunita(testonumero(v), unitay); };
    r.push_back("Minimo: " + y(s.minimo));
    r.push_back("Massimo: " + y(s.massimo));
    r.push_back("Media: " + y(s.media));
    r.push_back("Deviazione standard: " + y(s.deviazione));
    r.push_back("Primo valore: " + y(s.primo) + " (x = " + conunita(testonumero(s.primox), unitax) +
                ")");
    r.push_back("Ultimo valore: " + y(s.ultimo) +
                " (x = " + conunita(testonumero(s.ultimox), unitax) + ")");
    r.push_back("Δx = " + conunita(testonumero(s.deltax), unitax));
    r.push_back("Δy = " + y(s.deltay));
    r.push_back("Pendenza media Δy/Δx = " +
                conunita(testonumero(s.pendenza), quoziente(unitay, unitax)));
    r.push_back("Area (trapezi) = " + conunita(testonumero(s.area), prodotto(unitay, unitax)));
    return r;
}

std::vector<std::string> righe(const Adattamento& a, std::string_view unitax,
                               std::string_view unitay) {
    std::string equazione;
    switch (a.modello) {
        case Modello::Lineare:
            equazione = "y = m·x + q";
            break;
        case Modello::Proporzionale:
            equazione = "y = m·x";
            break;
        case Modello::Quadratico:
            equazione = "y = a·x² + b·x + c";
            break;
        case Modello::Esponenziale:
            equazione = a.x0 == 0 ? "y = C + A·e^(−x/τ)" : "y = C + A·e^(−(x − x₀)/τ)";
            break;
    }
    std::string titolo = "Adattamento " + std::string(nome(a.modello));
    std::vector<std::string> r{titolo + ": " + equazione};
    if (!a.riuscito) {
        r.push_back("Non riuscito: " + a.errore);
        return r;
    }
    for (const Parametro& p : a.parametri) {
        std::string t = p.nome + " = " + testonumero(p.valore, p.errore);
        // Each parameter in the units its place in the equation gives it.
        std::string u;
        if (p.nome == "τ") {
            u = std::string(unitax);
        } else if (p.nome == "m" || (p.nome == "b" && a.modello == Modello::Quadratico)) {
            u = quoziente(unitay, unitax);
        } else if (p.nome == "a" && a.modello == Modello::Quadratico) {
            u = quoziente(unitay, unitax, 2);
        } else {
            u = std::string(unitay);
        }
        r.push_back(conunita(t, u));
    }
    if (a.modello == Modello::Esponenziale && a.x0 != 0)
        r.push_back("x₀ = " + conunita(testonumero(a.x0, 10), unitax) +
                    " (inizio della selezione)");
    r.push_back("R² = " + testor2(a.r2));
    r.push_back("Deviazione standard dei residui: " +
                conunita(testonumero(a.deviazioneresidua, 3), unitay));
    r.push_back("Punti: " + std::to_string(a.punti) +
                ", gradi di libertà: " + std::to_string(a.gradi) + esclusi(a.scartati));
    return r;
}

std::vector<std::string> righe(const Tangente& t, std::string_view unitax,
                               std::string_view unitay) {
    if (!t.riuscita) return {"Tangente non riuscita: " + t.errore};
    return {"Tangente in x = " + conunita(testonumero(t.x), unitax) + ": pendenza = " +
                conunita(testonumero(t.pendenza, t.errore_pendenza), quoziente(unitay, unitax)),
            "Parabola locale su " + std::to_string(t.punti) + " punti"};
}

}  // namespace lumetto::analisi
