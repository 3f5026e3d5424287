// Every sketch of the Lumetto library on an emulated Uno, talked to by the
// program's own acquisition: the parts wired to the board set, the button of
// the experiment pressed, one tick; the reading table holds what those parts
// imply, within the sensor's resolution.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "firmware/emulata.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "platform/unita.h"
#include "schemes/schema.h"
#include "serial/report.h"
#include "support/acquisizione.h"
#include "support/dialoghi.h"

using namespace lumetto;

namespace {

struct Valore {
    double atteso, tolleranza;
};
struct Caso {
    const char* bottone;               // the experiment's button; its row names the sketch
    std::vector<std::string> stimoli;  // what is wired to the board
    std::vector<Valore> valori;        // the reading, field by field
    double secondi = 0;                // how long the board runs before the reading (its own time)
    const char* testata = nullptr;     // "Utente" keeps the header started before it
};

// The Lumetto library's sketch that the experiment table gives the button.
std::string sketchdi(const Caso& c) {
    const auto* riga = acquisition::comando(c.bottone);
    return riga ? std::string(riga->esempio) : std::string();
}

void PrintTo(const Caso& c, std::ostream* o) {
    *o << sketchdi(c);
}

class Sketch : public ::testing::TestWithParam<Caso> {
  protected:
    // The default plants' schemes on the c: drive, for their buttons.
    static void SetUpTestSuite() { platform::preparaunita(platform::cartelladati()); }
    prove::DialoghiScritti box;
    acquisition::VistaMuta vista;
    prove::AcquisizioneDiProva acquisizione{vista, box};
};

}  // namespace

TEST_P(Sketch, OneTickReadsWhatThePartsSay) {
    const Caso& c = GetParam();
    const std::string nome = sketchdi(c);
    ASSERT_FALSE(nome.empty()) << c.bottone << ": no sketch in the experiment table";
    prove::SchedaEmulata board(nome);
    ASSERT_TRUE(board.pronto()) << nome << ": the emulator did not start";
    for (const auto& s : c.stimoli)
        board.comanda(s);
    // A change on the pins is seen by the sketch's next pass of its loop
    // (reading every sensor takes a few milliseconds): 50 ms at least.
    ASSERT_TRUE(board.sincronizza(std::max(c.secondi * 1000, 50.0)));
    if (c.testata)
        acquisition::avviaesperimento(4, c.testata, std::string(std::strlen(c.testata) / 6, '1'));
    const auto* comando = acquisition::comando(c.bottone);
    ASSERT_NE(comando, nullptr);
    ASSERT_TRUE(acquisition::avviacomando(*comando));
    acquisition::eseguilettura();
    ASSERT_TRUE(box.mostrati.empty()) << nome << " is silent or late: " << box.mostrati.front();
    ASSERT_EQ(link::numerolettura, 1);
    // Exactly as long as the header: a longer frame would spill into the next reading.
    const auto risposta = board.attendi("risposta", std::chrono::seconds(5));
    ASSERT_TRUE(risposta) << nome;
    std::istringstream in(*risposta);  // the point, whatever the tests' locale
    std::string verbo;
    char lettera = 0;
    double primo = 0, ultimo = 0;
    int caratteri = 0;
    ASSERT_TRUE(in >> verbo >> lettera >> primo >> ultimo >> caratteri) << *risposta;
    EXPECT_EQ(caratteri, acquisition::stato.lunghezzatestata) << nome;
    for (size_t i = 0; i < c.valori.size(); ++i)
        EXPECT_NEAR(link::tabellaletture[1][i + 1], c.valori[i].atteso, c.valori[i].tolleranza)
            << nome << ", field " << i + 1;
}

