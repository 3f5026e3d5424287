// The class over a real Mosquitto on this machine: how long a reading takes
// from the bench's hand-over to the teacher's parsed message (TLS and users,
// as a school runs it); the publisher's cost to the tick ("Regolazione PI "
// against the virtual board with the archive listening, then with the
// publisher too, to a broker that is up, then down); and how long the
// readings kept meanwhile take to go out when the broker is back.
#include <stdlib.h>

#include <QCoreApplication>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/pubblicazione.h"
#include "acquisition/registrocorse.h"
#include "bench/corsa.h"
#include "bench/misure.h"
#include "classroom/messaggi.h"
#include "classroom/mqtt.h"
#include "platform/dialoghi.h"
#include "support/broker.h"
#include "support/cartella.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace lumetto;
using lumetto::bench::mediana;
using lumetto::bench::percentile;

void riga(const char* cosa, const char* obiettivo, std::vector<double> v) {
    for (double& x : v)
        x /= 1000;
    std::printf("%-52s %-12s %.3f ms (95th %.3f ms)\n", cosa, obiettivo, mediana(v),
                percentile(v, 0.95));
}

void eventi() {
    QCoreApplication::processEvents();
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
    classe::Collegamento lettore(b.configurazione("docente", "docente", b.ca()), "docente",
                                 docente);
    lettore.iscrivi(classe::filtroclasse("3B"), 1);
    lettore.avvia();
    classe::Avvisi niente;
    bool banco = false;
    niente.collegato = [&] {
        std::lock_guard l(m);
        banco = true;
        cv.notify_all();
    };
    classe::Collegamento scrittore(b.configurazione("banco01", "banco01", b.ca()), "banco01",
                                   niente);
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

int main(int argc, char** argv) {
    const std::string home = lumetto::bench::casaprovvisoria(std::filesystem::current_path());
    if (home.empty()) return 1;
    unsetenv("XDG_DATA_HOME");
    QCoreApplication app(argc, argv);
    // The broker's outage is news for a user, not for the figures.
    platform::DialoghiMuti muti;
    platform::impostaDialoghi(&muti);
    std::printf("%-52s %-12s %s\n", "what", "goal", "figure");
    {
        prove::CartellaProva d;
        prove::Broker tls(d, {{{"docente", "docente"}, {"banco01", "banco01"}},
                              "user docente\ntopic read lumetto/#\n"
                              "pattern write lumetto/+/%u/#\n",
                              true});
        const auto v = latenza(tls, 1000);
        std::printf("%-52s %-12s %.3f ms (95th %.3f ms)\n",
                    "reading, bench to teacher (loopback, TLS, QoS 1)", "< 50 ms", mediana(v),
                    percentile(v, 0.95));
    }

    prove::CartellaProva cartella;
    prove::Broker broker(cartella, {});
    const classe::Configurazione c = broker.configurazione({}, {}, {}, "banco01");

    acquisition::RegistroCorse registro(std::filesystem::path(home) / "lumetto.sqlite");
    acquisition::aggiungiascoltatore(&registro);
    std::vector<double> senza, con, giu;
    {
        acquisition::PubblicazioneClasse pubblicazione(registro, c);
        while (!pubblicazione.pubblicatore().collegato())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // Alternated in rounds, so that the machine's load falls on both alike.
        for (int giro = 0; giro < 4; ++giro) {
            auto s = bench::tick("pi", "Button2", 200, eventi);
            senza.insert(senza.end(), s.begin(), s.end());
            acquisition::aggiungiascoltatore(&pubblicazione);
            auto k = bench::tick("pi", "Button2", 200, eventi);
            acquisition::togliascoltatore(&pubblicazione);
            con.insert(con.end(), k.begin(), k.end());
        }
        broker.ferma();
        while (pubblicazione.pubblicatore().collegato())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        acquisition::aggiungiascoltatore(&pubblicazione);
        giu = bench::tick("pi", "Button2", 800, eventi);

        // What waited goes out (the runs of the rounds without the publisher
        // too): from the broker's start to the archive empty of
        // unacknowledged readings.
        const size_t attese = registro.archivio()->letturedapubblicare(100000).size();
        const auto t0 = Clock::now();
        broker.avvia();
        while (!registro.archivio()->letturedapubblicare(1).empty()) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        const std::string cosa =
            std::to_string(attese) + " readings caught up after the broker's start";
        std::printf("%-52s %-12s %.2f s\n", cosa.c_str(), "", s);
        acquisition::togliascoltatore(&pubblicazione);
    }
    acquisition::togliascoltatore(&registro);
    riga("tick of Regolazione PI, archive on", "", senza);
    riga("tick of Regolazione PI, archive and class on", "< +0.5 ms", con);
    riga("... with the broker down", "< +0.5 ms", giu);
    std::filesystem::remove_all(home);
    return 0;
}
