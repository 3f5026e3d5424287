// The exchange with the board on a scripted device: opening by the chosen
// port, the reply read character by character, numbers into the table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "link/campi.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "serial/posix/fakeport.h"
#include "serial/report.h"
#include "support/dialoghi.h"
#include "support/orologio.h"

using namespace lumetto;
using namespace lumetto::link;
using ::testing::ElementsAre;

namespace {

class Collegamento : public ::testing::Test {
  protected:
    Collegamento() : com13(sys.add("COM13")) {
        sys.install();
        com13.onWait = [this](uint32_t ms) { orologio.avanza(ms); };  // time-outs pass at once
        azzeracollegamento();
        serial::setCommErrorHook([this](const std::string& t, int) { box.messaggio(t); });
        impostaVistaCollegamento(
            {[this] { return porta; }, [this](int n) { porta = n; }, [this] { ++fermate; }});
    }
    ~Collegamento() override {
        azzeracollegamento();
        serial::setCommErrorHook(nullptr);
    }
    // The board answers the next command with these bytes.
    void risponde(const std::string& byte) {
        com13.onWrite = [this, byte](const std::string&) {
            com13.receive(byte);
            com13.onWrite = nullptr;
        };
    }
    std::string scritto() { return std::string(com13.output.begin(), com13.output.end()); }
    double cella(int r, int c) { return tabellaletture[size_t(r)][size_t(c)]; }

    prove::Orologio orologio;
    serial::fake::FakeSystem sys;
    serial::fake::FakeDevice& com13;
    prove::DialoghiScritti box;
    int porta = 13;
    int fermate = 0;
};

}  // namespace

TEST_F(Collegamento, CommandGoesToTheChosenPortAt9600SevenEvenOne) {
    EXPECT_TRUE(inviacomando('A'));
    EXPECT_EQ(nomeporta, "COM13");
    EXPECT_EQ(scritto(), "A");
    EXPECT_EQ(com13.dcb.BaudRate, 9600u);
    EXPECT_EQ(com13.dcb.ByteSize, 7);
    EXPECT_EQ(com13.dcb.Parity, 2);
    EXPECT_EQ(com13.dcb.StopBits, 0);
    chiudiporta();
    EXPECT_EQ(portacom(), nullptr);
    EXPECT_TRUE(box.mostrati.empty());

    porta = 9;  // no such device
    EXPECT_FALSE(inviacomando('B'));
    EXPECT_EQ(nomeporta, "COM9");
    EXPECT_EQ(fermate, 1);
    EXPECT_THAT(box.mostrati, ElementsAre("Arduino non collegato!!"));
    EXPECT_EQ(scritto(), "A");
}

