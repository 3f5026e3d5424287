// The school's broker exactly as crea-classe.sh makes it, on a real
// Mosquitto, against a student who holds their own bench's password: each
// way found to pass for another bench, silence the teacher or fill the
// broker, replayed and refused; and the script's own work on a school's
// folder (classes and benches added and removed, the certificate renewed,
// nothing written on an error).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "classroom/configurazione.h"
#include "classroom/messaggi.h"
#include "classroom/mqtt.h"
#include "support/broker.h"
#include "support/cartella.h"
#include "support/diario.h"

namespace lumetto::classe {
namespace {

namespace fs = std::filesystem;
using prove::Broker;
using prove::CartellaProva;
using prove::Diario;

struct Uscita {
    int codice = 0;
    std::string testo;  // stdout and stderr
};

// The script, as a technician runs it.
Uscita script(const std::string& argomenti) {
    Uscita u;
    FILE* p = ::popen((std::string(LUMETTO_CREA_CLASSE) + " " + argomenti + " 2>&1").c_str(), "r");
    if (!p) return {-1, "popen"};
    std::array<char, 512> b{};
    while (std::fgets(b.data(), static_cast<int>(b.size()), p))
        u.testo += b.data();
    const int stato = ::pclose(p);
    u.codice = WIFEXITED(stato) ? WEXITSTATUS(stato) : -1;
    return u;
}

std::string contenuto(const fs::path& f) {
    std::ostringstream s;
    s << std::ifstream(f).rdbuf();
    return s.str();
}

// Every file of a folder with its bytes and mode, to see that nothing moved.
std::string impronta(const fs::path& cartella) {
    std::vector<std::string> righe;
    for (const auto& e : fs::recursive_directory_iterator(cartella)) {
        struct stat st {};
        ::stat(e.path().c_str(), &st);
        righe.push_back(fs::relative(e.path(), cartella).string() + " " +
                        std::to_string(st.st_mode) + " " +
                        (e.is_regular_file() ? contenuto(e.path()) : ""));
    }
    std::sort(righe.begin(), righe.end());
    std::string s;
    for (const auto& r : righe)
        s += r + "\n";
    return s;
}

// A school made by the script in a test folder, its broker started from
// the files the script wrote.
class Scuola {
  public:
    explicit Scuola(const std::string& banchi = "banco01 banco02") : porta_(prove::portalibera()) {
        const Uscita u =
            script("--scuola '" + cartella() + "' --classe 3B --broker 127.0.0.1 --nomi '" +
                   banchi + "' --porta " + std::to_string(porta_) +
                   " --indirizzo 127.0.0.1 --percorso-broker '" + cartella() + "/broker'");
        EXPECT_EQ(u.codice, 0) << u.testo;
    }
    std::string cartella() const { return d_ / "scuola"; }
    Uscita esegui(const std::string& argomenti) const {
        return script("--scuola '" + cartella() + "' " + argomenti);
    }
    void avvia() {
        broker_ = std::make_unique<Broker>(d_, cartella() + "/broker/mosquitto.conf", porta_);
    }
    Broker& broker() { return *broker_; }
    // The settings the script made for a bench or the teacher ("docente").
    Configurazione conf(const std::string& classe, const std::string& chi) const {
        const std::string f = cartella() + "/classi/" + classe + "/" +
                              (chi == "docente" ? "docente" : "banchi/" + chi) + "/classe.conf";
        auto e = leggiconfigurazione("/nessuno", f);
        EXPECT_EQ(e.errore, "") << f;
        return e.configurazione.value_or(Configurazione{});
    }
    // Options for mosquitto_sub and mosquitto_pub as that user.
    std::string opzioni(const std::string& classe, const std::string& chi) const {
        const Configurazione c = conf(classe, chi);
        return "-h 127.0.0.1 -p " + std::to_string(porta_) + " --cafile '" + c.ca + "' -u '" +
               c.utente + "' -P '" + c.password + "'";
    }

