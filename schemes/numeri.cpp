#include "schemes/numeri.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace lumetto::schemes {

namespace {

bool cifra(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string_view rifila(std::string_view t) {
    const auto i = t.find_first_not_of(' ');
    if (i == std::string_view::npos) return {};
    return t.substr(i, t.find_last_not_of(' ') - i + 1);
}

std::optional<double> leggireale(std::string_view testo) {
    const std::string_view t = rifila(testo);
    std::size_t i = 0;
    const std::size_t fine = t.size();
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
    if (!std::isfinite(x) || decimali < 0) {
        auto [fine, errore] =
            std::to_chars(testo, testo + sizeof testo, x, std::chars_format::fixed, 0);
        if (errore != std::errc{}) return allinea("?", larghezza);
        return allinea(std::string_view(testo, static_cast<std::size_t>(fine - testo)), larghezza);
    }
    // Rounded as a person rounds the number written down, half away from
    // zero: the board sends 23.45 and the log shows 23.5, where rounding the
    // binary value (23.4499...) would give 23.4. The shortest text that reads
    // back as x is that written number.
    auto [fine, errore] = std::to_chars(testo, testo + sizeof testo, x, std::chars_format::fixed);
    if (errore != std::errc{}) return allinea("?", larghezza);
    std::string_view scritto(testo, static_cast<std::size_t>(fine - testo));
    bool negativo = !scritto.empty() && scritto.front() == '-';
    if (negativo) scritto.remove_prefix(1);
    std::size_t punto = scritto.find('.');
    std::string cifre(scritto.substr(0, punto));  // the whole part, then the decimals kept
    std::string_view frazione =
        punto == std::string_view::npos ? std::string_view() : scritto.substr(punto + 1);
    const auto d = static_cast<std::size_t>(decimali);
    cifre.append(frazione.substr(0, d));
    cifre.append(d - std::min(d, frazione.size()), '0');
    if (frazione.size() > d && frazione[d] >= '5') {
        std::size_t k = cifre.size();
        while (k > 0 && cifre[k - 1] == '9')
            cifre[--k] = '0';
        if (k == 0)
            cifre.insert(cifre.begin(), '1');
        else
            ++cifre[k - 1];
    }
    std::string r = negativo ? "-" : "";
    r.append(cifre, 0, cifre.size() - d);
    if (d > 0) r.append(".").append(cifre, cifre.size() - d, d);
    return allinea(r, larghezza);
}

std::string allinea(std::string_view testo, std::size_t larghezza) {
    std::string r;
    if (testo.size() < larghezza) r.assign(larghezza - testo.size(), ' ');
    r += testo;
    return r;
}

}  // namespace lumetto::schemes
