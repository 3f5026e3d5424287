#include "panels/taratura.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "firmware/src/LumettoTrama.h"
#include "link/campi.h"

namespace lumetto::panels {

std::optional<int> letturamultimetro(std::string_view testo) {
    auto spazio = [](char c) { return c == ' ' || c == '\t'; };
    while (!testo.empty() && spazio(testo.front()))
        testo.remove_prefix(1);
    while (!testo.empty() && spazio(testo.back()))
        testo.remove_suffix(1);
    // The unit a teacher may add: "V" or "mV".
    bool milli = false;
    if (testo.ends_with("mV") || testo.ends_with("mv")) {
        milli = true;
        testo.remove_suffix(2);
    } else if (testo.ends_with("V") || testo.ends_with("v")) {
        testo.remove_suffix(1);
    }
    while (!testo.empty() && spazio(testo.back()))
        testo.remove_suffix(1);
    // The comma an Italian keyboard types is a decimal point here.
    std::string numero(testo);
    for (char& c : numero)
        if (c == ',') c = '.';
    double v = 0;
    const auto [fine, errore] = std::from_chars(numero.data(), numero.data() + numero.size(), v);
    if (errore != std::errc() || fine != numero.data() + numero.size() || numero.empty())
        return std::nullopt;
    // A bare number above 100 is in millivolts ("5020").
    const double mv = milli || v > 100 ? v : v * 1000;
    if (!(mv >= lumetto::trama::kMultimetroMinimo - 0.5 &&
          mv <= lumetto::trama::kMultimetroMassimo + 0.5))
        return std::nullopt;
    return static_cast<int>(std::lround(mv));
}

std::string comandotaratura(int millivolt) {
    std::string cifre = std::to_string(std::clamp(millivolt, 0, 9999));
    return std::string(1, lumetto::trama::kTaratura) +
           std::string(lumetto::trama::kCifreTaratura - cifre.size(), '0') + cifre;
}

std::optional<Taratura> leggitaratura(std::string_view risposta) {
    if (risposta.size() != lumetto::trama::kRispostaTaratura) return std::nullopt;
    const auto campi = link::dividicampi(risposta);
    double v[4];
    for (size_t i = 0; i < 4; ++i) {
        v[i] = link::valorecampo(campi[i]);
        if (std::isnan(v[i])) return std::nullopt;
    }
    // The states are status words: a number there is no calibration reply.
    auto parola = [&](size_t i) {
        return campi[i].size() == lumetto::trama::kCampo &&
               (campi[i][0] == 'H' || campi[i][0] == 'L' || campi[i][0] == 'S');
    };
    if (!parola(2) || !parola(3) || v[2] == 2) return std::nullopt;
    if (v[0] < 0 || v[0] > 9999 || v[1] < 1000 || v[1] > 1200) return std::nullopt;
    Taratura t;
    t.alimentazioneMv = static_cast<int>(std::lround(v[0]));
    t.bandgapMv = static_cast<int>(std::lround(v[1]));
    t.tarata = v[2] == 1;
    t.esito = v[3] == 1   ? Taratura::Esito::Tenuta
              : v[3] == 2 ? Taratura::Esito::Rifiutata
                          : Taratura::Esito::Chiesta;
    return t;
}

std::string volt(int millivolt) {
    const int a = std::abs(millivolt);
    std::string decimi = std::to_string(a % 1000);
    return (millivolt < 0 ? "-" : "") + std::to_string(a / 1000) + "." +
           std::string(3 - decimi.size(), '0') + decimi;
}

std::string testotaratura(const Taratura& t) {
    std::string s;
    if (t.esito == Taratura::Esito::Tenuta)
        s = "Taratura registrata sulla scheda. ";
    else if (t.esito == Taratura::Esito::Rifiutata)
        s = t.alimentazioneMv == 0
                ? "La scheda ha rifiutato la taratura: lo sketch caricato non legge ingressi "
                  "analogici e non misura la sua alimentazione (carica StatoPin). "
                : "La scheda ha rifiutato la taratura: la lettura del multimetro è troppo "
                  "lontana da quella della scheda (controlla il multimetro e che misuri fra 5V "
                  "e GND della scheda). ";
    if (t.alimentazioneMv > 0)
        s += "Alimentazione misurata dalla scheda: " + volt(t.alimentazioneMv) + " V. ";
    s += t.tarata ? "Scheda tarata: riferimento interno di " + std::to_string(t.bandgapMv) + " mV."
                  : "Scheda non tarata: riferimento interno nominale di " +
                        std::to_string(t.bandgapMv) + " mV.";
    return s;
}

}  // namespace lumetto::panels