// Voltages in millivolts: the converter reads mV x 1023 / 5000 steps.
INSTANTIATE_TEST_SUITE_P(
    Uno, Sketch,
    ::testing::Values(
        // 25 cm: 1450 us of echo; the HC-SR04 resolves about 0.3 cm.
        Caso{"BitBtn4", {"sonar 25"}, {{25, 0.5}}},
        Caso{"BitBtn4", {"sonar 0"}, {{-1, 0}}},  // no echo
        // LM35: 10 mV a degree, read in steps of 0.49 degrees.
        Caso{"BitBtn13", {"analogico 0 235"}, {{23.5, 0.5}}},
        // 18 degrees under a set point of 20: the heater is on.
        Caso{"BitBtn17",
             {"analogico 0 180", "analogico 1 2750", "analogico 2 2500"},
             {{18, 0.5}, {55, 0.2}, {20, 0.1}, {1, 0}}},
        // 40 slots a second on a disc of 20: 120 rpm, two turns in 1.2 s.
        Caso{"BitBtn10", {"impulsi D2 40"}, {{180, 180}, {120, 8}, {2, 1}}, 1.2},
        // The ADXL335 at 3.3 V: 1.65 V is 0 g, 330 mV a g.
        Caso{"BitBtn12",
             {"analogico 0 1650", "analogico 1 1320", "analogico 2 1980"},
             {{0, 0.02}, {-1, 0.02}, {1, 0.02}}},
        // 400 slots a second: 1200 rpm; 2 V on the knob: a set point of 1200.
        Caso{"BitBtn20", {"impulsi D2 400", "analogico 0 2000"}, {{1200, 60}, {1200, 3}}, 1.2},
        // Both floats down: the tank is empty and the pump runs.
        Caso{"BitBtn21", {"pin D2 1", "pin D3 1"}, {{0, 0}, {0, 0}, {1, 0}}},
        // Every cylinder retracted and START pressed: cylinder 1 goes out.
        Caso{"BitBtn23",
             {"pin D2 0", "pin D3 1", "pin D4 0", "pin D5 1", "pin D6 0", "pin D7 1", "pin A0 0",
              "pin A1 1"},
             {{1, 0},
              {0, 0},
              {1, 0},
              {0, 0},
              {1, 0},
              {0, 0},
              {1, 0},
              {0, 0},
              {0, 0},
              {1, 0},
              {0, 0}}},
        // 50 degrees against 60 in winter: the first boiler burns.
        Caso{"BitBtn8",
             {"analogico 0 500", "analogico 1 2500", "pin D2 0"},
             {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {50, 0.5}, {60, 0.1}, {4, 0}, {1, 0}}},
        // 30 degrees against 50 with a band of 10: 200 % of proportional action, 100 in all.
        Caso{"Button2",
             {"analogico 0 300", "analogico 1 2500"},
             {{30, 0.5}, {50, 0.1}, {20, 0.6}, {10, 0}, {1, 2}, {200, 6}, {2, 3}, {100, 0}}},
        // A cold room (17 against 24) with 2500 ppm of CO2: heating on, window open.
        Caso{"BitBtn15",
             {"analogico 0 80", "analogico 1 170", "analogico 2 3000", "analogico 3 2750",
              "analogico 4 1200"},
             {{8, 0.5},
              {17, 0.5},
              {24, 0.1},
              {55, 0.2},
              {2500, 16},
              {1, 0},
              {0, 0},
              {0, 0},
              {1, 0}}},
        // The collector 15 degrees over the tank's bottom, its top at 40: pump and heater on.
        Caso{"BitBtn16",
             {"analogico 0 450", "analogico 1 300", "analogico 2 400", "analogico 3 3750"},
             {{45, 0.5}, {30, 0.5}, {40, 0.5}, {750, 1}, {15, 0.7}, {1, 0}, {1, 0}, {0, 0}}},
        // Zone 1 dry (20 %), zone 2 wet (70 %), no rain: valve 1 open, the pump runs.
        Caso{"BitBtn22",
             {"analogico 0 4000", "analogico 1 1500", "pin D2 1", "analogico 2 4000",
              "analogico 3 240"},
             {{20, 0.2}, {70, 0.2}, {0, 0}, {80, 0.2}, {1, 0}, {1, 0}, {0, 0}, {24, 0.5}}},
        // The teacher's own sketch under a header of twelve fields.
        Caso{"BitBtn11",
             {"analogico 0 1000", "analogico 5 4500", "pin D2 1", "pin D7 0"},
             {{1, 0.01}, {0, 0.01}, {0, 0.01}, {0, 0.01}, {0, 0.01}, {4.5, 0.01}, {1, 0}},
             0,
             "C1....C2....C3....C4....C5....C6....C7....C8....C9....C10...C11...C12..."}),
    [](const auto& i) { return sketchdi(i.param) + "_" + std::to_string(i.index); });

// A letter that comes while a reply is going out is answered too, and
// characters the sketch does not expect are dropped without a word.
TEST(SketchLinea, LettersDuringAReplyAreKeptAndNoiseIsDropped) {
    prove::SchedaEmulata board("Temperature");
    ASSERT_TRUE(board.pronto());
    board.comanda("analogico 0 235");
    ASSERT_TRUE(board.sincronizza(50));
    const std::string link = std::string(std::getenv("HOME")) + "/.lumetto/dosdevices/com13";
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const char invio[] = "xA\x7f?A";
    ASSERT_EQ(::write(fd, invio, sizeof invio - 1), static_cast<ssize_t>(sizeof invio - 1));
    std::string letto;
    pollfd p{fd, POLLIN, 0};
    while (letto.size() < 12 && ::poll(&p, 1, 2000) > 0) {
        char buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        letto.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    // Two frames of six characters, nothing else: 235 mV is 48 steps, 23.46 degrees.
    EXPECT_EQ(letto, " 23.46 23.46");
}
