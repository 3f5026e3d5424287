// The class as the teacher's window keeps it, fed message by message as the
// broker delivers them: duplicates, readings out of order or before their
// run's facts, retained messages removed, nonsense refused and counted.
#include "classroom/aula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace lumetto;
using namespace lumetto::classe;

namespace {

struct Passo {
    std::string argomento, dati;
    bool conservato = false;
};

const std::string kBanco = "lumetto/3B/banco01";

Passo stato(const std::string& s, bool conservato = true) {
    return {kBanco + "/stato", R"({"stato":")" + s + R"(","corsa":12})", conservato};
}

Passo fatti(int64_t id, bool conservato = true,
            const std::string& inizio = "2026-12-09T10:15:02Z") {
    archivio::Corsa c;
    c.id = id;
    c.codice = 7;
    c.esperimento = "termostato";
    c.testata = "temp..tempo.";
    c.intervallo = 1;
    c.inizio = inizio;
    c.fuso = "+01:00";
    return {argomentocorsa("3B", "banco01", id), scrivicorsa(c), conservato};
}

Passo lettura(int64_t id, int numero, double valore) {
    archivio::Lettura l;
    l.numero = numero;
    l.ms = numero * 1000;
    l.valori.fill(std::numeric_limits<double>::quiet_NaN());
    l.valori[0] = valore;
    return {argomentoletture("3B", "banco01", id), scrivilettura(l)};
}

Passo rimosso(const std::string& argomento) {
    return {argomento, "", true};
}

}  // namespace

TEST(ClasseAula, EachSequenceOfMessagesLeavesTheBenchRight) {
    const std::string corsa12 = argomentocorsa("3B", "banco01", 12);
    struct Caso {
        const char* nome;
        std::vector<Passo> passi;
        std::size_t banchi;   // benches kept
        std::size_t corse;    // runs of banco01
        std::size_t letture;  // readings of its run 12
        bool fatti;           // run 12's facts there
        double ultimo;        // column 1 of run 12's last reading (NaN: none)
        int rifiutati;
    };
    const double no = std::numeric_limits<double>::quiet_NaN();
    const Caso casi[] = {
        {"state, facts, readings",
         {stato("in corsa"), fatti(12), lettura(12, 1, 20), lettura(12, 2, 21)},
         1,
         1,
         2,
         true,
         21,
         0},
        {"a duplicate counts once",
         {fatti(12), lettura(12, 1, 20), lettura(12, 1, 20)},
         1,
         1,
         1,
         true,
         20,
         0},
        {"a resend replaces",
         {fatti(12), lettura(12, 1, 20), lettura(12, 1, 25)},
         1,
         1,
         1,
         true,
         25,
         0},
        {"out of order, kept in order",
         {lettura(12, 3, 23), lettura(12, 1, 21), lettura(12, 2, 22)},
         1,
         1,
         3,
         false,
         23,
         0},
        {"readings before the facts wait for them",
         {lettura(12, 1, 20), lettura(12, 2, 21), fatti(12, false)},
         1,
         1,
         2,
         true,
         21,
         0},
        {"facts removed: a run with readings stays",
         {fatti(12), lettura(12, 1, 20), rimosso(corsa12)},
         1,
         1,
         1,
         true,
         20,
         0},
        {"facts removed: a run without readings goes, and its bench",
         {fatti(12), rimosso(corsa12)},
         0,
         0,
         0,
         false,
         no,
         0},
        {"state removed: the bench goes",
         {stato("fermo"), rimosso(kBanco + "/stato")},
         0,
         0,
         0,
         false,
         no,
         0},
        {"state removed: a bench with runs stays",
         {stato("fermo"), fatti(12), rimosso(kBanco + "/stato")},
         1,
         1,
         0,
         true,
         no,
         0},
        {"removal of an unknown bench",
         {rimosso("lumetto/3B/banco09/stato")},
         0,
         0,
         0,
         false,
         no,
         0},
        {"removal of a foreign topic",
         {rimosso("lumetto/4A/banco01/stato"), rimosso("altro/x")},
         0,
         0,
         0,
         false,
         no,
         2},
        {"another class's message",
         {{"lumetto/4A/banco01/stato", R"({"stato":"fermo"})"}},
         0,
         0,
         0,
         false,
         no,
         1},
        {"not JSON", {{kBanco + "/stato", "\xff{"}}, 0, 0, 0, false, no, 1},
        {"a wildcard level",
         {{"lumetto/3B/+/stato", R"({"stato":"fermo"})"}},
         0,
         0,
         0,
         false,
         no,
         1},
        {"a reading out of range",
         {fatti(12), {corsa12 + "/letture", R"({"numero":100001,"ms":0,"valori":[]})"}},
         1,
         1,
         0,
         true,
         no,
         1},
        {"a facts' id not the topic's", {{corsa12, fatti(13).dati}}, 0, 0, 0, false, no, 1},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        Aula aula("3B");
        for (const Passo& p : c.passi)
            aula.ricevi(p.argomento, p.dati, p.conservato);
        EXPECT_EQ(aula.banchi().size(), c.banchi);
        EXPECT_EQ(aula.rifiutati(), c.rifiutati) << aula.ultimorifiuto();
        const Banco* b = aula.banco("banco01");
        EXPECT_EQ(b ? b->corse.size() : 0u, c.corse);
        const CorsaRicevuta* r = b && b->corse.contains(12) ? &b->corse.at(12) : nullptr;
        EXPECT_EQ(r ? r->letture.size() : 0u, c.letture);
        EXPECT_EQ(r && r->fatti, c.fatti);
        const double ultimo = r && !r->letture.empty() ? r->letture.rbegin()->second.valori[0] : no;
        if (std::isnan(c.ultimo))
            EXPECT_TRUE(std::isnan(ultimo));
        else
            EXPECT_EQ(ultimo, c.ultimo);
    }
}

