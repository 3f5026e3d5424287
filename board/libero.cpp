// The free-stream sketch's lines and the wrong-rate receiver, as pure functions.
#include "board/libero.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace lumetto::scheda {

namespace {

constexpr double kPi = 3.14159265358979323846;

// One well-mixed 64-bit number per (seed, line, purpose): every line's noise
// and faults follow from its own index, so line k needs no line before it.
uint64_t mescola(uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}
uint64_t caso(uint64_t seme, int64_t k, uint64_t scopo) {
    return mescola(mescola(seme ^ (scopo * 0x2545f4914f6cdd1dull)) ^ static_cast<uint64_t>(k));
}
// Uniform in [-1, 1).
double unitario(uint64_t h) {
    return static_cast<double>(h >> 11) * 0x1.0p-52 - 1.0;
}

enum Scopo : uint64_t { kRumoreValore = 1, kScelta, kColonna, kByte };

// How often each fault spoils a reading: now and then, the long line rarer.
uint64_t ogni(Guasto g) {
    return g == Guasto::Lunga ? 25 : 10;
}

// A column's value at simulated time t (seconds): a photoresistor's light
// and a room's temperature for the default names (and for the first two bare
// columns), a slow wave of its own for any other.
double valore(const std::string& nome, size_t i, bool conNome, double t, double rumore) {
    const bool luce = conNome ? nome == "luce" : i == 0;
    const bool temp = conNome ? nome == "temp" : i == 1;
    if (luce) return std::clamp(50 + 35 * std::sin(2 * kPi * t / 20) + 3 * rumore, 0.0, 100.0);
    if (temp)
        return 21 + 1.5 * std::sin(2 * kPi * t / 120) + 0.2 * std::sin(2 * kPi * t / 7) +
               0.1 * rumore;
    const double n = static_cast<double>(i + 1);
    return 10 * n + 5 * std::sin(2 * kPi * t / (8 + 4 * n)) + 0.5 * rumore;
}

// Two decimals with a point, whatever the locale.
std::string testo(double v) {
    char b[32];
    auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, 2);
    return std::string(b, r.ptr);
}

bool numero(const std::string& s) {
    double v;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

}  // namespace

std::optional<std::vector<std::string>> colonneDaTesto(const std::string& testo,
                                                       std::string& errore) {
    std::vector<std::string> nomi;
    size_t a = 0;
    for (;;) {
        size_t b = testo.find(',', a);
        nomi.push_back(testo.substr(a, b == std::string::npos ? std::string::npos : b - a));
        if (b == std::string::npos) break;
        a = b + 1;
    }
    if (testo.empty()) return std::vector<std::string>(2);
    const bool vuoti = std::all_of(nomi.begin(), nomi.end(), [](auto& n) { return n.empty(); });
    for (const auto& n : nomi) {
        if (n.empty() && !vuoti) {
            errore = "un nome di colonna è vuoto: o tutte le colonne hanno un nome o nessuna";
            return std::nullopt;
        }
        for (unsigned char c : n) {
            if (c < 0x20 || c == 0x7f || c == ':' || c == ' ' || c == '\t') {
                errore = "il nome di colonna \"" + n +
                         "\" non va: niente spazi, due punti o caratteri di controllo";
                return std::nullopt;
            }
        }
        if (!n.empty() && numero(n)) {
            errore =
                "il nome di colonna \"" + n + "\" è un numero: la riga sembrerebbe una lettura";
            return std::nullopt;
        }
    }
    if (nomi.size() > 64) {
        errore = "al più 64 colonne";
        return std::nullopt;
    }
    return nomi;
}

bool colonneConNome(const OpzioniLibero& o) {
    return !o.colonne.empty() && !o.colonne.front().empty();
}

