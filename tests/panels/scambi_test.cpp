// The pin-state exchange without widgets where the board misbehaves: on a
// scripted device (simulated time-outs) and on a pseudo-terminal whose board
// goes away. The panels' tests cover the exchanges that go well.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "acquisition/acquisizione.h"
#include "link/collegamento.h"
#include "panels/scambi.h"
#include "serial/posix/fakeport.h"
#include "serial/report.h"
#include "support/dialoghi.h"
#include "support/orologio.h"
#include "support/pty.h"

using namespace lumetto;
using namespace lumetto::panels;
using namespace std::chrono_literals;

namespace {

// The reply of a board with D2 and D4 high and A0 to A5 at 0, 512, 1023, 11, 511, 100.
const std::string kRisposta =
    "D2HHHHD3LLLLD4HHHHD5LLLLD6LLLLD7LLLLA01000A11512A22023A31011A41511A51100FINE\r\n";

class RegistroScritto final : public Registro {
  public:
    void svuota() override { righe.clear(); }
    void aggiungi(const std::string& r) override { righe.push_back(r); }
    std::vector<std::string> righe;
};

class Scambi : public ::testing::Test {
  protected:
    Scambi() : com13(sys.add("COM13")) {
        sys.install();
        com13.onWait = [this](uint32_t ms) { orologio.avanza(ms); };
        acquisition::azzeraacquisizione();
        azzerastatopin();
        serial::setCommErrorHook([this](const std::string& t, int) { box.messaggio(t); });
        link::impostaVistaCollegamento({[] { return 13; }, {}, [this] { ++fermate; }});
        acquisition::stato.codiceesperimento = 100;  // as "stato arduino" leaves it
    }
    ~Scambi() override {
        acquisition::azzeraacquisizione();
        serial::setCommErrorHook(nullptr);
    }
    // The board answers "A" with these bytes.
    void risponde(const std::string& byte) {
        com13.onWrite = [this, byte](const std::string& w) {
            if (w.starts_with("A")) com13.receive(byte);
        };
    }
    std::string scritto() { return std::string(com13.output.begin(), com13.output.end()); }

    prove::Orologio orologio;
    serial::fake::FakeSystem sys;
    serial::fake::FakeDevice& com13;
    prove::DialoghiScritti box;
    RegistroScritto registro;
    int fermate = 0;
};

}  // namespace

TEST_F(Scambi, SixAnalogInputsExperimentKeepsItsLog) {
    acquisition::stato.codiceesperimento = 4;
    risponde(kRisposta);
    registro.righe = {"riga di una lettura"};
    auto s = scambiostato({}, &registro);
    ASSERT_TRUE(s);
    // Only the exchange's own heading; the decoder neither clears nor writes.
    EXPECT_EQ(registro.righe, std::vector<std::string>{kTestataLettura});
    EXPECT_EQ(s->analogici[2].posizione, 0);
}

TEST_F(Scambi, SilentBoardWaitsEveryCharacterThenStillSendsAndCloses) {
    uint32_t prima = orologio.ora();
    auto s = scambiostato({false, true}, &registro);
    ASSERT_TRUE(s);
    // 78 characters, each given the 500 ms input time-out.
    EXPECT_GE(orologio.ora() - prima, 78u * 500);
    EXPECT_LT(orologio.ora() - prima, 79u * 500 + 500);
    EXPECT_EQ(scritto(), "AL1H2L3L4L5L6");
    EXPECT_FALSE(com13.open);
    EXPECT_EQ(s->digitali[0].testo, " D2 OFF");
    EXPECT_EQ(s->analogici[0].posizione, 100);
    EXPECT_EQ(registro.righe[6], "-->dato= 7 A0 numero=-1000 V=-4.888");
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(Scambi, BoardThatVanishesAfterTheCommandEndsTheReadAtOnce) {
    com13.onWrite = [this](const std::string& w) {
        if (w == "A") {
            com13.receive(kRisposta.substr(0, 42));
            com13.vanished = true;
        }
    };
    uint32_t prima = orologio.ora();
    auto s = scambiostato({true}, &registro);
    ASSERT_TRUE(s);
    EXPECT_LT(orologio.ora() - prima, 500u);
    // What arrived is shown; the slots it did not reach read as empty.
    EXPECT_EQ(s->digitali[2].testo, " D4 ON");
    EXPECT_EQ(s->analogici[0].lettura, 0);
    EXPECT_EQ(s->analogici[1].lettura, -1000);
    EXPECT_FALSE(com13.open);
    EXPECT_TRUE(box.mostrati.empty());
}

// A real pseudo-terminal whose other side closes after reading "A": the
// component sees the hang-up and every wait of the read ends at once.
TEST(ScambiSuPty, UnpluggedBoardDoesNotBlockTheWindow) {
    acquisition::azzeraacquisizione();
    azzerastatopin();
    prove::DialoghiScritti box;
    serial::setCommErrorHook([&](const std::string& t, int) { box.messaggio(t); });
    link::impostaVistaCollegamento({[] { return 13; }, {}, {}});
    acquisition::stato.codiceesperimento = 100;
    prove::PtyBoard pty;
    pty.link(13);
    std::thread scheda([&] {
        if (pty.take(5000, 1) == "A") pty.unplug();
    });
    auto inizio = std::chrono::steady_clock::now();
    auto s = scambiostato({}, nullptr);
    auto durata = std::chrono::steady_clock::now() - inizio;
    scheda.join();
    ASSERT_TRUE(s);
    EXPECT_LT(durata, 2s);  // not 78 time-outs of 500 ms
    EXPECT_EQ(s->analogici[5].posizione, 100);
    EXPECT_TRUE(box.mostrati.empty());
    // The next press finds no board.
    EXPECT_FALSE(scambiostato({}, nullptr));
    EXPECT_EQ(box.mostrati, std::vector<std::string>{"Arduino non collegato!!"});
    serial::setCommErrorHook(nullptr);
    acquisition::azzeraacquisizione();
}
