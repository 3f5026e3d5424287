#include "schemes/maschere.h"

#include <cmath>
#include <optional>

#include "schemes/numeri.h"

namespace lumetto::schemes {

std::string formattavalore(double x, char tipo) {
    // A value the board did not give is an empty cell, never a number.
    if (std::isnan(x)) return std::string(6, ' ');
    // Exact comparisons: states arrive as the numbers 0, 1 and 2.
    switch (tipo) {
        case '2':
            if (x == 0) return " OFF  ";
            if (x == 1) return " ON   ";
            if (x == 2) return " Halt ";
            break;
        case '3':
            return scrivireale(x, 3, 6);
        case '4':
            if (x == 0) return "chiude";
            if (x == 1) return "apre  ";
            if (x == 2) return "Halt  ";
            break;
        default:
            break;
    }
    return scrivireale(x, 1, 6);
}

Rgb colore(char codice) {
    switch (codice) {
        case '1':
            return {255, 0, 0};
        case '2':
            return {0, 0, 255};
        case '3':
            return {0, 128, 0};
        default:
            return {0, 0, 0};
    }
}

Rgb coloremaschera(std::string_view maschera, int i) {
    return colore(carattere(maschera, i));
}

int dimensione(char codice) {
    switch (codice) {
        case '1':
            return 16;
        case '2':
            return 18;
        default:
            return 14;
    }
}

int dimensionemaschera(std::string_view maschera, int i) {
    return dimensione(carattere(maschera, i));
}

std::string_view parolatipo(char codice) {
    switch (codice) {
        case '2':
            return "valore logico ";
        case '3':
            return "valore reale con 3 decimali";
        case '4':
            return "valore flottante";
        default:
            return "numero reale con 1 decimale";
    }
}

std::string_view parolacolore(char codice) {
    switch (codice) {
        case '1':
            return "rosso";
        case '2':
            return "blu";
        case '3':
            return "verde";
        default:
            return "nero";
    }
}

std::string_view paroladimensione(char codice) {
    switch (codice) {
        case '1':
            return "16";
        case '2':
            return "18";
        default:
            return "14";
    }
}

namespace {

std::optional<double> parolachiave(std::string_view operando) {
    if (operando == "ON" || operando == "APRE") return 1;
    if (operando == "OFF" || operando == "CHIUDE") return 0;
    if (operando == "HALT") return 2;
    return std::nullopt;
}

bool cifra(char c) {
    return c >= '0' && c <= '9';
}

// The conditions' result; the description of the last one that names v goes
// to `descrizione` where one is given.
int valuta(const Schema& s, int v, double valore,
           TestoLimitato<kCaratteriDescrizione>* descrizione) {
    bool alto = false, basso = false;
    for (int k = 1; k <= kCondizioni; ++k) {
        std::string c = s.condizione(k).str();
        for (char& ch : c)
            if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (c.empty() || c[0] == ' ') continue;

        // The variable: the digits among characters 1 and 2.
        int n = 0;
        bool nominata = false;
        for (std::size_t p = 0; p < 2 && p < c.size(); ++p) {
            if (cifra(c[p])) {
                n = n * 10 + (c[p] - '0');
                nominata = true;
            }
        }
        if (!nominata || n != v) continue;

        // The operators: whatever of > < = stands at characters 2 and 3; the
        // operand follows the last of them.
        std::string operatori;
        bool maggiore = false, minore = false, uguale = false;
        std::size_t dopo = c.size();
        for (std::size_t p = 1; p < 3 && p < c.size(); ++p) {
            bool o = true;
            switch (c[p]) {
                case '>':
                    maggiore = true;
                    break;
                case '<':
                    minore = true;
                    break;
                case '=':
                    uguale = true;
                    break;
                default:
                    o = false;
            }
            if (o) operatori += c[p], dopo = p + 1;
        }
        const std::string_view operando = std::string_view(c).substr(dopo);

        TestoLimitato<kCaratteriDescrizione> d(allinea(std::to_string(n), 2) + " =" +
                                               s.nomevariabile(n) + operatori);
        if (maggiore) {
            d += " ";
            d += operando;
            auto limite = leggireale(operando);
            if (limite && valore > *limite) alto = true;
        }
        if (minore) {
            d += " ";
            d += operando;
            auto limite = leggireale(operando);
            if (limite && valore < *limite) basso = true;
        }
        if (uguale) {
            d += " ";
            d += operando;
            auto stato = parolachiave(operando);
            if (stato && valore == *stato) alto = true;
        }
        if (descrizione) *descrizione = d;
    }
    return basso ? 2 : alto ? 1 : 0;
}

}  // namespace

int valutacondizioni(Schema& s, int v, double valore) {
    return valuta(s, v, valore, &s.descrizionecondizione);
}

int esitocondizioni(const Schema& s, int v, double valore) {
    return valuta(s, v, valore, nullptr);
}

int valutacondizioni(int v, double valore) {
    return valutacondizioni(schemacorrente(), v, valore);
}

}  // namespace lumetto::schemes
