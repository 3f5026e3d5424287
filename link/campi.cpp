#include "link/campi.h"

#include <charconv>

namespace lumetto::link {

namespace {

bool cifra(char c) {
    return c >= '0' && c <= '9';
}
bool numerico(char c) {
    return cifra(c) || c == '-' || c == '.';
}
bool lettera(char c) {
    return c == 'H' || c == 'L' || c == 'S';
}

}  // namespace

std::array<std::string, kMaxCampi> dividicampi(std::string_view testo) {
    std::array<std::string, kMaxCampi> campi;
    int j = 0;  // current field, 1-based; 0 before the first
    int corsa = 0;
    bool dopoBlank = false, dopoNumero = false, dopoLettera = false, corsaPiena = false;
    auto aggiungi = [&](char c) {
        if (j >= 1 && campi[j - 1].size() < kMaxCaratteriCampo) campi[j - 1] += c;
    };
    for (size_t i = 0; i < testo.size(); ++i) {
        char c = testo[i];
        bool primo = i == 0;
        if (c == ' ') {
            dopoBlank = true;
            corsa = 0;
            corsaPiena = false;
        } else if (numerico(c)) {
            dopoNumero = true;
            if (dopoLettera || dopoBlank || corsaPiena || primo) {
                if (j < kMaxCampi) ++j;
                dopoBlank = dopoLettera = corsaPiena = false;
            }
            if (++corsa == 6) corsaPiena = true, corsa = 0;
            aggiungi(c);
        } else if (lettera(c)) {
            if ((dopoNumero || dopoBlank || corsaPiena || primo) && j < kMaxCampi) {
                ++j;
                corsaPiena = false;
                corsa = 0;
            }
            dopoBlank = false;
            dopoLettera = true;
            dopoNumero = false;
            if (++corsa == 6) corsaPiena = true, corsa = 0;
            aggiungi(c);
        }
    }
    return campi;
}

double valorecampo(std::string_view campo) {
    if (campo == "HHHHHH") return 1;
    if (campo == "LLLLLL") return 0;
    if (campo == "SSSSSS") return 2;

    // blanks, sign, digits, point, digits, exponent: where does it stop?
    size_t i = 0, n = campo.size();
    while (i < n && campo[i] == ' ')
        ++i;
    size_t inizio = i;
    if (i < n && (campo[i] == '+' || campo[i] == '-')) ++i;
    size_t cifre = 0;
    while (i < n && cifra(campo[i]))
        ++i, ++cifre;
    if (i < n && campo[i] == '.') {
        ++i;
        while (i < n && cifra(campo[i]))
            ++i, ++cifre;
    }
    bool buono = cifre > 0;
    if (buono && i < n && (campo[i] == 'e' || campo[i] == 'E')) {
        size_t e = i + 1;
        if (e < n && (campo[e] == '+' || campo[e] == '-')) ++e;
        size_t cifreEsp = 0;
        while (e < n && cifra(campo[e]))
            ++e, ++cifreEsp;
        if (cifreEsp > 0) {
            i = e;
        } else {
            buono = false;
            i = e;
        }
    }
    if (buono && i == n) {
        std::string_view numero = campo.substr(inizio);
        if (!numero.empty() && numero.front() == '+') numero.remove_prefix(1);
        double v = 0;
        auto [fine, ec] = std::from_chars(numero.data(), numero.data() + numero.size(), v);
        if (ec == std::errc() && fine == numero.data() + numero.size()) return v;
        // Too small for a double is 0; too large is no value at all, not 0.
        if (ec == std::errc::result_out_of_range)
            return numero.find("e-") != std::string_view::npos ||
                           numero.find("E-") != std::string_view::npos
                       ? 0
                       : kMancante;
    }
    // Not a number: the digits before the first unusable character, as a
    // whole number; without a digit there is no value, and 0 would be a lie.
    double v = 0;
    bool unacifra = false;
    for (size_t k = 0; k < i && k < n; ++k)
        if (cifra(campo[k])) v = v * 10 + (campo[k] - '0'), unacifra = true;
    return unacifra ? v : kMancante;
}

}  // namespace lumetto::link
