// The class over a real Mosquitto on loopback, with TLS and users as a
// school runs it: how long a reading takes from the bench's hand-over to the
// teacher's parsed message.
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/misure.h"
#include "classe/messaggi.h"
#include "classe/mqtt.h"
#include "support/broker.h"
#include "support/cartella.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace lumetto;
using lumetto::bench::mediana;
using lumetto::bench::percentile;

void riga(const char* cosa, const char* obiettivo, const std::vector<double>& v,
          const char* unita) {
    std::printf("%-52s %-12s %.3f %s (95th %.3f %s)\n", cosa, obiettivo, mediana(v), unita,
                percentile(v, 0.95), unita);
}

classe::Configurazione come(const prove::Broker& b, const std::string& utente) {
    classe::Configurazione c;
    c.host = "127.0.0.1";
    c.porta = b.porta();
    c.tls = true;
    c.ca = b.ca();
    c.utente = utente;
    c.password = utente;
    c.nome = "3B";
    c.banco = utente;
    return c;
}

// Readings from one bench to the teacher, one every few milliseconds as a
// fast run would send them: from pubblica() to the parsed message.
std::vector<double> latenza(const prove::Broker& b, int quante) {
    std::mutex m;
    std::condition_variable cv;
    std::vector<Clock::time_point> inviate(static_cast<std::size_t>(quante) + 1);
    std::vector<double> ritardi;
    bool pronto = false;

    classe::Avvisi docente;
    docente.collegato = [&] {
        std::lock_guard l(m);
        pronto = true;
        cv.notify_all();
    };
    docente.messaggio = [&](std::string argomento, std::string dati, bool) {
        auto esito = classe::leggimessaggio("3B", argomento, dati);
        const auto ora = Clock::now();
        if (!esito.messaggio) return;
        const auto* l = std::get_if<archivio::Lettura>(&esito.messaggio->contenuto);
        if (l == nullptr) return;
        std::lock_guard g(m);
        ritardi.push_back(std::chrono::duration<double, std::milli>(
                              ora - inviate[static_cast<std::size_t>(l->numero)])
                              .count());
        cv.notify_all();
    };
    classe::Collegamento lettore(come(b, "docente"), "docente", docente);
    lettore.iscrivi(classe::filtroclasse("3B"), 1);
    lettore.avvia();
    classe::Avvisi niente;
    bool banco = false;
    niente.collegato = [&] {
        std::lock_guard l(m);
        banco = true;
        cv.notify_all();
    };
    classe::Collegamento scrittore(come(b, "banco01"), "banco01", niente);
    scrittore.avvia();
    {
        std::unique_lock l(m);
        cv.wait(l, [&] { return pronto && banco; });
    }
    // The teacher's subscription is sent at connection: give it a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::string argomento = classe::argomentoletture("3B", "banco01", 1);
    for (int i = 1; i <= quante; ++i) {
        archivio::Lettura l;
        l.numero = i;
        l.ms = i * 100;
        l.valori = {21.5 + i, 3.25, 1000.0 - i, 0, 1};
        const std::string dati = classe::scrivilettura(l);
        {
            std::lock_guard g(m);
            inviate[static_cast<std::size_t>(i)] = Clock::now();
        }
        scrittore.pubblica(argomento, dati, 1, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::unique_lock l(m);
    cv.wait_for(l, std::chrono::seconds(10), [&] { return ritardi.size() == std::size_t(quante); });
    return ritardi;
}

}  // namespace

int main() {
    prove::CartellaProva cartella;
    prove::Broker broker(cartella, {{{"docente", "docente"}, {"banco01", "banco01"}},
                                    "user docente\ntopic read lumetto/#\n"
                                    "pattern write lumetto/+/%u/#\n",
                                    true});
    std::printf("%-52s %-12s %s\n", "what", "goal", "figure");
    riga("reading, bench to teacher (loopback, TLS, QoS 1)", "< 50 ms", latenza(broker, 1000),
         "ms");
    return 0;
}
