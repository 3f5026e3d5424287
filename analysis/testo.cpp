// Numbers and lines of the analysis panel, with the decimal comma.
#include "analysis/testo.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace lumetto::analisi {

namespace {

// A result that is not a finite number, in words: every input is finite (a
// missing reading is left out), so an infinity is a result beyond a
// double's range, and NaN one that the selection cannot give.
std::string parola(double v) {
    if (std::isnan(v)) return "non calcolabile";
    return v > 0 ? "fuori scala (oltre 10³⁰⁸)" : "fuori scala (sotto -10³⁰⁸)";
}

// Digits by std::to_chars, which never reads the locale (printf would write
// a comma already under it_IT and something else under another locale),
// into a string that grows until the number fits: no buffer of a fixed size
// to run out, whatever the value and the precision asked.
template <typename... Formato>
std::string caratteri(double v, Formato... formato) {
    std::string b(32, '\0');
    for (;;) {
        auto [fine, errore] = std::to_chars(b.data(), b.data() + b.size(), v, formato...);
        if (errore == std::errc()) {
            b.resize(static_cast<std::size_t>(fine - b.data()));
            return b;
        }
        b.resize(b.size() * 2);
    }
}

// The decimal exponent of |v| (v finite, not 0) rounded to the given
// significant digits: 0.0996 to 2 digits is 1.0e-01, exponent -1.
int esponente(double v, int significative) {
    const std::string s = caratteri(std::abs(v), std::chars_format::scientific, significative - 1);
    int e = 0;
    const char* inizio = s.c_str() + s.find('e') + 1;
    if (*inizio == '+') ++inizio;
    std::from_chars(inizio, s.c_str() + s.size(), e);
    return e;
}

// |v| rounded to a whole number of units 10^q, as its decimal digits ("0"
// for none), from the exact expansion of the double: one rounding, half
// away from zero, with no power of ten computed (which would overflow or
// underflow at the ends of the range).
std::string unita(double v, int q) {
    // Every double is a finite decimal of at most 767 significant digits.
    const std::string s = caratteri(std::abs(v), std::chars_format::scientific, 766);
    const auto e = s.find('e');
    std::string cifre = s.substr(0, 1) + s.substr(2, e - 2);
    int esp = 0;
    const char* inizio = s.c_str() + e + 1;
    if (*inizio == '+') ++inizio;
    std::from_chars(inizio, s.c_str() + s.size(), esp);
    // cifre[i] is the digit of 10^(esp - i); the last one kept is that of 10^q.
    const long tenute = static_cast<long>(esp) - q + 1;
    if (tenute < 0 || v == 0) return "0";
    if (tenute == 0) return cifre[0] >= '5' ? "1" : "0";
    std::string r;
    if (static_cast<std::size_t>(tenute) >= cifre.size()) {
        r = cifre + std::string(static_cast<std::size_t>(tenute) - cifre.size(), '0');
    } else {
        r = cifre.substr(0, static_cast<std::size_t>(tenute));
        if (cifre[static_cast<std::size_t>(tenute)] >= '5') {
            std::size_t i = r.size();
            while (i > 0 && r[i - 1] == '9')
                r[--i] = '0';
            if (i == 0)
                r.insert(r.begin(), '1');
            else
                ++r[i - 1];
        }
    }
    const auto primo = r.find_first_not_of('0');
    return primo == std::string::npos ? "0" : r.substr(primo);
}

// The digits of a count of units 10^q as a number with decimal comma and
// `decimali` decimals (q = -decimali), trailing zeros after the comma taken
// away when asked.
std::string concomma(std::string cifre, int decimali, bool senzazeri) {
    if (decimali <= 0) return cifre + std::string(static_cast<std::size_t>(-decimali), '0');
    const auto d = static_cast<std::size_t>(decimali);
    if (cifre.size() <= d) cifre.insert(0, d + 1 - cifre.size(), '0');
    cifre.insert(cifre.size() - d, 1, ',');
    if (senzazeri) {
        cifre.erase(cifre.find_last_not_of('0') + 1);
        if (cifre.back() == ',') cifre.pop_back();
    }
    return cifre;
}

std::string potenza(int n) {
    static const char* const apici[] = {"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
    std::string s = "·10";
    if (n < 0) s += "⁻";
    for (char c : std::to_string(std::abs(n)))
        s += apici[c - '0'];
    return s;
}

// The decimal exponent of a whole number of units 10^q.
int esponentedi(const std::string& cifre, int q) {
    return cifre == "0" ? q : static_cast<int>(cifre.size()) - 1 + q;
}

// v with its last digit at 10^q: plain when its exponent n is in [da, a),
// as a value with error writes it from 0,001 up to 999999, otherwise m·10ⁿ;
// no sign on a value that rounds to zero.
std::string fisso(double v, int q, bool senzazeri = false, int da = -3, int a = 6) {
    const std::string cifre = unita(v, q);
    const std::string segno = v < 0 && cifre != "0" ? "-" : "";
    const int n = cifre == "0" ? 0 : esponentedi(cifre, q);
    if (n >= da && n < a) return segno + concomma(cifre, -q, senzazeri);
    return segno + concomma(cifre, n - q, senzazeri) + potenza(n);
}

// The place of the last digit a double's value justifies: its 15th
// significant digit.
constexpr int kCifre = 15;
int ultimaposizione(double v) {
    return v == 0 ? std::numeric_limits<int>::min() : esponente(v, kCifre) - (kCifre - 1);
}

// "R² = " and R^2 with the decimals that show how far it is from 1 to two
// digits: 0,9999937 and 0,99999990, never a 1 that hides a residual; closer
// to 1 than 15 decimals can show, said as a bound.
std::string testor2(double r2, bool esatto) {
    if (std::isnan(r2)) return "R² non calcolabile: i valori di y sono tutti uguali";
    if (!std::isfinite(r2)) return "R² = " + parola(r2);
    if (r2 >= 1 || esatto) return "R² = 1";
    int decimali = 4;
    if (r2 > 0) decimali = std::max(1 - esponente(1 - r2, 2), 4);
    if (decimali > kCifre) return "R² > 0," + std::string(kCifre - 1, '9');
    return "R² = " + fisso(r2, -decimali);
}

std::string conunita(std::string testo, std::string_view unita) {
    if (!unita.empty()) testo += " " + std::string(unita);
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

// Where the points of an exact fit lie.
const char* dove(Modello modello) {
    switch (modello) {
        case Modello::Lineare:
            return "sulla retta";
        case Modello::Proporzionale:
            return "sulla retta per l'origine";
        case Modello::Quadratico:
            return "sulla parabola";
        case Modello::Esponenziale:
            break;
    }
    return "sulla curva";
}

// A number with its unit; a word in place of a number stands alone.
std::string misura(double v, std::string_view u, int significative = 6) {
    if (!std::isfinite(v)) return parola(v);
    return conunita(testonumero(v, significative), u);
}

}  // namespace

std::string testonumero(double valore, int significative) {
    if (!std::isfinite(valore)) return parola(valore);
    const int p = std::clamp(significative, 1, kCifre);
    if (valore == 0) return "0";
    // Plain as long as the digits asked for reach the units, as printf's %g.
    return fisso(valore, esponente(valore, p) - (p - 1), true, -4, p);
}

std::string testonumero(double valore, double errore, double risoluzione) {
    if (!std::isfinite(valore)) return parola(valore);
    if (std::isnan(errore) || errore < 0) return testonumero(valore);
    if (std::isinf(errore)) return testonumero(valore, kCifre) + " ± " + parola(errore);
    // An error no larger than the resolution is the arithmetic's own: none.
    const bool risolta = risoluzione > 0 && std::isfinite(risoluzione);
    if (risolta && errore <= risoluzione) errore = 0;
    // The last digit kept is at 10^q: the error's second significant digit,
    // but never below the value's 15th nor the resolution's first, where the
    // digits are the arithmetic's and not the data's.
    int q = ultimaposizione(valore);
    if (errore > 0) q = std::max(q, esponente(errore, 2) - 1);
    if (risolta) q = std::max(q, esponente(risoluzione, 1));
    if (q == std::numeric_limits<int>::min()) return "0 ± 0";  // nothing to place a digit by
    const std::string e = unita(errore, q);
    if (e == "0") return fisso(valore, q, true) + " ± 0";
    // The form follows the larger of the two as rounded there, so that
    // 9,9999996·10⁻⁵ ± 2,3·10⁻¹¹ reads 1,000000·10⁻⁴, not 10,000000·10⁻⁵.
    const std::string v = unita(valore, q);
    const std::string segno = valore < 0 && v != "0" ? "-" : "";
    const int n = std::max(esponentedi(v, q), esponentedi(e, q));
    if (n >= -3 && n < 6) return segno + concomma(v, -q, false) + " ± " + concomma(e, -q, false);
    return "(" + segno + concomma(v, n - q, false) + " ± " + concomma(e, n - q, false) + ")" +
           potenza(n);
}

std::vector<std::string> righe(const Statistiche& s, std::string_view unitax,
                               std::string_view unitay) {
    std::vector<std::string> r;
    r.push_back("Punti: " + std::to_string(s.punti) + esclusi(s.scartati));
    if (s.punti == 0) return r;
    const auto y = [&](double v) { return misura(v, unitay); };
    r.push_back("Minimo: " + y(s.minimo));
    r.push_back("Massimo: " + y(s.massimo));
    r.push_back("Media: " + y(s.media));
    r.push_back("Deviazione standard: " + y(s.deviazione));
    r.push_back("Primo valore: " + y(s.primo) + " (x = " + misura(s.primox, unitax) + ")");
    r.push_back("Ultimo valore: " + y(s.ultimo) + " (x = " + misura(s.ultimox, unitax) + ")");
    r.push_back("Δx = " + misura(s.deltax, unitax));
    r.push_back("Δy = " + y(s.deltay));
    r.push_back("Pendenza media Δy/Δx = " + misura(s.pendenza, quoziente(unitay, unitax)));
    // Over x in order, whatever the order of the readings: in the X-Y view
    // too it is the area under the curve, not along the path the readings
    // took.
    r.push_back("Area sotto la curva (trapezi, x crescente) = " +
                misura(s.area, prodotto(unitay, unitax)));
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
        std::string t = p.nome + " = " + testonumero(p.valore, p.errore, p.risoluzione);
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
        r.push_back("x₀ = " + misura(a.x0, unitax, 10) + " (inizio della selezione)");
    r.push_back(testor2(a.r2, a.esatto));
    if (a.esatto) {
        // Residuals at the rounding of the numbers: said plainly, not as a
        // standard deviation of 10⁻¹⁵ a user would take for a measurement.
        r.push_back("Deviazione standard dei residui: 0 (i punti stanno esattamente " +
                    std::string(dove(a.modello)) + ")");
    } else {
        r.push_back("Deviazione standard dei residui: " + misura(a.deviazioneresidua, unitay, 3));
    }
    r.push_back("Punti: " + std::to_string(a.punti) +
                ", gradi di libertà: " + std::to_string(a.gradi) + esclusi(a.scartati));
    return r;
}

std::vector<std::string> righe(const Tangente& t, std::string_view unitax,
                               std::string_view unitay) {
    if (!t.riuscita) return {"Tangente non riuscita: " + t.errore};
    std::string finestra = "Parabola locale su " + std::to_string(t.punti) + " punti";
    if (t.valorix != t.punti) finestra += " (" + std::to_string(t.valorix) + " valori di x)";
    return {"Tangente in x = " + misura(t.x, unitax) + ": pendenza = " +
                conunita(testonumero(t.pendenza, t.errore_pendenza, t.risoluzione),
                         quoziente(unitay, unitax)),
            finestra};
}

}  // namespace lumetto::analisi
