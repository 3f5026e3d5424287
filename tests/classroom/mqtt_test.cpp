// The broker connection against a real Mosquitto: messages both ways over
// TLS with users, and each refusal said in the words a teacher can act on.
#include "classroom/mqtt.h"
#include "classroom/messaggi.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "support/broker.h"
#include "support/cartella.h"
#include "support/diario.h"

namespace lumetto::classe {
namespace {

using prove::Broker;
using prove::CartellaProva;
using prove::Diario;

TEST(Mqtt, MessagesGoBothWaysOverTlsWithUsers) {
    CartellaProva d;
    Broker b(d, {{{"banco01", "uno"}, {"docente", "due"}},
                 "user banco01\ntopic write lumetto/3B/banco01/#\n"
                 "user docente\ntopic read lumetto/3B/#\n",
                 true});
    Diario docente, banco;
    Collegamento lettore(b.configurazione("docente", "due", b.ca()), "docente", docente.avvisi());
    lettore.iscrivi("lumetto/3B/#", 1);
    ASSERT_EQ(lettore.avvia(), "");
    ASSERT_TRUE(docente.attendi([&] { return docente.collegamenti == 1; }));

    Collegamento scrittore(b.configurazione("banco01", "uno", b.ca()), "banco01", banco.avvisi());
    ASSERT_EQ(scrittore.avvia(), "");
    ASSERT_TRUE(banco.attendi([&] { return banco.collegamenti == 1; }));
    std::vector<int> ids;
    for (int i = 1; i <= 3; ++i)
        ids.push_back(scrittore.pubblica("lumetto/3B/banco01/x", std::to_string(i), 1, false));
    ASSERT_TRUE(banco.attendi([&] { return banco.consegnati.size() == 3; }));
    EXPECT_EQ(banco.consegnati, ids);
    ASSERT_TRUE(docente.attendi([&] { return docente.messaggi.size() == 3; }));
    EXPECT_EQ(docente.messaggi,
              (std::vector<std::string>{"lumetto/3B/banco01/x 1", "lumetto/3B/banco01/x 2",
                                        "lumetto/3B/banco01/x 3"}));
}

// The teacher's window closed and opened again with its id: what the bench
// sent meanwhile is handed over, in order.
TEST(Mqtt, AKeptSessionGetsWhatCameWhileAway) {
    CartellaProva d;
    Broker b(d, {{}, "", false});
    Diario banco;
    Collegamento scrittore(b.configurazione("", "", ""), "banco01", banco.avvisi());
    ASSERT_EQ(scrittore.avvia(), "");
    {
        Diario via;
        Collegamento lettore(b.configurazione("", "", ""), "docente", via.avvisi(), true);
        lettore.iscrivi("lumetto/#", 1);
        ASSERT_EQ(lettore.avvia(), "");
        ASSERT_TRUE(via.attendi([&] { return via.collegamenti == 1; }));
        // Its subscription has reached the broker once this comes back.
        lettore.pubblica("lumetto/eco", "", 0, false);
        ASSERT_TRUE(via.attendi([&] { return !via.messaggi.empty(); }));
    }
    ASSERT_TRUE(banco.attendi([&] { return banco.collegamenti == 1; }));
    for (const char* dati : {"1", "2", "3"})
        scrittore.pubblica("lumetto/3B/banco01/x", dati, 1, false);
    ASSERT_TRUE(banco.attendi([&] { return banco.consegnati.size() == 3; }));
    Diario docente;
    Collegamento lettore(b.configurazione("", "", ""), "docente", docente.avvisi(), true);
    lettore.iscrivi("lumetto/#", 1);
    ASSERT_EQ(lettore.avvia(), "");
    ASSERT_TRUE(docente.attendi([&] { return docente.messaggi.size() >= 3; }));
    EXPECT_EQ(docente.messaggi,
              (std::vector<std::string>{"lumetto/3B/banco01/x 1", "lumetto/3B/banco01/x 2",
                                        "lumetto/3B/banco01/x 3"}));
}

TEST(Mqtt, EachRefusalIsSaidAndRetried) {
    CartellaProva d, altra;
    Broker b(d, {{{"banco01", "uno"}}, "", true});
    prove::creacertificati(altra.percorso(), "altra");
    const std::string altraca = altra / "altra-ca.crt";
    struct Caso {
        const char* nome;
        Configurazione conf;
        bool spento;
        const char* motivo;
    } casi[] = {
        {"password", b.configurazione("banco01", "sbagliata", b.ca()), false,
         "rifiuta l'utente «banco01» o la sua password"},
        {"altra CA", b.configurazione("banco01", "uno", altraca), false,
         "presenta un certificato che l'autorità indicata in «ca» non ha firmato"},
        {"senza TLS", b.configurazione("banco01", "uno", ""), false,
         "manca la chiave «ca» di [broker]"},
        {"spento", b.configurazione("banco01", "uno", b.ca()), true, "non risponde"},
    };
    for (auto& c : casi) {
        SCOPED_TRACE(c.nome);
        if (c.spento) b.ferma();
        Diario banco;
        Collegamento k(c.conf, "banco01", banco.avvisi());
        ASSERT_EQ(k.avvia(), "");
        // Said at the first attempt and again at the next: it keeps trying.
        ASSERT_TRUE(banco.attendi([&] { return banco.motivi.size() >= 2; }));
        EXPECT_EQ(banco.collegamenti, 0);
        EXPECT_NE(banco.motivi[0].find(c.motivo), std::string::npos) << banco.motivi[0];
        EXPECT_EQ(banco.motivi[1], banco.motivi[0]);
    }
}

}  // namespace
}  // namespace lumetto::classe