RigaLibera rigaLibera(const OpzioniLibero& o, Guasto guasto, uint64_t seme, int64_t k) {
    RigaLibera r;
    const bool conNome = colonneConNome(o);
    if (o.intestazione && conNome) {
        if (k == 0) {
            r.intestazione = true;
            for (size_t i = 0; i < o.colonne.size(); ++i)
                r.byte += (i ? "," : "") + o.colonne[i];
            r.byte += "\r\n";
            return r;
        }
        --k;  // the readings keep their clock whether a header came first or not
    }
    const size_t colonne = o.colonne.size();
    const double t = static_cast<double>(k) / std::max(o.frequenza, 1);
    const bool nomi = conNome && !o.intestazione;
    const uint64_t scelta = caso(seme, k, kScelta);
    if (colonne > 0 && guasto != Guasto::Silenzio && guastoDelFlusso(guasto) &&
        scelta % ogni(guasto) == 0) {
        r.guasto = guasto;
        r.colonnaGuasta = static_cast<size_t>(caso(seme, k, kColonna) % colonne);
    }
    std::string corpo;
    for (size_t i = 0; i < colonne; ++i) {
        const double rumore = unitario(caso(seme, k, kRumoreValore + 16 * (i + 1)));
        const std::string v = testo(valore(o.colonne[i], i, conNome, t, rumore));
        double letto = 0;
        std::from_chars(v.data(), v.data() + v.size(), letto);
        std::string scritto = v;
        const bool guasta = r.guasto != Guasto::Nessuno && i == r.colonnaGuasta;
        if (guasta && r.guasto == Guasto::Manca) scritto.clear();
        if (guasta && r.guasto == Guasto::Nan) scritto = "nan";
        if (guasta && r.guasto == Guasto::Virgola)
            std::replace(scritto.begin(), scritto.end(), '.', ',');
        const bool senzaNumero = guasta && (r.guasto == Guasto::Manca || r.guasto == Guasto::Nan);
        r.valori.push_back(senzaNumero ? std::nullopt : std::optional<double>(letto));
        if (i) corpo += ',';
        if (nomi) corpo += o.colonne[i] + ":";
        corpo += scritto;
    }
    if (r.guasto == Guasto::Rumore) {
        // A burst of any bytes, line ends included, as a loose wire or a board
        // being plugged in makes: the line after it arrives spoiled.
        const uint64_t h = caso(seme, k, kByte);
        const size_t n = 8 + static_cast<size_t>(h % 33);
        for (size_t i = 0; i < n; ++i)
            r.byte += static_cast<char>(caso(seme, k, kByte + 16 * (i + 1)) & 0xff);
    }
    if (r.guasto == Guasto::Lunga) {
        // A sketch that forgot println for a while: the same reading over and
        // over, then the line end.
        std::string lunga = corpo;
        while (lunga.size() <= kRigaLunga)
            lunga += "," + corpo;
        corpo = std::move(lunga);
    }
    r.byte += corpo + "\r\n";
    return r;
}

std::string allaVelocita(const std::string& byte, uint32_t inviati, uint32_t ricevuti) {
    if (inviati == ricevuti) return byte;
    if (ricevuti == 0 || inviati == 0) return {};
    // The line as the sender drives it: per byte a start bit (0), eight data
    // bits from the lowest, a stop bit (1); idle (1) before and after.
    std::vector<bool> bit;
    bit.reserve(byte.size() * 10);
    for (unsigned char c : byte) {
        bit.push_back(false);
        for (int i = 0; i < 8; ++i)
            bit.push_back((c >> i) & 1);
        bit.push_back(true);
    }
    // Times in units of 1 / (inviati * ricevuti) s, so that both bit lengths
    // are whole numbers: a sent bit lasts `ricevuti` units, a read one `inviati`.
    const uint64_t lungoInviato = ricevuti, lungoLetto = inviati;
    const uint64_t fine = bit.size() * lungoInviato;
    auto livello = [&](uint64_t t) { return t >= fine || bit[t / lungoInviato]; };
    std::string letti;
    uint64_t pronto = 0;  // the receiver looks for a start bit from here on
    size_t i = 0;         // the sent bit at which to look for a falling edge
    for (;;) {
        // The next falling edge at or after `pronto`: a 0 bit after a 1 bit
        // (the line is idle, 1, before the first).
        i = std::max<size_t>(i, static_cast<size_t>(pronto / lungoInviato));
        while (i < bit.size() && (bit[i] || (i > 0 && !bit[i - 1]) || i * lungoInviato < pronto))
            ++i;
        if (i >= bit.size()) break;
        const uint64_t inizio = i * lungoInviato;
        // A start bit that is high again in its middle was a glitch.
        if (livello(inizio + lungoLetto / 2)) {
            pronto = inizio + 1;
            ++i;
            continue;
        }
        unsigned c = 0;
        for (int d = 0; d < 8; ++d)
            c |= static_cast<unsigned>(
                     livello(inizio + lungoLetto * static_cast<uint64_t>(d + 1) + lungoLetto / 2))
                 << d;
        letti += static_cast<char>(c);
        // Ready for the next start bit from the middle of the stop bit.
        pronto = inizio + lungoLetto * 9 + lungoLetto / 2;
        ++i;
    }
    return letti;
}

int64_t istanteRiga(const OpzioniLibero& o, Guasto guasto, int64_t k) {
    const int64_t f = std::clamp(o.frequenza, 1, kFrequenzaMassima);
    int64_t t = k / f * 1000000000 + k % f * 1000000000 / f;
    if (guasto == Guasto::Silenzio) t += k / kRigheTraSilenzi * int64_t{kSilenzioMs} * 1000000;
    return t;
}

}  // namespace lumetto::scheda
