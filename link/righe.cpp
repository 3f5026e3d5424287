// The free stream's lines: bytes cut into lines, lines read into readings, and
// the listen that tells a right baud from a wrong one.
#include "link/righe.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace lumetto::link {

namespace {

unsigned char byte(char c) {
    return static_cast<unsigned char>(c);
}
bool bianco(char c) {
    return c == ' ' || c == '\t';
}
bool cifra(char c) {
    return c >= '0' && c <= '9';
}

std::string_view pulisci(std::string_view s) {
    while (!s.empty() && bianco(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && bianco(s.back()))
        s.remove_suffix(1);
    return s;
}

// The length of the text character at s[i], 0 when it is not one: C0 controls
// but tab, DEL, C1 controls, and anything that is not well-formed UTF-8
// (overlong, surrogate, past U+10FFFF, cut short).
std::size_t carattere(std::string_view s, std::size_t i) {
    const unsigned char b = byte(s[i]);
    if (b == '\t' || (b >= 0x20 && b < 0x7F)) return 1;
    if (b < 0xC2 || b > 0xF4) return 0;
    const std::size_t n = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (s.size() - i < n) return 0;
    unsigned basso = 0x80, alto = 0xBF;
    if (b == 0xC2) basso = 0xA0;  // U+0080 to U+009F are controls
    if (b == 0xE0) basso = 0xA0;
    if (b == 0xED) alto = 0x9F;
    if (b == 0xF0) basso = 0x90;
    if (b == 0xF4) alto = 0x8F;
    const unsigned char secondo = byte(s[i + 1]);
    if (secondo < basso || secondo > alto) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if ((byte(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

// Bytes at the start of a stream that are not text: opening a port often
// delivers a stray byte or two before the board's first line, which is often
// the row of names that must not be lost.
std::size_t sporcoiniziale(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && carattere(s, i) == 0)
        ++i;
    return i;
}

bool intero(std::string_view s) {
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
    if (s.empty()) return false;
    for (char c : s)
        if (!cifra(c)) return false;
    return true;
}

bool uguali(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (x != b[i]) return false;
    }
    return true;
}

// Whether a number from_chars could not hold is too large (else it is too
// small, and reads as zero): the decimal exponent of its first significant
// digit.
bool enorme(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && s[i] == '-') ++i;
    long long esponente = 0;
    bool trovata = false;
    bool punto = false;
    for (; i < s.size() && (cifra(s[i]) || s[i] == '.'); ++i) {
        if (s[i] == '.') {
            punto = true;
        } else if (!trovata && s[i] == '0') {
            if (punto) --esponente;
        } else {
            if (!trovata && punto) --esponente;
            trovata = true;
            if (!punto) ++esponente;
        }
    }
    if (i + 1 < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        const bool meno = s[i + 1] == '-';
        long long e = 0;
        const auto r =
            std::from_chars(s.data() + i + 1 + (s[i + 1] == '+'), s.data() + s.size(), e);
        // An exponent past long long, or past any length of digits before
        // it: only its sign matters (and the sum below cannot overflow).
        if (r.ec == std::errc::result_out_of_range) return !meno;
        constexpr long long kLontano = 1'000'000'000;
        esponente += std::clamp(e, -kLontano, kLontano);
    }
    return esponente > 0;
}

}  // namespace

bool etesto(std::string_view testo) {
    for (std::size_t i = 0; i < testo.size();) {
        const std::size_t n = carattere(testo, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string citazione(std::string_view riga) {
    std::string c;
    std::size_t caratteri = 0, i = 0;
    for (; i < riga.size() && caratteri < kMaxCitazione; ++caratteri) {
        const std::size_t n = carattere(riga, i);
        if (n == 0) {
            c += "\uFFFD";
            ++i;
        } else {
            if (riga[i] == '\t')
                c += ' ';
            else
                c.append(riga.substr(i, n));
            i += n;
        }
    }
    if (i < riga.size()) c += "…";
    return c;
}

// --- Lines from bytes ---

Righe::Righe() {
    // The whole line's room at once: it never grows past it.
    riga_.reserve(kMaxRiga);
}

void Righe::aggiungi(std::string_view dati, const std::function<void(const Riga&)>& fatta) {
    for (char c : dati) {
        if (c == '\n' && dopoCR_) {
            dopoCR_ = false;
            continue;
        }
        dopoCR_ = c == '\r';
        if (c == '\n' || c == '\r') {
            chiudi(fatta);
        } else if (salta_) {
            continue;
        } else if (riga_.size() < kMaxRiga) {
            riga_.push_back(c);
        } else {
            lunga_ = true;
        }
    }
}

void Righe::saltaprima() {
    salta_ = true;
    riga_.clear();
    lunga_ = false;
}

void Righe::chiudi(const std::function<void(const Riga&)>& fatta) {
    if (salta_) {
        salta_ = false;
    } else {
        std::string_view testo = riga_;
        Scarto scarto = Scarto::nessuno;
        if (lunga_) {
            scarto = Scarto::troppolunga;
        } else {
            if (prima_) testo.remove_prefix(sporcoiniziale(testo));
            if (!etesto(testo)) scarto = Scarto::rumore;
        }
        fatta({testo, scarto});
    }
    prima_ = false;
    riga_.clear();
    lunga_ = false;
}

// --- Readings from lines ---

Valore leggivalore(std::string_view s, bool virgola) {
    if (s.empty()) return {};
    std::string copia;  // short: no allocation
    bool conVirgola = false;
    if (virgola) {
        const auto c = s.find(',');
        if (c != std::string_view::npos && s.find(',', c + 1) == std::string_view::npos &&
            s.find('.') == std::string_view::npos) {
            copia.assign(s);
            copia[c] = '.';
            s = copia;
            conVirgola = true;
        }
    }
    // from_chars takes no "+".
    if (s.size() > 1 && s[0] == '+' && s[1] != '+' && s[1] != '-') s.remove_prefix(1);
    std::string_view modulo = s;
    if (!modulo.empty() && (modulo[0] == '-' || modulo[0] == '+')) modulo.remove_prefix(1);
    if (uguali(modulo, "ovf")) return {Genere::mancante};
    // Most words fail at once, without from_chars (a 4 KiB row of names is
    // 2000 of them).
    const char c0 = modulo.empty() ? ' ' : modulo[0];
    if (!cifra(c0) && c0 != '.' && c0 != 'n' && c0 != 'N' && c0 != 'i' && c0 != 'I')
        return {Genere::parola};

    double v = 0;
    const auto [fine, errore] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (fine != s.data() + s.size()) return {Genere::parola};
    if (errore == std::errc::result_out_of_range) {
        if (enorme(s)) return {Genere::mancante};
        return {Genere::numero, s[0] == '-' ? -0.0 : 0.0, conVirgola};
    }
    if (errore != std::errc() || !std::isfinite(v)) return {Genere::mancante};
    return {Genere::numero, v, conVirgola};
}

namespace {

// Calls `campo` for each field of `s` separated by runs of blanks, keeping
// "temp : 21.5", "temp: 21.5" and "temp :21.5" one field.
template <class F>
void perbianchi(std::string_view s, F&& campo) {
    std::size_t i = 0, inizio = 0, fine = 0;
    bool aperto = false, uno = false;
    while (true) {
        while (i < s.size() && bianco(s[i]))
            ++i;
        if (i == s.size()) break;
        const std::size_t a = i;
        while (i < s.size() && !bianco(s[i]))
            ++i;
        if (uno && (aperto || s[a] == ':')) {
            fine = i;
        } else {
            if (uno) campo(s.substr(inizio, fine - inizio));
            inizio = a;
            fine = i;
            uno = true;
        }
        aperto = s[i - 1] == ':';
    }
    if (uno) campo(s.substr(inizio, fine - inizio));
}

// Parts of `s` between separators `sep`, blanks around them taken off; empty
// parts at the end (a separator printed after the last value) are none.
template <class F>
void perseparatore(std::string_view s, char sep, F&& parte) {
    while (!s.empty() && (bianco(s.back()) || s.back() == sep))
        s.remove_suffix(1);
    if (s.empty()) return;
    std::size_t i = 0;
    while (true) {
        const std::size_t j = s.find(sep, i);
        if (j == std::string_view::npos) {
            parte(pulisci(s.substr(i)));
            break;
        }
        parte(pulisci(s.substr(i, j - i)));
        i = j + 1;
    }
}

// Pieces of `s` between runs of blanks that hold a tab.
template <class F>
void pertab(std::string_view s, F&& pezzo) {
    std::size_t i = 0, inizio = 0;
    while (i < s.size()) {
        if (!bianco(s[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        bool tab = false;
        while (j < s.size() && bianco(s[j]))
            tab = s[j++] == '\t' || tab;
        if (tab) {
            pezzo(pulisci(s.substr(inizio, i - inizio)));
            inizio = j;
        }
        i = j;
    }
    pezzo(pulisci(s.substr(inizio)));
}

// A part of a comma-separated line that is only words: a name in a row of names.
bool soloparole(std::string_view parte) {
    if (parte.find(':') != std::string_view::npos) return false;
    bool tutte = true;
    perbianchi(parte, [&](std::string_view p) {
        tutte = tutte && leggivalore(p).genere == Genere::parola;
    });
    return tutte;
}

// A part with a label before its last ':'.
bool etichettata(std::string_view parte) {
    const auto d = parte.rfind(':');
    return d != std::string_view::npos && !pulisci(parte.substr(0, d)).empty();
}

bool cifre(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!cifra(c)) return false;
    return true;
}

}  // namespace

void Flusso::campo(std::string_view testo) {
    Campo c;
    const auto d = testo.rfind(':');
    if (d == std::string_view::npos) {
        c.valore = testo;
    } else {
        c.etichetta = pulisci(testo.substr(0, d));
        c.valore = pulisci(testo.substr(d + 1));
        c.etichettato = !c.etichetta.empty();
    }
    campi_.push_back(c);
}

// The fields of a comma-separated line without semicolons or tabs.
void Flusso::percomma(std::string_view riga) {
    parti_.clear();
    perseparatore(riga, ',', [this](std::string_view p) { parti_.push_back(p); });
    auto campo = [this](std::string_view t) { this->campo(t); };

    // A row of names: each name a whole part, blanks and all.
    bool nomi = true, qualcuno = false;
    for (std::string_view p : parti_) {
        nomi = nomi && soloparole(p);
        qualcuno = qualcuno || !p.empty();
    }
    if (nomi && qualcuno) {
        for (std::string_view p : parti_)
            campo(p);
        return;
    }

    // Digits right after a labelled whole number, in a line where every other
    // part is labelled, are its decimals: "temp:21,5,luce:43".
    bool decimali = true;
    for (std::size_t k = 0; k < parti_.size() && decimali; ++k) {
        if (etichettata(parti_[k])) continue;
        decimali = k > 0 && cifre(parti_[k]) && etichettata(parti_[k - 1]) &&
                   intero(pulisci(parti_[k - 1].substr(parti_[k - 1].rfind(':') + 1)));
    }

    for (std::string_view p : parti_) {
        if (p.empty()) {
            campo(p);
        } else if (decimali && !etichettata(p)) {
            campi_.back().decimali = p;
        } else if (p.find(':') != std::string_view::npos) {
            // Blanks separate fields only when every one is labelled;
            // otherwise they are inside a label: "temp esterna:21.5".
            const std::size_t primo = campi_.size();
            perbianchi(p, campo);
            bool tutti = campi_.size() - primo > 1;
            for (std::size_t k = primo; k < campi_.size(); ++k)
                tutti = tutti && campi_[k].etichettato;
            if (!tutti) {
                campi_.resize(primo);
                campo(p);
            }
        } else {
            perbianchi(p, campo);
        }
    }
}

// Words that run straight into a labelled field are its label's, as the line
// printed them: "temp esterna: 21.5 luce: 43". Words anywhere else stay, and
// make the line unreadable.
void Flusso::unisciparole() {
    auto parola = [](const Campo& c) {
        return !c.etichettato && leggivalore(c.valore).genere == Genere::parola;
    };
    std::size_t scritti = 0;
    for (std::size_t k = 0; k < campi_.size();) {
        std::size_t j = k;
        while (j < campi_.size() && parola(campi_[j]))
            ++j;
        if (j > k && j < campi_.size() && campi_[j].etichettato) {
            const char* da = campi_[k].valore.data();
            const std::string_view e = campi_[j].etichetta;
            campi_[j].etichetta =
                std::string_view(da, static_cast<std::size_t>(e.data() - da) + e.size());
            k = j;
        }
        for (const std::size_t fine = std::max(j, k + 1); k < fine; ++k)
            campi_[scritti++] = campi_[k];
    }
    campi_.resize(scritti);
}

void Flusso::campi(std::string_view riga) {
    campi_.clear();
    auto campo = [this](std::string_view t) { this->campo(t); };
    const bool virgola = riga.find_first_of(";\t") != std::string_view::npos;
    if (virgola) {
        perseparatore(riga, ';', [&](std::string_view parte) {
            if (parte.empty())
                campo(parte);
            else
                pertab(parte, campo);
        });
    } else if (riga.find(',') != std::string_view::npos) {
        percomma(riga);
    } else {
        perbianchi(riga, campo);
        unisciparole();
    }

    for (Campo& c : campi_) {
        if (c.decimali.empty()) {
            c.letto = leggivalore(c.valore, virgola);
        } else {
            std::string unito;
            unito.append(c.valore).append(".").append(c.decimali);
            c.letto = leggivalore(unito);
            c.letto.virgola = true;
        }
    }
}

Esito Flusso::scarta(Scarto perche, std::string_view riga) {
    switch (perche) {
        case Scarto::troppolunga:
            ++conto_.troppolunghe;
            break;
        case Scarto::rumore:
            ++conto_.rumore;
            break;
        default:
            perche = Scarto::illeggibile, ++conto_.illeggibili;
            break;
    }
    if (conto_.scartate() == 1) conto_.primascartata = citazione(riga);
    Esito e;
    e.tipo = Esito::Tipo::scartata;
    e.scarto = perche;
    return e;
}

int Flusso::colonna(std::string_view nome) {
    for (std::size_t j = 0; j < colonne_.size(); ++j)
        if (colonne_[j] == nome) return static_cast<int>(j);
    if (colonne_.size() >= kColonne) return -1;
    colonne_.emplace_back(nome);
    return static_cast<int>(colonne_.size() - 1);
}

Esito Flusso::riga(std::string_view testo) {
    const std::string_view riga = pulisci(testo);
    if (riga.empty()) return {};
    ++conto_.righe;
    campi(riga);

    std::size_t parole = 0, valori = 0, etichettati = 0;
    for (Campo& c : campi_) {
        Valore& v = c.letto;
        if (v.genere == Genere::numero || v.genere == Genere::mancante) ++valori;
        if (c.etichettato) {
            ++etichettati;
            // "stato:acceso": a value that is not a number is missing.
            if (v.genere == Genere::parola) v.genere = Genere::mancante;
        } else if (v.genere == Genere::parola) {
            ++parole;
        }
    }
    if (parole > 0 && etichettati == 0 && valori == 0) {
        intestazione_.clear();
        for (const Campo& c : campi_)
            intestazione_.emplace_back(c.letto.genere == Genere::parola ? c.valore : "");
        ++conto_.intestazioni;
        Esito e;
        e.tipo = Esito::Tipo::intestazione;
        return e;
    }
    // Words among numbers ("Temperatura = 21.5 C"), or labels with no value.
    if (parole > 0 || valori == 0) return scarta(Scarto::illeggibile, riga);

    Esito e;
    e.tipo = Esito::Tipo::lettura;
    std::array<bool, kColonne> preso{};
    for (std::size_t k = 0; k < campi_.size(); ++k) {
        const Campo& c = campi_[k];
        std::string_view nome;
        if (c.etichettato) {
            nome = c.etichetta;
        } else if (k < intestazione_.size() && !intestazione_[k].empty()) {
            nome = intestazione_[k];
        } else {
            const auto fine = std::to_chars(nome_.data() + 7, nome_.data() + nome_.size(), k + 1);
            nome =
                std::string_view(nome_.data(), static_cast<std::size_t>(fine.ptr - nome_.data()));
        }
        const int j = colonna(nome);
        if (j < 0) {
            ++conto_.oltrecolonne;
            continue;
        }
        const auto u = static_cast<std::size_t>(j);
        if (preso[u]) {
            ++conto_.ripetuti;
            continue;
        }
        preso[u] = true;
        if (c.letto.genere == Genere::numero) {
            e.valori[u] = c.letto.numero;
            if (c.letto.virgola) ++conto_.virgole;
        } else {
            ++conto_.mancanti;
        }
    }
    ++conto_.letture;
    return e;
}

void Flusso::aggiungi(std::string_view dati, const std::function<void(const Esito&)>& fatto) {
    righe_.aggiungi(dati, [&](const Righe::Riga& r) {
        Esito e;
        if (r.scarto == Scarto::nessuno) {
            e = riga(r.testo);
        } else {
            ++conto_.righe;
            e = scarta(r.scarto, r.testo);
        }
        if (e.tipo != Esito::Tipo::vuota) fatto(e);
    });
}

// --- What the user is told ---

namespace {

std::string quanti(int64_t n, const char* uno, const char* molti) {
    return std::to_string(n) + " " + (n == 1 ? uno : molti);
}

void elenca(std::string& s, int64_t n, const char* uno, const char* molti) {
    if (n == 0) return;
    if (s.back() != ' ') s += ", ";
    s += quanti(n, uno, molti);
}

}  // namespace

std::string testoscarti(const ContoFlusso& c) {
    std::string s;
    if (c.scartate() > 0) {
        s = quanti(c.scartate(), "riga scartata", "righe scartate") + ": ";
        elenca(s, c.troppolunghe, "troppo lunga", "troppo lunghe");
        elenca(s, c.rumore, "con caratteri non di testo", "con caratteri non di testo");
        elenca(s, c.illeggibili, "illeggibile", "illeggibili");
        if (!c.primascartata.empty()) s += " (la prima: \"" + c.primascartata + "\")";
    }
    const int64_t valori = c.oltrecolonne + c.ripetuti;
    if (valori > 0) {
        if (!s.empty()) s += "; ";
        s += quanti(valori, "valore scartato", "valori scartati") + ": ";
        const std::string oltre = "oltre le " + std::to_string(kColonne) + " colonne";
        elenca(s, c.oltrecolonne, oltre.c_str(), oltre.c_str());
        elenca(s, c.ripetuti, "ripetuto nella stessa riga", "ripetuti nella stessa riga");
    }
    return s;
}

std::string testomancanti(const ContoFlusso& c) {
    if (c.mancanti == 0) return {};
    return c.mancanti == 1
               ? "1 valore mancante (nan, inf, campo vuoto o non numerico), lasciato vuoto"
               : std::to_string(c.mancanti) +
                     " valori mancanti (nan, inf, campi vuoti o non numerici), lasciati vuoti";
}

std::string testovirgola(const ContoFlusso& c) {
    if (c.virgole == 0) return {};
    return c.virgole == 1
               ? "1 valore scritto con la virgola decimale (21,5 invece di 21.5), letto come "
                 "decimale"
               : std::to_string(c.virgole) +
                     " valori scritti con la virgola decimale (21,5 invece di 21.5), letti come "
                     "decimali";
}

// --- The right baud ---

Ascolto valutaascolto(std::string_view d) {
    // The listen starts inside a line, perhaps inside a byte: what comes
    // before the first line end may be garbage at the right baud too.
    const std::size_t primafine = d.find_first_of("\r\n");
    const std::size_t dopo = primafine == std::string_view::npos ? 0 : primafine;
    std::size_t cattivi = 0;
    bool intera = false;               // a whole line of text between two line ends
    bool buono = true, pieno = false;  // the current line: all text; not blank
    for (std::size_t i = dopo; i < d.size();) {
        const char c = d[i];
        if (c == '\r' || c == '\n') {
            intera = intera || (i > dopo && buono && pieno);
            buono = true;
            pieno = false;
            ++i;
            continue;
        }
        const std::size_t n = carattere(d, i);
        if (n == 0) {
            ++cattivi;
            buono = false;
            ++i;
            continue;
        }
        pieno = pieno || !bianco(c);
        i += n;
    }
    // A UART at a wrong baud gives well over a tenth of bytes that are no text.
    const std::size_t n = d.size() - dopo;
    if (n >= 16 && cattivi * 10 > n) return Ascolto::rumore;
    if (intera && cattivi * 20 <= n) return Ascolto::testo;
    // No line of the stream could be read out of this much.
    if (!intera && d.size() > 2 * kMaxRiga) return Ascolto::rumore;
    return Ascolto::pochi;
}

}  // namespace lumetto::link
