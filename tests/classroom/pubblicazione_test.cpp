// A bench's runs published to a real Mosquitto while the tick goes on: the
// broker killed or stopped mid-run, another bench's topic, a refused
// password; whatever happens, the archive holds every reading and the
// teacher gets them all, in order, once the broker is back.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/banco.h"
#include "acquisition/pubblicazione.h"
#include "acquisition/registrocorse.h"
#include "classroom/messaggi.h"
#include "classroom/mqtt.h"
#include "link/letture.h"
#include "support/broker.h"
#include "support/cartella.h"

namespace lumetto::classe {
namespace {

using prove::Broker;
using prove::CartellaProva;
using namespace std::chrono_literals;

// Polls the event loop (the publisher's queued calls) until `p` holds; the
// deadline only keeps a fault from hanging the suite.
template <class P>
bool finche(P p, std::chrono::seconds limite = 60s) {
    const auto fine = std::chrono::steady_clock::now() + limite;
    while (!p()) {
        if (std::chrono::steady_clock::now() > fine) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Events for `durata`, whatever comes.
void lascia(std::chrono::milliseconds durata) {
    const auto fine = std::chrono::steady_clock::now() + durata;
    while (std::chrono::steady_clock::now() < fine) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(10ms);
    }
}

// The teacher's side: a connection that reads everything of class 3B and
// keeps, in order of arrival, what each bench said.
class Docente {
  public:
    Docente(const Broker& b, const std::string& utente, const std::string& password)
        : k_(b.configurazione(utente, password), "prova-" + utente, avvisi()) {
        k_.iscrivi(filtroclasse("3B"), 1);
        EXPECT_EQ(k_.avvia(), "");
    }
    // Waits for the n-th connection and for its subscription to work: a
    // message of `testimone` (a bench's connection) comes back through it.
    bool pronto(int n, Collegamento& testimone, const std::string& banco) {
        if (!attendi([&] { return collegamenti_ >= n; })) return false;
        const std::string segno = "segno" + std::to_string(++segni_);
        testimone.pubblica(argomentostato("3B", banco), segno, 1, false);
        return attendi(
            [&] { return std::find(grezzi_.begin(), grezzi_.end(), segno) != grezzi_.end(); });
    }
    bool pronto(int n) { return pronto(n, k_, "docente"); }
    template <class P>
    bool attendi(P p) {
        return finche([&] {
            std::lock_guard l(m_);
            return p();
        });
    }
    // Reading numbers of `banco`'s runs as they arrived, and its distinct
    // numbers in the order each first came.
    std::vector<int> letture(const std::string& banco) {
        std::lock_guard l(m_);
        return letture_[banco];
    }
    std::vector<int> prime(const std::string& banco) {
        std::set<int> viste;
        std::vector<int> v;
        for (int n : letture(banco))
            if (viste.insert(n).second) v.push_back(n);
        return v;
    }
    // The bench's state as seen here, in order: what it published, and
    // "offline" whenever this side lost the broker.
    std::vector<StatoBanco> stati() {
        std::lock_guard l(m_);
        return stati_;
    }
    std::vector<std::string> argomenti() {
        std::lock_guard l(m_);
        return argomenti_;
    }
    // Run facts as they came.
    std::vector<archivio::Corsa> fatti() {
        std::lock_guard l(m_);
        return fatti_;
    }

  private:
    Avvisi avvisi() {
        Avvisi a;
        a.collegato = [this] {
            std::lock_guard l(m_);
            ++collegamenti_;
        };
        a.scollegato = [this](const std::string&) {
            std::lock_guard l(m_);
            if (!stati_.empty() && stati_.back().stato != Stato::Offline) stati_.push_back({});
        };
        a.messaggio = [this](std::string argomento, std::string dati, bool) {
            std::lock_guard l(m_);
            argomenti_.push_back(argomento);
            grezzi_.push_back(dati);
            EsitoMessaggio e = leggimessaggio("3B", argomento, dati);
            if (!e.messaggio) return;
            if (auto* s = std::get_if<StatoBanco>(&e.messaggio->contenuto)) stati_.push_back(*s);
            if (auto* r = std::get_if<archivio::Lettura>(&e.messaggio->contenuto))
                letture_[e.messaggio->banco].push_back(r->numero);
            if (auto* c = std::get_if<archivio::Corsa>(&e.messaggio->contenuto))
                fatti_.push_back(*c);
        };
        return a;
    }

    std::mutex m_;
    int collegamenti_ = 0, segni_ = 0;
    std::vector<std::string> grezzi_, argomenti_;
    std::map<std::string, std::vector<int>> letture_;
    std::vector<StatoBanco> stati_;
    std::vector<archivio::Corsa> fatti_;
    Collegamento k_;  // last: its thread stops before what it fills goes
};

std::vector<int> da1a(int n) {
    std::vector<int> v;
    for (int i = 1; i <= n; ++i)
        v.push_back(i);
    return v;
}

class Pubblicazione : public prove::Acquisizione {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char nome[] = "pubblicazione_tests";
        static char* argv[] = {nome, nullptr};
        if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
    }
    // A fresh archive for each test, repeated ones included.
    static std::filesystem::path nuovo(std::filesystem::path f) {
        for (const char* coda : {"", "-wal", "-shm"})
            std::filesystem::remove(f.string() + coda);
        return f;
    }
    Pubblicazione()
        : file(nuovo(std::filesystem::path(std::getenv("HOME")) /
                     (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                      ".sqlite"))),
          registro(file) {
        acquisition::aggiungiascoltatore(&registro);
    }
    ~Pubblicazione() override {
        if (banco) acquisition::togliascoltatore(banco.get());
        acquisition::togliascoltatore(&registro);
    }
    void pubblica(const Configurazione& c) {
        banco = std::make_unique<acquisition::PubblicazioneClasse>(registro, c);
        acquisition::aggiungiascoltatore(banco.get());
    }
    void letture(int n) {
        for (int i = 0; i < n; ++i)
            acquisition::eseguilettura();
    }
    // Every reading and run of the archive acknowledged by the broker.
    bool tuttopubblicato() {
        archivio::Archivio* a = registro.archivio();
        return a != nullptr && a->letturedapubblicare(1).empty() && a->corsedapubblicare().empty();
    }

    std::filesystem::path file;
    acquisition::RegistroCorse registro;
    std::unique_ptr<acquisition::PubblicazioneClasse> banco;
};

TEST_F(Pubblicazione, ABrokerKilledMidRunGetsEveryReadingInOrder) {
    CartellaProva d;
    Broker b(d, {{{"banco01", "uno"}, {"docente", "due"}}, "", false});
    Docente docente(b, "docente", "due");
    ASSERT_TRUE(docente.pronto(1));
    pubblica(b.configurazione("banco01", "uno"));
    premi("Button2");
    letture(10);
    ASSERT_TRUE(finche([&] { return docente.prime("banco01").size() == 10; }));

    b.ferma(SIGKILL);
    letture(5);  // may still be handed to the connection that is gone
    ASSERT_TRUE(finche([&] { return !banco->pubblicatore().collegato(); }));
    letture(5);  // wait in the archive
    // The teacher back first, so that nothing goes out before it listens;
    // the bench is let in after.
    b.utenti({{"docente", "due"}});
    b.avvia();
    ASSERT_TRUE(docente.pronto(2));
    b.utenti({{"banco01", "uno"}, {"docente", "due"}});
    b.ricarica();
    letture(5);
    ASSERT_TRUE(finche([&] { return docente.prime("banco01").size() == 25 && tuttopubblicato(); }))
        << docente.prime("banco01").size();
    EXPECT_EQ(docente.prime("banco01"), da1a(25));
    EXPECT_GE(docente.letture("banco01").size(), 25u);
    EXPECT_EQ(registro.archivio()->letture(registro.corsa()).size(), 25u);
    // One outage, said once (a refused password while it lasted included).
    ASSERT_EQ(box.avvisi.size(), 1u);
    EXPECT_NE(box.avvisi[0].find("Il broker della classe non riceve"), std::string::npos);
    EXPECT_EQ(docente.stati().back().stato, Stato::InCorsa);
    EXPECT_EQ(docente.stati().back().corsa, registro.corsa());
}

TEST_F(Pubblicazione, ABrokerStoppedThirtySecondsMissesNothing) {
    CartellaProva d;
    Broker b(d, {{{"banco01", "uno"}, {"docente", "due"}}, "", false});
    Docente docente(b, "docente", "due");
    ASSERT_TRUE(docente.pronto(1));
    pubblica(b.configurazione("banco01", "uno"));
    premi("Button2");
    letture(3);
    ASSERT_TRUE(finche([&] { return docente.prime("banco01").size() == 3; }));

    b.ferma(SIGTERM);
    // The run goes on, a reading a second, for the length of the cut.
    int fatte = 3;
    const auto fine = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < fine) {
        letture(1);
        ++fatte;
        lascia(1s);
    }
    EXPECT_EQ(registro.archivio()->letture(registro.corsa()).size(), size_t(fatte));
    EXPECT_FALSE(banco->pubblicatore().collegato());
    EXPECT_GE(banco->pubblicatore().cadute(), 2);  // it kept trying