// A bench that sends run after run keeps the newest kMaxCorse, dropping
// first those no reading came for; the tile shows the newest.
TEST(ClasseAula, RunsOfABenchAreBounded) {
    Aula aula("3B");
    aula.ricevi(lettura(1, 1, 5).argomento, lettura(1, 1, 5).dati, false);
    for (int64_t id = 2; id <= 40; ++id) {
        const Passo p = fatti(id);
        aula.ricevi(p.argomento, p.dati, true);
    }
    const Banco& b = *aula.banco("banco01");
    EXPECT_EQ(b.corse.size(), kMaxCorse);
    EXPECT_TRUE(b.corse.contains(1));  // it has a reading
    EXPECT_TRUE(b.corse.contains(40));
    EXPECT_EQ(b.corsamostrata(), 40);
    EXPECT_EQ(aula.rifiutati(), 0);
}

// One bench cannot make the window hold more readings than its budget,
// however it spreads them over runs; a resend of one it holds still
// replaces, and the other benches are not held back.
TEST(ClasseAula, ReadingsOfABenchAreBounded) {
    Aula aula("3B");
    std::size_t n = 0;
    for (int64_t id = 1; n < kMaxLettureBanco; ++id)
        for (int k = 1; k <= kMaxNumero && n < kMaxLettureBanco; ++k, ++n) {
            const Passo p = lettura(id, k, k);
            aula.ricevi(p.argomento, p.dati, false);
        }
    EXPECT_EQ(aula.rifiutati(), 0) << aula.ultimorifiuto();
    for (const Passo& p : {lettura(2, kMaxNumero, 1), lettura(3, 1, 1)}) {
        const Ricevuto r = aula.ricevi(p.argomento, p.dati, false);
        EXPECT_EQ(r.tipo, Ricevuto::Tipo::Rifiutato) << p.argomento;
        EXPECT_NE(r.errore.find("troppe letture dal banco «banco01»"), std::string::npos)
            << r.errore;
    }
    EXPECT_EQ(aula.banco("banco01")->letture(), kMaxLettureBanco);
    EXPECT_FALSE(aula.banco("banco01")->corse.contains(3));
    const Passo ancora = lettura(1, 5, 42);
    EXPECT_EQ(aula.ricevi(ancora.argomento, ancora.dati, false).tipo, Ricevuto::Tipo::Lettura);
    EXPECT_EQ(aula.banco("banco01")->corse.at(1).letture.at(5).valori[0], 42);
    Passo altro = lettura(1, 1, 1);
    altro.argomento = argomentoletture("3B", "banco02", 1);
    EXPECT_EQ(aula.ricevi(altro.argomento, altro.dati, false).tipo, Ricevuto::Tipo::Lettura);
    EXPECT_EQ(aula.rifiutati(), 2);
}

// What "raccogli" takes: runs something of which came live, and retained
// runs of today; never a run whose facts are missing.
TEST(ClasseAula, TheLessonsRunsAreLiveOnesAndTodaysRetainedOnes) {
    Aula aula("3B");
    for (const Passo& p :
         {fatti(3, true, "2026-12-08T10:00:00Z"), fatti(4, true, "2026-12-08T23:30:00Z"),
          fatti(5, true, "2026-12-01T10:00:00Z"), lettura(5, 1, 1), fatti(6, false),
          lettura(7, 1, 1)})
        aula.ricevi(p.argomento, p.dati, p.conservato);
    std::vector<int64_t> prese;
    for (const auto& c : aula.lezione("2026-12-09")) {
        EXPECT_EQ(c.banco, "banco01");
        prese.push_back(c.corsa);
    }
    // 4 began at 00:30 of the 9th in its zone; 7 has no facts.
    EXPECT_EQ(prese, (std::vector<int64_t>{4, 5, 6}));
}
