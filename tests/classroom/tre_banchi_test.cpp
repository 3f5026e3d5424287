// A class as a school runs it, whole: the school's broker files made by the
// script, a Mosquitto configured as shipped, three benches each a real
// lumetto against its own virtual board running another experiment, and the
// teacher's model fed through a real connection. What the teacher holds of
// each run must be what the bench's archive holds, reading for reading; a
// bench that vanishes is "offline" by its will, and one closed before its
// last readings went out sends them when it is started again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "archive/archivio.h"
#include "classroom/aula.h"
#include "classroom/configurazione.h"
#include "classroom/messaggi.h"
#include "classroom/mqtt.h"
#include "support/broker.h"
#include "support/cartella.h"

namespace lumetto::classe {
namespace {

namespace fs = std::filesystem;
using prove::CartellaProva;

// A program of ours started with its own home and settings.
pid_t lancia(const fs::path& casa, const std::vector<std::string>& argomenti) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("HOME", casa.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (casa / ".config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (casa / ".local/share").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("LUMETTO_TRACCIA", "solo", 1);
        const fs::path log = casa / (fs::path(argomenti[0]).filename().string() + ".log");
        const int f = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (f >= 0) {
            ::dup2(f, 1);
            ::dup2(f, 2);
        }
        std::vector<char*> v;
        for (const auto& a : argomenti)
            v.push_back(const_cast<char*>(a.c_str()));
        v.push_back(nullptr);
        ::execv(v[0], v.data());
        ::_exit(127);
    }
    return pid;
}

void termina(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    int stato = 0;
    ::waitpid(pid, &stato, 0);
}

struct Banco {
    std::string nome, esperimento;
    fs::path casa;
    pid_t scheda = -1, lumetto = -1;
};

TEST(Classe, ThreeBenchesAreSeenWholeByTheTeacher) {
    CartellaProva d;
    const int porta = prove::portalibera();
    prove::esegui(std::string(LUMETTO_CREA_CLASSE) + " --classe 3B --broker 127.0.0.1 --banchi 3" +
                  " --porta " + std::to_string(porta) + " --scuola '" + (d / "classe") +
                  "' --percorso-broker '" + (d / "classe/broker") + "' >/dev/null");
    prove::Broker broker(d, d / "classe/broker/mosquitto.conf", porta);

    // The teacher's side: the window's model behind a real connection.
    std::mutex m;
    std::condition_variable cv;
    Aula aula("3B");
    Avvisi avvisi;
    bool collegato = false;
    avvisi.collegato = [&] {
        std::lock_guard l(m);
        collegato = true;
        cv.notify_all();
    };
    avvisi.messaggio = [&](std::string argomento, std::string dati, bool conservato) {
        std::lock_guard l(m);
        aula.ricevi(argomento, dati, conservato);
        cv.notify_all();
    };
    auto docente = leggiconfigurazione("/nessuno", d / "classe/classi/3B/docente/classe.conf");
    ASSERT_TRUE(docente.configurazione) << docente.errore;
    Collegamento lettore(*docente.configurazione, "docente", avvisi);
    lettore.iscrivi(filtroclasse("3B"), 1);
    ASSERT_EQ(lettore.avvia(), "");
    {
        std::unique_lock l(m);
        ASSERT_TRUE(cv.wait_for(l, std::chrono::seconds(30), [&] { return collegato; }));
    }

    std::vector<Banco> banchi = {
        {"banco01", "termostato", {}}, {"banco02", "sonar", {}}, {"banco03", "regolazione-pi", {}}};
    for (auto& b : banchi) {
        b.casa = d.percorso() / b.nome;
        fs::create_directories(b.casa / ".config/lumetto");
        for (const char* f : {"classe.conf", "ca.crt"})
            fs::copy_file(d.percorso() / "classe/classi/3B/banchi" / b.nome / f,
                          b.casa / ".config/lumetto" / f);
        b.scheda = lancia(b.casa, {LUMETTO_SCHEDA_BIN, "--headless", "--sketch", "tutti"});
    }
    for (auto& b : banchi) {
        const fs::path com = b.casa / ".lumetto/dosdevices/com13";
        for (int i = 0; i < 400 && !fs::exists(fs::symlink_status(com)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        b.lumetto = lancia(b.casa, {LUMETTO_BIN, "--esperimento", b.esperimento});
    }

    // Each bench's run is seen with a few readings; then the benches go
    // without a goodbye (the last readings may not have left).
    auto letture = [&](const std::string& banco) {
        const classe::Banco* b = aula.banco(banco);
        const CorsaRicevuta* c = b ? b->mostrata() : nullptr;
        return c && c->fatti ? c->letture.size() : 0u;
    };
    {
        std::unique_lock l(m);
        EXPECT_TRUE(cv.wait_for(l, std::chrono::seconds(90),
                                [&] {
                                    for (const auto& b : banchi)
                                        if (letture(b.nome) < 4) return false;
                                    return true;
                                }))
            << "the teacher saw " << letture("banco01") << ", " << letture("banco02") << ", "
            << letture("banco03") << " readings";
    }
    for (auto& b : banchi)
        termina(std::exchange(b.lumetto, -1));
    // Gone without a goodbye: the broker sees their connections drop and
    // says so for them with their will.
    auto offline = [&](const std::string& banco) {
        const classe::Banco* b = aula.banco(banco);
        return b && b->stato && b->stato->stato == Stato::Offline;
    };
    {
        std::unique_lock l(m);
        EXPECT_TRUE(cv.wait_for(l, std::chrono::seconds(60), [&] {
            for (const auto& b : banchi)
                if (!offline(b.nome)) return false;
            return true;
        }));
    }

    // Started again, without an experiment: what waited in its archive goes.
    std::map<std::string, std::vector<archivio::Lettura>> archiviate;
    std::map<std::string, archivio::Corsa> fatti;
    for (auto& b : banchi) {
        archivio::Archivio a(b.casa / ".local/share/lumetto/lumetto.sqlite");
        auto corse = a.elenco();
        ASSERT_EQ(corse.size(), 1u) << b.nome;
        fatti[b.nome] = corse[0];
        archiviate[b.nome] = a.letture(corse[0].id);
        b.lumetto = lancia(b.casa, {LUMETTO_BIN});
    }
    {
        std::unique_lock l(m);
        EXPECT_TRUE(cv.wait_for(l, std::chrono::seconds(60), [&] {
            for (const auto& b : banchi)
                if (letture(b.nome) < archiviate[b.nome].size()) return false;
            return true;
        }));
    }
    for (auto& b : banchi) {
        termina(b.lumetto);
        termina(b.scheda);
    }

    std::lock_guard l(m);
    EXPECT_EQ(aula.rifiutati(), 0) << aula.ultimorifiuto();
    for (const auto& b : banchi) {
        SCOPED_TRACE(b.nome);
        const CorsaRicevuta* c = aula.banco(b.nome)->mostrata();
        ASSERT_TRUE(c && c->fatti);
        EXPECT_EQ(c->fatti->id, fatti[b.nome].id);
        EXPECT_EQ(c->fatti->esperimento, fatti[b.nome].esperimento);
        EXPECT_EQ(c->fatti->testata, fatti[b.nome].testata);
        EXPECT_EQ(c->fatti->inizio, fatti[b.nome].inizio);
        ASSERT_EQ(c->letture.size(), archiviate[b.nome].size());
        for (const auto& a : archiviate[b.nome]) {
            const auto it = c->letture.find(a.numero);
            ASSERT_NE(it, c->letture.end()) << "reading " << a.numero;
            EXPECT_EQ(it->second.ms, a.ms);
            for (std::size_t k = 0; k < a.valori.size(); ++k) {
                if (std::isnan(a.valori[k]))
                    EXPECT_TRUE(std::isnan(it->second.valori[k])) << a.numero << ":" << k;
                else
                    EXPECT_EQ(it->second.valori[k], a.valori[k]) << a.numero << ":" << k;
            }
        }
    }
}

}  // namespace
}  // namespace lumetto::classe
