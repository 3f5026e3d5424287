#include "link/collegamento.h"

#include "firmware/src/LumettoTrama.h"
#include "link/campi.h"
#include "link/letture.h"
#include "platform/diagnosi.h"
#include "platform/diagnostica.h"
#include "platform/dialoghi.h"
#include "serial/clock.h"

#include <algorithm>

namespace lumetto::link {

TabellaLetture tabellaletture{};
int32_t numerolettura = 0;
std::string nomeporta;

namespace {

std::unique_ptr<serial::TXComm> corrente;
// A component replaced while it still held its device: kept (and the device
// held, as the design's sequence expects) until the acquisition stops.
std::vector<std::unique_ptr<serial::TXComm>> trattenute;
VistaCollegamento finestra;

// A component's call can show a box (its error report), and the acquisition
// timer fires inside a box: a tick in there may stop the run and release the
// held components while the call underneath still runs on one of them. So a
// release asked for during a call waits until the outermost call returns.
int inUso = 0;
bool rilascioRinviato = false;

void rilasciaora() {
    trattenute.clear();
    if (corrente && corrente->DeviceOpened()) corrente.reset();
}

class Uso {
  public:
    Uso() { ++inUso; }
    ~Uso() {
        if (--inUso == 0 && rilascioRinviato) {
            rilascioRinviato = false;
            rilasciaora();
        }
    }
    Uso(const Uso&) = delete;
    Uso& operator=(const Uso&) = delete;
};

void nuovocomponente() {
    if (corrente && corrente->DeviceOpened()) trattenute.push_back(std::move(corrente));
    corrente = std::make_unique<serial::TXComm>();
    corrente->setBaudRate(serial::br9600);
    corrente->DataControl().setDataBits(serial::db7);
    corrente->DataControl().setStopBits(serial::sb1);
    corrente->DataControl().setParity(serial::paEven);
}

}  // namespace

serial::TXComm* portacom() {
    return corrente.get();
}

void impostaVistaCollegamento(VistaCollegamento f) {
    finestra = std::move(f);
}

bool apridispositivo(const std::string& nome) {
    Uso uso;
    nuovocomponente();
    corrente->setDeviceName(nome);
    return corrente->OpenDevice();
}

std::string portascelta() {
    int n = finestra.porta ? finestra.porta() : 13;
    return ("COM" + std::to_string(n)).substr(0, 20);
}

bool apriporta() {
    nomeporta = portascelta();
    if (!apridispositivo(nomeporta)) {
        diagnostica::scrivi(diagnostica::Stanza::link,
                            nomeporta + " did not open (lumetto.serial says why)");
        if (finestra.fermaTimer) finestra.fermaTimer();
        platform::dialoghi().messaggio("Arduino non collegato!!");
        return false;
    }
    return true;
}

void chiudiporta() {
    if (!corrente) return;
    {
        Uso uso;
        corrente->CloseDevice();
    }
    if (inUso == 0) {
        corrente.reset();
    } else {
        trattenute.push_back(std::move(corrente));  // freed with the held ones
    }
}

void cercaporta() {
    nuovocomponente();
    for (int i = 1; i <= 18; ++i) {
        bool aperta = false;
        {
            Uso uso;
            corrente->setDeviceName("COM" + std::to_string(i));
            aperta = corrente->OpenDevice();
        }
        // The component may have gone meanwhile (a release inside a box).
        if (aperta && corrente) {
            if (finestra.impostaPorta) finestra.impostaPorta(i);
            platform::dialoghi().messaggio("Arduino collegato su porta seriale=" +
                                           corrente->DeviceName());
            chiudiporta();
            return;
        }
    }
    // No port opened, where the design says nothing. A board that is plugged
    // in and still does not open is a permission or another program holding
    // it: told once, with what to do.
    if (auto perche = platform::diagnosiporte()) platform::dialoghi().messaggio(*perche);
}

bool inviacomando(char lettera) {
    Uso uso;
    if (!apriporta()) return false;
    corrente->SendString(std::string(1, lettera));
    return true;
}

Identita chiedichisei() {
    // The clock starts before the open: the whole question is bounded.
    serial::Elapsed trascorso;
    Identita chi;
    {
        Uso uso;
        // A port that does not open is said by the run's first tick.
        nomeporta = portascelta();
        if (!apridispositivo(nomeporta)) return chi;
        corrente->SendString(std::string(1, trama::kChiChiede));
        // A line that is not the answer (a sketch of its own printing) is
        // skipped; a line too long for one is cut, so nothing piles up.
        constexpr size_t kRigaMassima = 80;
        std::string riga;
        // What the close and the clock's whole milliseconds may take after
        // the last wait; a board's answer (22 characters at 9600 baud) needs
        // a sixth of the rest.
        constexpr uint32_t kMargine = 10;
        constexpr uint32_t kLettura = kAttesaIdentitaMs - kMargine;
        for (;;) {
            const uint64_t speso = trascorso.now();
            // A wait ends one millisecond past its time-out.
            if (speso + 1 >= kLettura) break;
            char c = 0;
            const auto resto = static_cast<uint32_t>(kLettura - speso - 1);
            if (corrente->ReceiveData(&c, 1, resto) != 1) break;
            if (c != '\n') {
                if (riga.size() < kRigaMassima) riga += c;
                continue;
            }
            if (auto letta = leggiidentita(riga)) {
                chi = *letta;
                break;
            }
            riga.clear();
        }
    }
    chiudiporta();
    return chi;
}

Risposta leggicaratteri(uint8_t n, std::string& testo) {
    Uso uso;
    std::string letto;
    int blank = 0;
    if (n == 0) {
        testo.clear();
        return Risposta::arrivata;
    }
    for (int i = 0; i < n; ++i) {
        char c = 0;
        // A closed component (it cannot happen in the designed sequence) reads as silence.
        if (!corrente || !corrente->ReceiveChar(c)) c = 0;
        if (c == 11) continue;
        if (c == 0 || c == ' ') {
            letto += ' ';
            if (++blank == n / 2) {
                namespace d = diagnostica;
                if (d::attiva(d::Stanza::link))
                    d::scrivi(d::Stanza::link,
                              nomeporta + ": silence: " + std::to_string(blank) +
                                  " blanks or time-outs in " + std::to_string(i + 1) + " of " +
                                  std::to_string(n) + " characters, read \"" + letto + "\"");
                return Risposta::nessundato;  // the caller's text stays as it was
            }
        } else {
            letto += c;
        }
    }
    testo = letto;
    return Risposta::arrivata;
}

Risposta ricevirisposta(uint8_t n, std::string& risposta) {
    const bool nellatabella = numerolettura >= 1 && numerolettura <= kMaxLetture;
    auto& riga = tabellaletture[static_cast<size_t>(std::clamp(numerolettura, 0, kMaxLetture))];
    // Whatever an earlier run left in this row is not this reading: a value
    // the reply does not give is missing, never an old one shown as new.
    if (nellatabella) std::fill(riga.begin() + 1, riga.begin() + 1 + kMaxCampi, kMancante);
    std::string testo;
    if (leggicaratteri(n, testo) == Risposta::nessundato) {
        platform::dialoghi().messaggio("nessun dato in ricezione!");
        return Risposta::nessundato;
    }
    risposta = testo;
    auto campi = dividicampi(testo);
    int k = std::min(n / 6, kMaxCampi);
    for (int j = 1; j <= k; ++j) {
        double v = valorecampo(campi[static_cast<size_t>(j - 1)]);
        if (nellatabella) riga[static_cast<size_t>(j)] = v;
    }
    return Risposta::arrivata;
}

void ricevitesto(uint16_t n, std::string& risposta) {
    Uso uso;
    std::string testo;
    for (int i = 0; i < n; ++i) {
        char c = 0;
        if (!corrente || !corrente->ReceiveChar(c)) c = 0;
        if (c != 0) testo += c;
    }
    if (!testo.empty()) risposta = testo;
}

void rilasciaporte() {
    if (inUso > 0) {
        rilascioRinviato = true;
        return;
    }
    rilasciaora();
}

size_t portetrattenute() {
    return trattenute.size() + (corrente && corrente->DeviceOpened());
}

void azzeracollegamento() {
    inUso = 0;
    rilascioRinviato = false;
    trattenute.clear();
    corrente.reset();
    nomeporta.clear();
    numerolettura = 0;
    for (auto& riga : tabellaletture)
        riga.fill(0);
    finestra = {};
}

}  // namespace lumetto::link
