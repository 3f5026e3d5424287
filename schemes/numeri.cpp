#include "schemes/numeri.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace lumetto::schemes {

namespace {

bool cifra(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<double> leggireale(std::string_view t) {
    std::size_t i = 0, fine = t.size();
    while (i < fine && t[i] == ' ')
        ++i;
    while (fine > i && t[fine - 1] == ' ')
        --fine;
    const std::size_t inizio = i;
    const bool negativo = i < fine && t[i] == '-';
    if (i < fine && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t dopoSegno = i;

    // Checked here rather than left to from_chars, which also takes "inf",
    // "nan" and hexadecimal. The order of magnitude is kept for the rare text
    // that from_chars finds out of range.
    std::size_t cifre = 0;
    long long ordine = 0;
    bool significativa = false;
    while (i < fine && cifra(t[i])) {
        significativa = significativa || t[i] != '0';
        if (significativa) ++ordine;
        ++i, ++cifre;
    }
    if (i < fine && t[i] == '.') {
        ++i;
        while (i < fine && cifra(t[i])) {
            if (!significativa && t[i] == '0') --ordine;
            significativa = significativa || t[i] != '0';
            ++i, ++cifre;
        }
    }
    if (cifre == 0) return std::nullopt;
    if (i < fine && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool esponenteNegativo = i < fine && t[i] == '-';
        if (i < fine && (t[i] == '+' || t[i] == '-')) ++i;
        if (i == fine || !cifra(t[i])) return std::nullopt;
        long long esponente = 0;
        for (; i < fine && cifra(t[i]); ++i)
            if (esponente < 1'000'000) esponente = esponente * 10 + (t[i] - '0');
        ordine += esponenteNegativo ? -esponente : esponente;
    }
    if (i != fine) return std::nullopt;

    // from_chars takes a minus but not a plus.
    const char* primo = t.data() + (negativo ? inizio : dopoSegno);
    double valore = 0;
    auto [fermo, errore] = std::from_chars(primo, t.data() + fine, valore);
    if (errore == std::errc::result_out_of_range) {
        valore = ordine > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return negativo ? -valore : valore;
    }
    if (errore != std::errc{} || fermo != t.data() + fine) return std::nullopt;
    return valore;
}

std::string scrivireale(double x, int decimali, std::size_t larghezza) {
    char testo[400];  // the widest double in fixed notation needs about 330
    auto [fine, errore] =
        std::to_chars(testo, testo + sizeof testo, x, std::chars_format::fixed, decimali);
    if (errore != std::errc{}) return allinea("?", larghezza);
    return allinea(std::string_view(testo, static_cast<std::size_t>(fine - testo)), larghezza);
}

std::string allinea(std::string_view testo, std::size_t larghezza) {
    std::string r;
    if (testo.size() < larghezza) r.assign(larghezza - testo.size(), ' ');
    r += testo;
    return r;
}

}  // namespace lumetto::schemes
