#include "panels/scambi.h"

#include "acquisition/acquisizione.h"
#include "firmware/src/LumettoTrama.h"
#include "link/collegamento.h"

namespace lumetto::panels {

namespace {

void nuovoregistro(Registro* r, const std::string& testata) {
    if (!r) return;
    r->svuota();
    r->aggiungi(testata);
}

// Writes on the port the exchange opened. A device that vanished on the way
// takes the bytes without waiting (the component ends its waits at once).
void invia(const std::string& byte) {
    serial::TXComm* p = link::portacom();
    if (p && p->DeviceOpened()) p->SendString(byte);
}

}  // namespace

StatoLetto leggistato(Registro* registro) {
    // "6 ingressi analogici" keeps the readings of its six inputs in the log.
    const acquisition::Comando* e = acquisition::esperimento(acquisition::stato.codiceesperimento);
    const bool registra = !(e && e->registroinpannello);
    if (registra && registro) registro->svuota();
    std::string risposta;
    link::ricevitesto(kLunghezzaStato, risposta);
    StatoLetto s = decodificastato(risposta);
    if (registra && registro)
        for (const auto& riga : s.righe)
            registro->aggiungi(riga);
    return s;
}

std::optional<StatoLetto> scambiostato(const std::array<bool, kUscite>& alte, Registro* registro) {
    nuovoregistro(registro, kTestataLettura);
    if (!link::inviacomando('A')) return std::nullopt;
    StatoLetto s = leggistato(registro);
    invia(comandouscite(alte));
    link::chiudiporta();
    return s;
}

bool scambioservo(const std::array<int, kServi>& posizioni, Registro* registro) {
    nuovoregistro(registro, kTestataServo);
    if (!link::inviacomando('A')) return false;
    std::string comandi;
    for (int n = 1; n <= kServi; ++n)
        comandi += comandoservo(n, posizioni[static_cast<size_t>(n - 1)]);
    invia(comandi);
    // The board's answer to "A" is not wanted here; it goes with the port.
    link::chiudiporta();
    return true;
}

std::optional<Taratura> scambiotaratura(int millivolt, bool& aperta) {
    const std::string comando = comandotaratura(millivolt);
    aperta = link::inviacomando(comando[0]);
    if (!aperta) return std::nullopt;
    invia(comando.substr(1));
    std::string risposta;
    serial::TXComm* p = link::portacom();
    for (size_t i = 0; i < lumetto::trama::kRispostaTaratura; ++i) {
        char c = 0;
        if (!p || !p->ReceiveChar(c)) break;
        risposta += c;
    }
    link::chiudiporta();
    return leggitaratura(risposta);
}

}  // namespace lumetto::panels