TEST_F(Collegamento, RepliesBecomeRowsOfTheTable) {
    struct Caso {
        std::string arriva;
        int n;
        std::vector<double> valori;
    } casi[] = {
        {"  23.5  45.1", 12, {23.5, 45.1}},
        {"HHHHHHLLLLLL", 12, {1, 0}},
        {"SSSSSS", 6, {2}},
        {"23.5", 6, {23.5}},      // two characters never came: blanks, still a reply
        {"  12.5\v", 6, {12.5}},  // a vertical tab is dropped and not counted
        {" 18.52 54.87 20.00HHHHHH\r\n", 26, {18.52, 54.87, 20.0, 1}},
        {"HHHHHHLLLLLL", 18, {1, 0, kMancante}},       // a field the reply lacks is missing
        {"temp:21.5,lu", 12, {kMancante, kMancante}},  // no field starts after a letter
    };
    int riga = 0;
    for (const auto& c : casi) {
        numerolettura = ++riga;
        tabellaletture[size_t(riga)].fill(-1);
        risponde(c.arriva);
        ASSERT_TRUE(inviacomando('A'));
        std::string risposta = "prima";
        EXPECT_EQ(ricevirisposta(static_cast<uint8_t>(c.n), risposta), Risposta::arrivata)
            << c.arriva;
        for (size_t k = 0; k < c.valori.size(); ++k)
            if (std::isnan(c.valori[k]))
                EXPECT_TRUE(std::isnan(cella(riga, int(k) + 1))) << c.arriva;
            else
                EXPECT_EQ(cella(riga, int(k) + 1), c.valori[k]) << c.arriva;
        // What an earlier run left past the frame is not this reading's.
        EXPECT_TRUE(std::isnan(cella(riga, 12))) << c.arriva;
        chiudiporta();
    }
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(Collegamento, AMostlyBlankReplyIsNoReply) {
    numerolettura = 1;
    tabellaletture[1].fill(-1);
    risponde("   1.0   2.0");
    ASSERT_TRUE(inviacomando('A'));
    std::string risposta = "prima";
    EXPECT_EQ(ricevirisposta(12, risposta), Risposta::nessundato);
    EXPECT_EQ(risposta, "prima");
    // No earlier value stays in the row to be shown as this reading's.
    EXPECT_TRUE(std::isnan(cella(1, 1)));
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!"));

    // Nothing at all: the reader gives up after half the characters.
    box.mostrati.clear();
    com13.input.clear();
    EXPECT_EQ(ricevirisposta(6, risposta), Risposta::nessundato);
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!"));
    // A length of 0 reads nothing and says nothing.
    box.mostrati.clear();
    EXPECT_EQ(ricevirisposta(0, risposta), Risposta::arrivata);
    EXPECT_EQ(risposta, "");
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(Collegamento, OnlyRowsOneToAThousandAreWritten) {
    for (int r : {1000, 1001, 0}) {
        numerolettura = r;
        risponde("  42.0");
        ASSERT_TRUE(inviacomando('A'));
        std::string risposta;
        EXPECT_EQ(ricevirisposta(6, risposta), Risposta::arrivata);
        EXPECT_EQ(risposta, "  42.0");
        chiudiporta();
    }
    EXPECT_EQ(cella(1000, 1), 42.0);
    EXPECT_EQ(cella(0, 1), 0.0);
}

TEST_F(Collegamento, APortLeftHeldIsReleasedWhenTheRunStops) {
    // A reply that did not come leaves the port open, as the design has it...
    ASSERT_TRUE(inviacomando('A'));
    std::string r;
    ASSERT_EQ(ricevirisposta(6, r), Risposta::nessundato);
    EXPECT_EQ(portetrattenute(), 1u);
    // ...so the next exchange fails to open it and stops the run.
    EXPECT_FALSE(inviacomando('A'));
    EXPECT_EQ(fermate, 1);
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!", "Arduino non collegato!!"));
    EXPECT_EQ(portetrattenute(), 1u);
    // Stopping releases it: the next experiment opens the port without a restart.
    rilasciaporte();
    EXPECT_EQ(portetrattenute(), 0u);
    EXPECT_TRUE(inviacomando('A'));
    chiudiporta();
}

TEST_F(Collegamento, PortSearchTakesTheFirstThatOpens) {
    sys.add("COM4").present = false;
    sys.add("COM7");
    cercaporta();
    EXPECT_EQ(porta, 7);
    EXPECT_THAT(box.mostrati, ElementsAre("Arduino collegato su porta seriale=COM7"));
    EXPECT_EQ(portacom(), nullptr);  // closed and freed after the search

    // No port at all: nothing is said and the choice stays.
    azzeracollegamento();
    impostaVistaCollegamento({[this] { return porta; }, [this](int n) { porta = n; }, [] {}});
    box.mostrati.clear();
    serial::fake::FakeSystem vuoto;
    vuoto.install();
    porta = 13;
    cercaporta();
    EXPECT_EQ(porta, 13);
    EXPECT_TRUE(box.mostrati.empty());
    ASSERT_NE(portacom(), nullptr);
    EXPECT_FALSE(portacom()->DeviceOpened());
    sys.install();
}

// The board's line that says who it is, and nothing else taken for it: a
// noisy line must not name a sketch and bring a warning.
TEST_F(Collegamento, TheBoardSaysWhoItIsInOneLine) {
    using Chi = std::optional<Identita>;
    const std::pair<const char*, Chi> casi[] = {
        {"Lumetto Sonar 0.2.0\r\n", Identita{"Sonar", "0.2.0"}},
        {"Lumetto RegolazionePI 0.10.1", Identita{"RegolazionePI", "0.10.1"}},
        {"Lumetto Sonar", std::nullopt},
        {"Lumetto  Sonar 0.2.0", std::nullopt},
        {"Lumetto Sonar 0.2.0 1", std::nullopt},
        {"Lumetto Son#r 0.2.0", std::nullopt},
        {"lumetto Sonar 0.2.0", std::nullopt},
        {" 23.50Lumetto Sonar 0.2.0", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [riga, chi] : casi)
        EXPECT_EQ(leggiidentita(riga), chi) << riga;

    // Over the port: lines that are not the answer are passed over, and the
    // port is closed and let go after the question.
    risponde("  21.5\r\nciao\r\nLumetto Temperature 0.2.0\r\n");
    EXPECT_EQ(chiedichisei(), (Identita{"Temperature", "0.2.0"}));
    EXPECT_EQ(scritto(), "?");
    EXPECT_EQ(nomeporta, "COM13");
    EXPECT_EQ(portacom(), nullptr);
    EXPECT_EQ(portetrattenute(), 0u);
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(Collegamento, TextRepliesDropWhatNeverCame) {
    ASSERT_TRUE(inviacomando('A'));
    com13.receive("D2HHHH");
    std::string r = "prima";
    ricevitesto(78, r);
    EXPECT_EQ(r, "D2HHHH");
    ricevitesto(10, r);  // nothing came: the text stays as it was
    EXPECT_EQ(r, "D2HHHH");
    chiudiporta();
    chiudiporta();  // nothing left to close: nothing happens
    EXPECT_TRUE(box.mostrati.empty());
}

// A box shown by the component during a call runs the event loop, where a
// tick may stop the run: the release it asks for must not free the component
// whose call is still running.
TEST_F(Collegamento, ReleaseDuringACallWaitsForTheCallToReturn) {
    com13.refuseState = true;  // "Unable to update device control block." during the open
    int rilasci = 0;
    serial::setCommErrorHook([&](const std::string& t, int) {
        box.messaggio(t);
        ++rilasci;
        rilasciaporte();  // what a tick inside the box does when it stops the run
    });
    EXPECT_TRUE(apridispositivo("COM13"));
    EXPECT_EQ(rilasci, 1);
    // Released once the open returned: nothing is held and the port opens again.
    EXPECT_EQ(portetrattenute(), 0u);
    com13.refuseState = false;
    EXPECT_TRUE(apridispositivo("COM13"));
    chiudiporta();
}