    b.utenti({{"docente", "due"}});
    b.avvia();
    ASSERT_TRUE(docente.pronto(2));
    b.utenti({{"banco01", "uno"}, {"docente", "due"}});
    b.ricarica();
    ASSERT_TRUE(finche(
        [&] { return docente.prime("banco01").size() == size_t(fatte) && tuttopubblicato(); }));
    EXPECT_EQ(docente.prime("banco01"), da1a(fatte));
    // In corsa, offline while the broker was away, in corsa again.
    std::vector<Stato> visti;
    for (const StatoBanco& s : docente.stati())
        if (visti.empty() || visti.back() != s.stato) visti.push_back(s.stato);
    // ("fermo" first when the bench was connected before the run began.)
    if (!visti.empty() && visti.front() == Stato::Fermo) visti.erase(visti.begin());
    EXPECT_EQ(visti, (std::vector<Stato>{Stato::InCorsa, Stato::Offline, Stato::InCorsa}));
    EXPECT_EQ(docente.stati().back().corsa, registro.corsa());
    ASSERT_EQ(box.avvisi.size(), 1u);
}

// A free run that names a column mid-run: its facts are written again and
// reach the teacher with it.
TEST_F(Pubblicazione, AColumnNamedMidRunReachesTheArchiveAndTheTeacher) {
    CartellaProva d;
    Broker b(d, {{{"banco01", "uno"}, {"docente", "due"}}, "", false});
    Docente docente(b, "docente", "due");
    ASSERT_TRUE(docente.pronto(1));
    pubblica(b.configurazione("banco01", "uno"));
    premi("Button2");
    letture(2);
    ASSERT_TRUE(finche([&] { return docente.prime("banco01").size() == 2; }));
    const std::size_t prima = acquisition::stato.colonne.size();
    acquisition::stato.colonne.push_back({"luce esterna", "%", 0});
    letture(1);
    ASSERT_TRUE(finche([&] { return docente.prime("banco01").size() == 3 && tuttopubblicato(); }));
    const auto fatti = docente.fatti();
    ASSERT_GE(fatti.size(), 2u);
    EXPECT_EQ(fatti.front().colonne.size(), prima);
    ASSERT_EQ(fatti.back().colonne.size(), prima + 1);
    EXPECT_EQ(fatti.back().colonne.back(), (archivio::ColonnaCorsa{"luce esterna", "%", 0}));
    EXPECT_EQ(registro.archivio()->corsa(registro.corsa())->colonne, fatti.back().colonne);
    EXPECT_EQ(docente.stati().back().stato, Stato::InCorsa);
}

TEST_F(Pubblicazione, ABenchCannotWriteUnderAnotherBenchsTopic) {
    CartellaProva d;
    Broker b(d, {{{"banco01", "uno"}, {"banco02", "due"}, {"docente", "tre"}},
                 "user docente\ntopic read lumetto/#\npattern write lumetto/+/%u/#\n",
                 false});
    Docente docente(b, "docente", "tre");
    Collegamento banco01(b.configurazione("banco01", "uno"), "prova-banco01", {});
    ASSERT_EQ(banco01.avvia(), "");
    ASSERT_TRUE(docente.pronto(1, banco01, "banco01"));

    // banco01's password, banco02's name.
    pubblica(b.configurazione("banco01", "uno", {}, "banco02"));
    premi("Button2");
    letture(5);
    // The broker takes the messages (MQTT 3.1.1 has no refusal to send back)
    // and drops them; a message of banco01's after them comes through.
    ASSERT_TRUE(finche([&] { return tuttopubblicato(); }));
    banco01.pubblica(argomentostato("3B", "banco01"), "ultimo", 1, false);
    ASSERT_TRUE(finche([&] {
        auto a = docente.argomenti();
        return a.size() >= 2 && a.back() == "lumetto/3B/banco01/stato";
    }));
    for (const std::string& a : docente.argomenti())
        EXPECT_EQ(a.find("banco02"), std::string::npos) << a;
}

TEST_F(Pubblicazione, ARefusedPasswordLeavesTheRunAloneAndIsSaidOnce) {
    CartellaProva d;
    Broker b(d, {{{"banco01", "uno"}}, "", false});
    pubblica(b.configurazione("banco01", "sbagliata"));
    premi("Button2");
    letture(5);
    ASSERT_TRUE(finche([&] { return banco->pubblicatore().cadute() >= 2; }));
    letture(5);
    EXPECT_EQ(link::numerolettura, 10);
    EXPECT_EQ(registro.archivio()->letture(registro.corsa()).size(), 10u);
    EXPECT_EQ(registro.archivio()->letturedapubblicare(100).size(), 10u);
    ASSERT_EQ(box.avvisi.size(), 1u);
    EXPECT_NE(box.avvisi[0].find("rifiuta l'utente «banco01» o la sua password"), std::string::npos)
        << box.avvisi[0];
}

// Without the class's settings nothing of it exists; broken ones are said
// once, and there is no class either.
TEST_F(Pubblicazione, TheSettingsFilesDecideWhetherThereIsAClass) {
    if (std::filesystem::exists(kFileSistema)) GTEST_SKIP() << "this computer has a class";
    ::unsetenv("XDG_CONFIG_HOME");  // the test's HOME, never the user's own
    const std::filesystem::path conf = fileutente();
    EXPECT_EQ(acquisition::pubblicazionedaimpostazioni(registro), nullptr);
    EXPECT_TRUE(box.avvisi.empty());
    std::filesystem::create_directories(conf.parent_path());
    std::ofstream(conf) << "[broker]\nport=80000\n";
    EXPECT_EQ(acquisition::pubblicazionedaimpostazioni(registro), nullptr);
    std::filesystem::remove(conf);
    ASSERT_EQ(box.avvisi.size(), 1u);
    EXPECT_NE(box.avvisi[0].find("Le impostazioni della classe non valgono"), std::string::npos);
}

}  // namespace
}  // namespace lumetto::classe
