#include "board/sketch.h"

#include <cmath>
#include <stdexcept>

namespace lumetto::scheda {

const std::vector<Esperimento>& esperimenti() {
    // The three plants read through scheme files have the frames of the
    // sketches below; the scheme files describe them.
    static const std::vector<Esperimento> tutti = {
        {"pi", 'E', "temp..set...scost.banda.tempo.azp...azi...azt...", "11111111",
         "RegolazionePI"},
        {"climatica", 'C', "Test..Tint..Set...Umid..CO2...Cald..Cond..Vent..Fin...", "111112224",
         "Climatica"},
        {"solare", 'D', "Tcoll.Tbass.Talto.Irr...DeltaTPompa.Integ.Deviat", "11111224", "Solare"},
        {"sonar", 'A', "dist..", "1", "Sonar"},
        {"termostato", 'B', "temp....umid..Set...Stato.", "1112", "Termostato"},
        {"encoder", 'G', "V1....V2....V3....", "111", "Encoder"},
        {"accelerometro", 'G', "Ax....Ay....Az....", "111", "Accelerometro"},
        {"temperatura", 'A', "Temp..", "1", "Temperature"},
        {"motore", 'G', "g/m...Set...", "11", "Motore"},
        {"irrigazione", 'I', "Umid1.Umid2.PioggiLiv...Pompa.EV1...EV2...Temp..", "11212441",
         "Irrigazione"},
        {"livello", 'F', "Min...Max...Pompa.", "222", "Livellostato"},
        {"pneumatica", 'H', "S1A...S1B...S2A...S2B...S3A...S3B...1.....2.....3.....START.STOP..",
         "2222222222", "Pneumatica"},
        {"cascata", 'F', "1.....2.....3.....4.....T.....Set...Delta.E/I....", "22221112",
         "Cascata"},
        {"utente", 'J', "C1....C2....C3....C4....C5....C6....C7....C8....C9....C10...C11...C12...",
         "111111111111", "Utente"},
    };
    return tutti;
}

std::vector<std::string> nomiSketch() {
    std::vector<std::string> n;
    for (const auto& e : esperimenti())
        n.push_back(e.nome);
    n.push_back("pin");
    n.push_back("tutti");
    n.push_back("libero");
    return n;
}

std::string esempioDi(const std::string& sketch) {
    if (sketch == "pin") return "StatoPin";
    if (sketch == "tutti") return "Tutti";
    if (sketch == "libero") return "Libero";
    for (const auto& e : esperimenti())
        if (e.nome == sketch) return e.esempio;
    return {};
}

std::string rigaChi(const std::string& esempio) {
    return "Lumetto " + esempio + " " + lumetto::trama::kVersione + "\r\n";
}

std::string statoPin(const Pin& pin, const std::string& etichetta1) {
    // The slots as the board's own sketch writes them.
    std::string r;
    char slot[lumetto::trama::kCampo];
    for (int i = 0; i < 6; ++i) {
        lumetto::trama::slotdigitale(static_cast<unsigned char>(i + 2),
                                     pin.digitali[static_cast<size_t>(i)], slot);
        r.append(slot, sizeof slot);
    }
    // The first two characters are free: the default sketch puts a reading there.
    if (etichetta1.size() >= 2) r.replace(0, 2, etichetta1, 0, 2);
    for (int i = 0; i < 6; ++i) {
        lumetto::trama::slotanalogico(static_cast<unsigned char>(i),
                                      pin.analogici[static_cast<size_t>(i)], slot);
        r.append(slot, sizeof slot);
    }
    return r + lumetto::trama::finestatopin();
}

namespace {

const Esperimento* trova(const std::string& nome) {
    for (const auto& e : esperimenti())
        if (e.nome == nome) return &e;
    return nullptr;
}

constexpr int64_t kAttesaCifraMs = 40;   // an "H" that is not followed by a digit is the letter H
constexpr int64_t kAttesaServoMs = 200;  // a servo command that stops half-way is dropped

}  // namespace

Logica::Logica(const std::string& sketch, uint64_t seme, double passoSecondi, int campiUtente)
    : sketch_(sketch), rumore_(seme), passo_(passoSecondi) {
    auto servi = [&](const std::string& nome) {
        const Esperimento* e = trova(nome);
        size_t n = e->testata.size();
        if (nome == "utente") n = 6 * static_cast<size_t>(std::clamp(campiUtente, 1, 12));
        lettere_[e->lettera] = Servizio{creaImpianto(nome), n};
    };
    if (sketch == "pin") {
        statoPin_ = comandiUscite_ = true;
    } else if (sketch == "tutti") {
        // One plant per letter; where experiments share a letter, the longest
        // frame, whose start the shorter readers read as a frame of their own.
        for (const char* nome : {"termostato", "climatica", "solare", "pi", "cascata",
                                 "accelerometro", "pneumatica", "irrigazione", "utente"})
            servi(nome);
        statoPin_ = comandiUscite_ = true;
        sonarStato_ = creaImpianto("sonar");
    } else if (sketch == "libero") {
        libera_ = true;
    } else if (trova(sketch)) {
        servi(sketch);
        // The library's sketches that read no analog input never measure it.
        misura_ = sketch != "sonar" && sketch != "encoder" && sketch != "livello" &&
                  sketch != "pneumatica";
    } else {
        throw std::invalid_argument("sketch sconosciuto: " + sketch);
    }
}

std::string Logica::risposta(char lettera) {
    if ((lettera == 'A' && statoPin_) || lettere_.count(lettera))
        ultimoComando = std::string(1, lettera);
    if (lettera == 'A' && statoPin_) {
        std::string primi = "D2";
        if (sonarStato_) {
            // The first two characters of the pin-state reply are free: there
            // the sonar and thermometer readers find a two-digit reading.
            sonarStato_->passo(passo_, rumore_);
            int d = static_cast<int>(std::lround(sonarStato_->valori()[0].valore));
            primi = std::to_string(std::clamp(d, 10, 99));
        }
        segnala("comando A: stato dei pin");
        return statoPin(pin, primi);
    }
    auto it = lettere_.find(lettera);
    if (it == lettere_.end()) return {};
    it->second.impianto->passo(passo_, rumore_);
    segnala(std::string("comando ") + lettera);
    return trama(it->second.impianto->valori(), it->second.lunghezza);
}

std::string Logica::ricevi(char c, int64_t oraMs) {
    Detto d = ascolta(c, oraMs);
    return d.trame + d.chi;
}

Logica::Detto Logica::ascolta(char c, int64_t oraMs) {
    Detto d;
    if (libera_) return d;
    // A "?" is no command: it settles what was half-read, as any other
    // character does, and is answered after that.
    d.trame = trame(c, oraMs);
    if (c == lumetto::trama::kChiChiede) {
        if (conoscechi) {
            d.chi = rigaChi(esempioDi(sketch_));
        } else {
            segnala("\"?\" ignorato: una scheda di prima non sa dire chi è");
        }
    }
    return d;
}

std::string Logica::trame(char c, int64_t oraMs) {
    std::string fuori;
    if (attesa_ == 'H' || attesa_ == 'L') {
        if (c >= '1' && c <= '6') {
            bool alto = attesa_ == 'H';
            pin.uscite[static_cast<size_t>(c - '1')] = alto;
            ultimoComando = std::string(1, attesa_) + c;
            segnala(std::string("uscita D") + std::to_string(c - '1' + 8) +
                    (alto ? " alta" : " bassa"));
            attesa_ = 0;
            scadenza_.reset();
            return fuori;
        }
        fuori = scaduto(oraMs);  // not an output command: the H was the letter
    } else if (attesa_ == 'K') {
        if (c >= '0' && c <= '9') {
            cifre_ += c;
            if (cifre_.size() < lumetto::trama::kCifreTaratura) return fuori;
            attesa_ = 0;
            scadenza_.reset();
            return taratura(cifre_);
        }
        attesa_ = 0;  // a half command is dropped; the character is read as itself
        scadenza_.reset();
    } else if (attesa_ == 'S') {
        if (c >= '0' && c <= '9') {
            cifre_ += c;
            if (cifre_.size() == 4) {
                int n = cifre_[0] - '0';
                int angolo = std::stoi(cifre_.substr(1));
                if (n >= 1 && n <= 3 && angolo <= 180) {
                    pin.servo[static_cast<size_t>(n - 1)] = angolo;
                    ultimoComando = "S" + cifre_;
                    segnala("servo " + std::to_string(n) + " a " + std::to_string(angolo) +
                            " gradi");
                }
                attesa_ = 0;
                scadenza_.reset();
            }
            return fuori;
        }
        attesa_ = 0;
        scadenza_.reset();
    }
    if (c == lumetto::trama::kTaratura && !libera_) {
        // Every sketch of the library takes it, the pin-state one too.
        attesa_ = c;
        cifre_.clear();
        scadenza_ = oraMs + kAttesaServoMs;
        return fuori;
    }
    if (comandiUscite_ && (c == 'H' || c == 'L' || c == 'S')) {
        attesa_ = c;
        cifre_.clear();
        scadenza_ = oraMs + (c == 'S' ? kAttesaServoMs : kAttesaCifraMs);
        return fuori;
    }
    return fuori + risposta(c);
}

double Logica::alimentazioneMisurata() const {
    if (!misura_) return 0;
    return alimentazioneMv * static_cast<double>(bandgap) / static_cast<double>(bandgapChip);
}

std::string Logica::taratura(const std::string& cifre) {
    const long multimetro = std::stol(cifre);
    int esito = lumetto::trama::kTaraturaChiesta;
    if (multimetro != 0) {
        const long nuovo =
            misura_ ? lumetto::trama::nuovoBandgap(bandgap, alimentazioneMisurata(), multimetro)
                    : 0;
        if (nuovo == 0) {
            esito = lumetto::trama::kTaraturaRifiutata;
            segnala("taratura rifiutata: " + cifre + " mV");
        } else {
            bandgap = nuovo;
            tarata = true;
            esito = lumetto::trama::kTaraturaTenuta;
            segnala("taratura: " + cifre + " mV, riferimento " + std::to_string((nuovo + 5) / 10) +
                    " mV");
        }
    }
    ultimoComando = "K" + cifre;
    char r[lumetto::trama::kRispostaTaratura];
    lumetto::trama::rispostaTaratura(alimentazioneMisurata(), bandgap, tarata, esito, r);
    return std::string(r, sizeof r);
}

std::string Logica::scaduto(int64_t) {
    char era = attesa_;
    attesa_ = 0;
    scadenza_.reset();
    return era == 'H' ? risposta('H') : std::string();
}

}  // namespace lumetto::scheda
