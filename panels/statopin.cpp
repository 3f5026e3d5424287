#include "panels/statopin.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace lumetto::panels {

std::array<int16_t, 21> statopin{};

void azzerastatopin() {
    statopin.fill(0);
}

namespace {

// Characters 6k-3 to 6k of the reply (counting from 1), or what there is of them.
std::string_view campo(std::string_view risposta, int k) {
    size_t inizio = static_cast<size_t>(6 * k - 4);
    if (inizio >= risposta.size()) return {};
    return risposta.substr(inizio, 4);
}

int cifra(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

}  // namespace

int valoreanalogico(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negativo = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativo = s[i++] == '-';
    int base = 10;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    // A field holds at most four characters, so the value cannot overflow;
    // the bound keeps a longer text from doing so all the same.
    long long v = 0;
    size_t cifre = 0;
    for (; i < s.size(); ++i, ++cifre) {
        int d = cifra(s[i], base);
        if (d < 0) break;
        v = std::min<long long>(v * base + d, 1'000'000'000);
    }
    bool convertito = i == s.size() && cifre > 0;
    return static_cast<int>(convertito && negativo ? -v : v);
}

int posizionebarra(int r) {
    return kMassimoBarra - static_cast<int>(std::trunc(static_cast<double>(r) * 100 / 1023.0));
}

std::string tensione(int r) {
    char buf[64];
    auto fine = std::to_chars(buf, buf + sizeof buf, static_cast<double>(r) * 5 / 1023.0,
                              std::chars_format::fixed, 3)
                    .ptr;
    std::string t(buf, fine);
    if (t.size() < 5) t.insert(0, 5 - t.size(), ' ');
    return t;
}

std::string allineato(long long n, size_t w) {
    std::string t = std::to_string(n);
    if (t.size() < w) t.insert(0, w - t.size(), ' ');
    return t;
}

StatoLetto decodificastato(std::string_view risposta) {
    StatoLetto s;
    for (int k = 1; k <= kSlot; ++k) {
        std::string riga = "-->dato=" + allineato(k, 2);
        std::string_view f = campo(risposta, k);
        auto& memoria = statopin[static_cast<size_t>(k)];
        if (k <= kSlotDigitali) {
            if (f == "HHHH") memoria = 1;
            if (f == "LLLL") memoria = 0;
            auto& d = s.digitali[static_cast<size_t>(k - 1)];
            d.spuntato = memoria == 1;
            d.testo = " D" + std::to_string(k + 1) + (d.spuntato ? " ON" : " OFF");
            riga += d.testo;
        } else {
            int canale = k - kSlotDigitali - 1;
            auto& a = s.analogici[static_cast<size_t>(canale)];
            a.lettura = valoreanalogico(f) - 1000;
            a.calcolata = posizionebarra(a.lettura);
            // The bar cannot show a position outside its range; the texts
            // below keep the reading as it came.
            a.posizione = std::clamp(a.calcolata, 0, kMassimoBarra);
            a.tensione = tensione(a.lettura);
            a.etichetta = "A" + std::to_string(canale) + " V=" + a.tensione;
            riga += " A" + std::to_string(canale) + " numero=" + allineato(a.lettura, 4) +
                    " V=" + a.tensione;
        }
        s.righe[static_cast<size_t>(k - 1)] = std::move(riga);
    }
    return s;
}

std::string comandouscite(const std::array<bool, kUscite>& alte) {
    std::string c;
    for (int i = 0; i < kUscite; ++i) {
        c += alte[static_cast<size_t>(i)] ? 'H' : 'L';
        c += static_cast<char>('1' + i);
    }
    return c;
}

std::string comandoservo(int numero, int posizione) {
    if (numero < 1 || numero > kServi)
        throw std::invalid_argument("servo " + std::to_string(numero) + ": i servo sono 1, 2 e 3");
    int p = std::clamp(posizione, 0, kMassimoServo);
    std::string c = "S";
    c += static_cast<char>('0' + numero);
    c += static_cast<char>('0' + p / 100);
    c += static_cast<char>('0' + p / 10 % 10);
    c += static_cast<char>('0' + p % 10);
    return c;
}

std::string etichettaservo(int posizione) {
    return "Pos=" + allineato(posizione, 2);
}

}  // namespace lumetto::panels