  private:
    CartellaProva d_;
    int porta_;
    std::unique_ptr<Broker> broker_;
};

// A connection of the class's own client, with the id it asks for.
struct Cliente {
    Diario diario;
    std::unique_ptr<Collegamento> k;
    Cliente(const Configurazione& c, const std::string& id, bool sessione = false,
            const std::string& filtro = {}) {
        k = std::make_unique<Collegamento>(c, id, diario.avvisi(), sessione);
        if (!filtro.empty()) k->iscrivi(filtro, 1);
    }
    void avvia() {
        ASSERT_EQ(k->avvia(), "");
        ASSERT_TRUE(diario.attendi([&] { return diario.collegamenti >= 1; }));
        // A subscription is in place once something of ours comes back
        // through it; a teacher cannot write, so its eco goes nowhere: the
        // acknowledged publish still orders it after the SUBSCRIBE.
        pubblica("lumetto/eco", "");
    }
    // QoS 1, and waits for the broker's acknowledgement (it acknowledges
    // what the ACL drops too): the broker has dealt with it.
    void pubblica(const std::string& argomento, const std::string& dati, bool conserva = false) {
        const int id = k->pubblica(argomento, dati, 1, conserva);
        ASSERT_GT(id, 0);
        ASSERT_TRUE(diario.attendi([&] {
            return std::find(diario.consegnati.begin(), diario.consegnati.end(), id) !=
                   diario.consegnati.end();
        }));
    }
    bool ricevuto(const std::string& messaggio) {
        return diario.attendi([&] {
            return std::find(diario.messaggi.begin(), diario.messaggi.end(), messaggio) !=
                   diario.messaggi.end();
        });
    }
    std::vector<std::string> messaggi() { return diario.leggi(diario.messaggi); }
};

TEST(Scuola, EachUserWritesAndReadsOnlyWhatTheAclSays) {
    Scuola s;
    ASSERT_EQ(s.esegui("--classe 4A --nomi banco01").codice, 0);
    s.avvia();
    Cliente docente3b(s.conf("3B", "docente"), "d3", false, "lumetto/#");
    Cliente docente4a(s.conf("4A", "docente"), "d4", false, "lumetto/#");
    Cliente banco1(s.conf("3B", "banco01"), "b1");
    Cliente banco2(s.conf("3B", "banco02"), "b2", false, "lumetto/#");
    Cliente banco4a(s.conf("4A", "banco01"), "b4");
    for (Cliente* c : {&docente3b, &docente4a, &banco1, &banco2, &banco4a})
        ASSERT_NO_FATAL_FAILURE(c->avvia());

    struct Riga {
        const char* perche;
        Cliente* chi;
        const char* argomento;
        bool per3b, per4a;
    } righe[] = {
        {"its state", &banco1, "lumetto/3B/banco01/stato", true, false},
        {"a run's facts", &banco1, "lumetto/3B/banco01/corsa/7", true, false},
        {"a run's readings", &banco1, "lumetto/3B/banco01/corsa/7/letture", true, false},
        {"another bench's state", &banco1, "lumetto/3B/banco02/stato", false, false},
        {"a bench of its name in another class", &banco1, "lumetto/4A/banco01/stato", false, false},
        {"a topic of its own", &banco1, "lumetto/3B/banco01/spazzatura", false, false},
        {"below its readings", &banco1, "lumetto/3B/banco01/corsa/7/letture/x", false, false},
        {"outside lumetto/", &banco1, "altro/3B/banco01/stato", false, false},
        {"the other class's bench, its own", &banco4a, "lumetto/4A/banco01/stato", false, true},
        {"the teacher, a tile of its own", &docente3b, "lumetto/3B/docente/stato", false, false},
        {"the teacher, a bench's state", &docente3b, "lumetto/3B/banco01/stato", false, false},
    };
    for (const Riga& r : righe)
        ASSERT_NO_FATAL_FAILURE(r.chi->pubblica(r.argomento, r.perche, true));
    // The last word of each class: what came before it has come.
    ASSERT_NO_FATAL_FAILURE(banco1.pubblica("lumetto/3B/banco01/stato", "fine"));
    ASSERT_NO_FATAL_FAILURE(banco4a.pubblica("lumetto/4A/banco01/stato", "fine"));
    ASSERT_TRUE(docente3b.ricevuto("lumetto/3B/banco01/stato fine"));
    ASSERT_TRUE(docente4a.ricevuto("lumetto/4A/banco01/stato fine"));
    const auto visti3b = docente3b.messaggi(), visti4a = docente4a.messaggi();
    for (const Riga& r : righe) {
        SCOPED_TRACE(r.perche);
        const std::string m = std::string(r.argomento) + " " + r.perche;
        EXPECT_EQ(std::count(visti3b.begin(), visti3b.end(), m), r.per3b ? 1 : 0);
        EXPECT_EQ(std::count(visti4a.begin(), visti4a.end(), m), r.per4a ? 1 : 0);
    }
    EXPECT_EQ(visti3b.size(), 4u);
    EXPECT_EQ(visti4a.size(), 2u);
    EXPECT_TRUE(banco2.messaggi().empty()) << "a bench read " << banco2.messaggi()[0];

    // Retained: only on the bench's own three topics.
    docente3b.k.reset();
    Cliente dopo(s.conf("3B", "docente"), "d3", false, "lumetto/#");
    ASSERT_NO_FATAL_FAILURE(dopo.avvia());
    ASSERT_NO_FATAL_FAILURE(banco1.pubblica("lumetto/3B/banco01/stato", "fine"));
    ASSERT_TRUE(dopo.ricevuto("lumetto/3B/banco01/stato fine"));
    EXPECT_EQ(dopo.messaggi(),
              (std::vector<std::string>{"lumetto/3B/banco01/stato its state",
                                        "lumetto/3B/banco01/corsa/7 a run's facts",
                                        "lumetto/3B/banco01/corsa/7/letture a run's readings",
                                        "lumetto/3B/banco01/stato fine"}));
}

// A bench that connects with the teacher's or another bench's client id,
// or leaves a last will on another bench's state, becomes itself: the
// real connections stay, the absent teacher's queued readings come, no
// false "offline".
TEST(Scuola, NoClientTakesAnotherOnesConnectionSessionOrWill) {
    Scuola s;
    s.avvia();
    const std::string idteacher = "lumetto-classe-docente-aula", idbanco = "lumetto-banco01";
    auto docente = std::make_unique<Cliente>(s.conf("3B", "docente"), idteacher, true, "lumetto/#");
    ASSERT_NO_FATAL_FAILURE(docente->avvia());
    Cliente banco1(s.conf("3B", "banco01"), idbanco);
    banco1.k->testamento("lumetto/3B/banco01/stato", "offline");
    ASSERT_NO_FATAL_FAILURE(banco1.avvia());

    for (const std::string& id : {idteacher, idbanco}) {
        Cliente ladro(s.conf("3B", "banco02"), id);
        ASSERT_NO_FATAL_FAILURE(ladro.avvia());
    }
    // A will on banco01's state, left by a process killed without a goodbye.
    // Its user's id is one: the sentinel's connection closes when it is in.
    auto sentinella = std::make_unique<Cliente>(s.conf("3B", "banco02"), "s");
    ASSERT_NO_FATAL_FAILURE(sentinella->avvia());
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/bin/sh", "sh", "-c",
                ("exec mosquitto_sub " + s.opzioni("3B", "banco02") + " -i " + idbanco +
                 " -t lumetto/3B/banco02/stato --will-topic lumetto/3B/banco01/stato"
                 " --will-payload finto --will-retain >/dev/null 2>&1")
                    .c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_TRUE(sentinella->diario.attendi([&] { return !sentinella->diario.motivi.empty(); }));
    sentinella.reset();
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    {
        // Connected after the killed one is gone: its will has been dealt with.
        Cliente ancora(s.conf("3B", "banco02"), "ancora");
        ASSERT_NO_FATAL_FAILURE(ancora.avvia());
        ASSERT_NO_FATAL_FAILURE(ancora.pubblica("lumetto/3B/banco02/stato", "segno"));
    }
    ASSERT_TRUE(docente->ricevuto("lumetto/3B/banco02/stato segno"));
    EXPECT_EQ(docente->diario.leggi(docente->diario.motivi), std::vector<std::string>{});
    EXPECT_EQ(banco1.diario.leggi(banco1.diario.motivi), std::vector<std::string>{});
    for (const std::string& m : docente->messaggi())
        EXPECT_EQ(m.rfind("lumetto/3B/banco01/stato", 0), std::string::npos) << m;

    // The teacher away: readings wait for it, whoever takes its id meanwhile.
    docente.reset();
    for (const char* n : {"1", "2", "3"})
        ASSERT_NO_FATAL_FAILURE(banco1.pubblica("lumetto/3B/banco01/corsa/1/letture", n));
    {
        Cliente ladro(s.conf("3B", "banco02"), idteacher, false, "lumetto/#");
        ASSERT_NO_FATAL_FAILURE(ladro.avvia());
    }
    Cliente ritorno(s.conf("3B", "docente"), idteacher, true, "lumetto/#");
    ASSERT_NO_FATAL_FAILURE(ritorno.avvia());
    ASSERT_TRUE(ritorno.ricevuto("lumetto/3B/banco01/corsa/1/letture 3"));
    EXPECT_TRUE(ritorno.ricevuto("lumetto/3B/banco01/corsa/1/letture 1"));
}

// What one bench can make the broker hold: no message over 64 KiB, and for
// an absent teacher no more than the queue's bytes.
TEST(Scuola, TheBrokerBoundsWhatABenchSends) {
    Scuola s;
    s.avvia();
    auto docente = std::make_unique<Cliente>(s.conf("3B", "docente"), "d", true, "lumetto/#");
    ASSERT_NO_FATAL_FAILURE(docente->avvia());
    Cliente banco(s.conf("3B", "banco01"), "b");
    ASSERT_NO_FATAL_FAILURE(banco.avvia());

    // Over 64 KiB: refused (the bench's connection closed, and it comes back).
    // QoS 0: a refused QoS 1 message would be sent again at each connection.
    banco.k->pubblica("lumetto/3B/banco01/corsa/2", std::string(kMaxMessaggio + 1, 'x'), 0, true);
    banco.k->pubblica("lumetto/3B/banco01/corsa/1", std::string(1 << 20, 'x'), 0, true);
    ASSERT_TRUE(banco.diario.attendi([&] { return banco.diario.collegamenti >= 2; }));
    ASSERT_NO_FATAL_FAILURE(banco.pubblica("lumetto/3B/banco01/stato", "fine"));
    ASSERT_TRUE(docente->ricevuto("lumetto/3B/banco01/stato fine"));
    for (const std::string& m : docente->messaggi())
        EXPECT_LT(m.size(), kMaxMessaggio + 100) << m.substr(0, 40);

    // 40 MB of 60 KiB readings for a teacher away: about 32 MiB are kept.
    docente.reset();
    const std::string pezzo(60 * 1024, 'y');
    const int quanti = 40 * 1024 * 1024 / static_cast<int>(pezzo.size());
    for (int i = 0; i < quanti; ++i)
        banco.k->pubblica("lumetto/3B/banco01/corsa/1/letture", pezzo, 1, false);
    ASSERT_NO_FATAL_FAILURE(banco.pubblica("lumetto/3B/banco01/stato", "prima"));
    Cliente ritorno(s.conf("3B", "docente"), "d", true, "lumetto/#");
    ASSERT_NO_FATAL_FAILURE(ritorno.avvia());
    // Queued behind what the broker kept: once it comes, all of that has.
    ASSERT_NO_FATAL_FAILURE(banco.pubblica("lumetto/3B/banco01/stato", "dopo"));
    ASSERT_TRUE(ritorno.ricevuto("lumetto/3B/banco01/stato dopo"));
    const auto arrivati = ritorno.messaggi();
    const auto letture = std::count_if(arrivati.begin(), arrivati.end(), [](const std::string& m) {
        return m.rfind("lumetto/3B/banco01/corsa/1/letture ", 0) == 0;
    });
    EXPECT_GT(letture, 400);
    EXPECT_LE(letture * static_cast<long>(pezzo.size()), 32L * 1024 * 1024 + 2L * 60 * 1024);
}

// A second class joins the school's broker: the authority, the broker's
// certificate and the first class's passwords stay, and both work.
TEST(Scuola, ASecondClassLeavesTheFirstAlone) {
    Scuola s;
    const fs::path c = s.cartella();
    const std::string ca = contenuto(c / "autorita/ca.key") + contenuto(c / "broker/ca.crt"),
                      certificato = contenuto(c / "broker/server.crt"),
                      banco3b = contenuto(c / "classi/3B/banchi/banco01/classe.conf");
    ASSERT_EQ(s.esegui("--classe 4A --banchi 2").codice, 0);
    EXPECT_EQ(contenuto(c / "autorita/ca.key") + contenuto(c / "broker/ca.crt"), ca);
    EXPECT_EQ(contenuto(c / "broker/server.crt"), certificato);
    EXPECT_EQ(contenuto(c / "classi/3B/banchi/banco01/classe.conf"), banco3b);
    EXPECT_EQ(contenuto(c / "classi/4A/banchi/banco02/ca.crt"), contenuto(c / "broker/ca.crt"));
    ASSERT_EQ(s.esegui("--classe 3B --aggiungi banco03").codice, 0);
    EXPECT_EQ(contenuto(c / "classi/3B/banchi/banco01/classe.conf"), banco3b);

    s.avvia();
    Cliente docente(s.conf("3B", "docente"), "d", false, "lumetto/#");
    ASSERT_NO_FATAL_FAILURE(docente.avvia());
    for (const auto& [classe, banco] :
         {std::pair{"3B", "banco01"}, {"3B", "banco03"}, {"4A", "banco02"}}) {
        Cliente b(s.conf(classe, banco), "x");
        ASSERT_NO_FATAL_FAILURE(b.avvia());
        b.pubblica(argomentostato(classe, banco), "eccomi");
    }
    ASSERT_TRUE(docente.ricevuto("lumetto/3B/banco03/stato eccomi"));
    EXPECT_TRUE(docente.ricevuto("lumetto/3B/banco01/stato eccomi"));

    // A renewed certificate: signed by the same authority, the PCs unchanged.
    ASSERT_EQ(s.esegui("--rinnova-certificato").codice, 0);
    EXPECT_NE(contenuto(c / "broker/server.crt"), certificato);
    EXPECT_EQ(contenuto(c / "autorita/ca.key") + contenuto(c / "broker/ca.crt"), ca);
    EXPECT_EQ(contenuto(c / "classi/3B/banchi/banco01/classe.conf"), banco3b);
    s.broker().ferma();
    s.broker().avvia();
    Cliente dopo(s.conf("3B", "banco01"), "x");
    ASSERT_NO_FATAL_FAILURE(dopo.avvia());
}

// A bench taken out: its password no longer opens the broker, and what it
// left retained is gone for the teacher.
TEST(Scuola, ARemovedBenchIsGoneWithWhatItLeft) {
    Scuola s;
    s.avvia();
    Configurazione via = s.conf("3B", "banco02");
    {
        Cliente b(via, "x");
        ASSERT_NO_FATAL_FAILURE(b.avvia());
        ASSERT_NO_FATAL_FAILURE(b.pubblica("lumetto/3B/banco02/stato", "c'ero", true));
        ASSERT_NO_FATAL_FAILURE(b.pubblica("lumetto/3B/banco02/corsa/4", "corsa", true));
    }
    const Uscita u = s.esegui("--classe 3B --rimuovi banco02");
    ASSERT_EQ(u.codice, 0) << u.testo;
    EXPECT_FALSE(fs::exists(s.cartella() + "/classi/3B/banchi/banco02"));
    EXPECT_EQ(contenuto(s.cartella() + "/broker/acl").find("banco02"), std::string::npos);
    s.broker().ricarica();
    via.ca = s.cartella() + "/broker/ca.crt";

    Cliente docente(s.conf("3B", "docente"), "d", false, "lumetto/#");
    ASSERT_NO_FATAL_FAILURE(docente.avvia());
    Cliente banco1(s.conf("3B", "banco01"), "b");
    ASSERT_NO_FATAL_FAILURE(banco1.avvia());
    ASSERT_NO_FATAL_FAILURE(banco1.pubblica("lumetto/3B/banco01/stato", "fine"));
    ASSERT_TRUE(docente.ricevuto("lumetto/3B/banco01/stato fine"));
    EXPECT_EQ(docente.messaggi(), std::vector<std::string>{"lumetto/3B/banco01/stato fine"});

    Diario rifiutato;
    Collegamento k(via, "x", rifiutato.avvisi());
    ASSERT_EQ(k.avvia(), "");
    ASSERT_TRUE(rifiutato.attendi([&] { return !rifiutato.motivi.empty(); }));
    EXPECT_NE(rifiutato.motivi[0].find("rifiuta l'utente"), std::string::npos)
        << rifiutato.motivi[0];

    // With the broker off, a removal that cannot clear writes nothing.
    s.broker().ferma();
    const std::string prima = impronta(s.cartella());
    EXPECT_EQ(s.esegui("--classe 3B --rimuovi banco01").codice, 2);
    EXPECT_EQ(impronta(s.cartella()), prima);
    ASSERT_EQ(s.esegui("--classe 3B --rimuovi banco01 --non-pulire").codice, 0);
}

// Every refusal comes before anything is written: the school's folder is as
// it was, with nothing half-made beside it.
TEST(Scuola, ABadArgumentWritesNothing) {
    Scuola s;
    const std::string prima = impronta(s.cartella());
    const fs::path sopra = fs::path(s.cartella()).parent_path();
    const auto accanto = [&] {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(sopra))
            v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    };
    const auto vicini = accanto();
    struct Caso {
        const char* argomenti;
        const char* detto;
    } casi[] = {
        {"--classe 3B --banchi 2", "c'è già"},
        {"--classe 3B --aggiungi banco01", "c'è già"},
        {"--classe 3B --rimuovi banco09", "non c'è"},
        {"--classe 5C --aggiungi banco01", "non c'è"},
        {"--classe 'a&b' --banchi 1", "non valido"},
        {"--classe 4A --nomi 'uno d#ue'", "non valido"},
        {"--classe 4A --nomi 'uno uno'", "ripetuto"},
        {"--classe 4A --nomi docente", "insegnante"},
        {"--classe 4A --banchi 100", "da 1 a 99"},
        {"--classe 4A --broker altro-server", "il broker della scuola"},
        {"--classe 4A --porta 1884", "solo la prima volta"},
        {"--classe 4A --percorso-broker /etc/x", "solo la prima volta"},
        {"--classe 4A --aggiungi banco01 --rimuovi banco02", "una cosa alla volta"},
        {"--classe", "vuole un valore"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.argomenti);
        const Uscita u = s.esegui(c.argomenti);
        EXPECT_EQ(u.codice, 2) << u.testo;
        EXPECT_NE(u.testo.find(c.detto), std::string::npos) << u.testo;
    }
    EXPECT_EQ(impronta(s.cartella()), prima);
    EXPECT_EQ(accanto(), vicini);

    // A new school with a path the configuration could not hold.
    for (const char* percorso : {"/srv/a&b", "/srv/a#b", "relativo", "/srv/../etc"}) {
        SCOPED_TRACE(percorso);
        const Uscita u = script("--scuola '" + (sopra / "nuova").string() +
                                "' --classe 3B --broker x --percorso-broker '" + percorso + "'");
        EXPECT_EQ(u.codice, 2) << u.testo;
        EXPECT_FALSE(fs::exists(sopra / "nuova"));
    }
    EXPECT_EQ(accanto(), vicini);
}

}  // namespace
}  // namespace lumetto::classe
