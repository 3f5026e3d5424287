// Every sketch of the Lumetto library on an emulated Uno, talked to by the
// program's own acquisition: the parts wired to the board set, the button of
// the experiment pressed, one tick; the reading table holds what those parts
// imply, within the sensor's resolution, at any supply a USB port gives; and
// every sketch says who it is.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "firmware/emulata.h"
#include "firmware/src/LumettoTrama.h"
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
    const char* bottone;  // the experiment's button; its row names the sketch
    // What is wired to the board, in turn; "attendi MS": MS of the board's time first.
    std::vector<std::string> stimoli;
    std::vector<Valore> valori;     // the reading, field by field
    double secondi = 0;             // how long the board runs before the reading (its own time)
    const char* testata = nullptr;  // "Utente" keeps the header started before it
    int millivolt = 5000;           // the board's supply
};

// The Lumetto library's sketch that the experiment table gives the button.
std::string sketchdi(const Caso& c) {
    const auto* riga = acquisition::comando(c.bottone);
    return riga ? std::string(riga->esempio) : std::string();
}

void PrintTo(const Caso& c, std::ostream* o) {
    *o << sketchdi(c) << " at " << c.millivolt << " mV";
}

// Everything the board sends in answer to `invio` within `ms` of its own time.
std::string chiedi(prove::SchedaEmulata& board, const std::string& invio, double ms) {
    const std::string link = std::string(std::getenv("HOME")) + "/.lumetto/dosdevices/com13";
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return {};
    std::string letto;
    if (::write(fd, invio.data(), invio.size()) == static_cast<ssize_t>(invio.size()) &&
        board.sincronizza(ms)) {
        char buf[256];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0)
            letto.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return letto;
}

// A table of cases run through the program's acquisition, its boxes written down.
template <class C>
class ConAcquisizione : public ::testing::TestWithParam<C> {
  protected:
    // The default plants' schemes on the c: drive, for their buttons.
    static void SetUpTestSuite() { platform::preparaunita(platform::cartelladati()); }
    prove::DialoghiScritti box;
    acquisition::VistaMuta vista;
    prove::AcquisizioneDiProva acquisizione{vista, box};
};

class Sketch : public ConAcquisizione<Caso> {};

}  // namespace

TEST_P(Sketch, OneTickReadsWhatThePartsSay) {
    const Caso& c = GetParam();
    const std::string nome = sketchdi(c);
    ASSERT_FALSE(nome.empty()) << c.bottone << ": no sketch in the experiment table";
    prove::SchedaEmulata board(nome, 13, c.millivolt);
    ASSERT_TRUE(board.pronto()) << nome << ": the emulator did not start";
    for (const auto& s : c.stimoli) {
        if (s.rfind("attendi ", 0) == 0) {
            ASSERT_TRUE(board.sincronizza(std::stod(s.substr(8))));
        } else {
            board.comanda(s);
        }
    }
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
    // Answered from the values sampled in the background: the first character
    // within a millisecond of the letter, in the board's own time. The sonar
    // waits for its echo.
    if (nome != "Sonar") {
        EXPECT_LT(primo, 1000) << nome;
    }
    for (size_t i = 0; i < c.valori.size(); ++i)
        EXPECT_NEAR(link::tabellaletture[1][i + 1], c.valori[i].atteso, c.valori[i].tolleranza)
            << nome << ", field " << i + 1;
}

// Voltages in millivolts: the converter reads mV x 1023 / supply steps, or
// mV x 1023 / 1100 on the 1.1 V reference (an LM35).
INSTANTIATE_TEST_SUITE_P(
    Uno, Sketch,
    ::testing::Values(
        // 25 cm: 1450 us of echo; the HC-SR04 resolves about 0.3 cm.
        Caso{"BitBtn4", {"sonar 25"}, {{25, 0.5}}},
        // Near, mid-range and at the range's end, whatever interrupts the board
        // serves while the echo lasts (a 23 ms echo spans 22 of Timer0's).
        Caso{"BitBtn4", {"sonar 10"}, {{10, 0.3}}}, Caso{"BitBtn4", {"sonar 120"}, {{120, 0.3}}},
        Caso{"BitBtn4", {"sonar 399"}, {{399, 0.3}}},
        Caso{"BitBtn4", {"sonar 0"}, {{-1, 0}}},  // no echo
        // Past the HC-SR04's 400 cm its echo means nothing: no echo.
        Caso{"BitBtn4", {"sonar 450"}, {{-1, 0}}}, Caso{"BitBtn4", {"sonar 401"}, {{-1, 0}}},
        // LM35: 10 mV a degree, read in steps of 0.11 degrees, at any supply.
        Caso{"BitBtn13", {"analogico 0 235"}, {{23.5, 0.3}}, 0, nullptr, 4600},
        Caso{"BitBtn13", {"analogico 0 235"}, {{23.5, 0.3}}, 0, nullptr, 4800},
        Caso{"BitBtn13", {"analogico 0 235"}, {{23.5, 0.3}}},
        Caso{"BitBtn13", {"analogico 0 235"}, {{23.5, 0.3}}, 0, nullptr, 5200},
        // 18 degrees under a set point of 20: the heater is on.
        Caso{"BitBtn17",
             {"analogico 0 180", "analogico 1 2750", "analogico 2 2500"},
             {{18, 0.5}, {55, 0.2}, {20, 0.1}, {1, 0}}},
        // 40 slots a second on a disc of 20: 120 rpm, two turns in 1.2 s.
        Caso{"BitBtn10", {"impulsi D2 40"}, {{180, 180}, {120, 8}, {2, 1}}, 1.2},
        // The same with three more edges 20 us after each (a comparator's chatter).
        Caso{"BitBtn10", {"impulsi D2 40 3"}, {{180, 180}, {120, 8}, {2, 1}}, 1.2},
        // 20 slots a second, 60 rpm, with the chatter on the slot's closing too:
        // counted on either edge it would read 120.
        Caso{"BitBtn10", {"impulsi D2 20 3 3"}, {{180, 180}, {60, 4}, {1, 0}}, 1.2},
        // The ADXL335 at 3.3 V, its supply also on A3: 1.65 V is 0 g, 330 mV a
        // g, whatever the board's supply.
        Caso{"BitBtn12",
             {"analogico 0 1650", "analogico 1 1320", "analogico 2 1980", "analogico 3 3300"},
             {{0, 0.03}, {-1, 0.03}, {1, 0.03}},
             0,
             nullptr,
             4600},
        Caso{"BitBtn12",
             {"analogico 0 1650", "analogico 1 1320", "analogico 2 1980", "analogico 3 3300"},
             {{0, 0.03}, {-1, 0.03}, {1, 0.03}},
             0,
             nullptr,
             4800},
        Caso{"BitBtn12",
             {"analogico 0 1650", "analogico 1 1320", "analogico 2 1980", "analogico 3 3300"},
             {{0, 0.03}, {-1, 0.03}, {1, 0.03}}},
        Caso{"BitBtn12",
             {"analogico 0 1650", "analogico 1 1320", "analogico 2 1980", "analogico 3 3300"},
             {{0, 0.03}, {-1, 0.03}, {1, 0.03}},
             0,
             nullptr,
             5200},
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
        // Stopped with cylinders 1 and 2 out (valves held), then START: cylinder 1
        // comes home first (A-), cylinder 2 waits for it.
        Caso{"BitBtn23",
             {"pin D2 0", "pin D3 1", "pin D4 0", "pin D5 1", "pin D6 0", "pin D7 1", "pin A1 1",
              "pin A0 0", "attendi 50", "pin A0 1", "pin D2 1", "pin D3 0", "attendi 50",
              "pin A1 0", "attendi 50", "pin A1 1", "pin A0 0"},
             {{0, 0},
              {1, 0},
              {1, 0},
              {0, 0},
              {1, 0},
              {0, 0},
              {0, 0},
              {1, 0},
              {0, 0},
              {1, 0},
              {0, 0}}},
        // 50 degrees against 60 in winter: the first boiler burns. The probe last:
        // until it reads, it is a failed probe, and its first plausible reading
        // starts a boiler at once.
        Caso{"BitBtn8",
             {"analogico 1 2500", "pin D2 0", "attendi 50", "analogico 0 500"},
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
    // Two frames of six characters, nothing else: 235 mV is 218 steps of the
    // 1.1 V reference, 23.44 degrees.
    EXPECT_EQ(chiedi(board,
                     "xA\x7f"
                     "A",
                     100),
              " 23.44 23.44");
}

// "Regolazione PI" on a relay module (its sketch built with USCITA = RELE):
// a demand that swings every second (30 and 48.5 degrees against 50: all
// the power, then a fifth of it) does not make the relay follow it: two
// switchings are never closer than 5 s, and a minute holds one cycle at most.
TEST(ReleLento, SwitchingsNeverCloserThanTheRelaysMinimum) {
    prove::SchedaEmulata board("RegolazionePIRele");
    ASSERT_TRUE(board.pronto());
    board.comanda("analogico 1 2500");
    constexpr int kPasso = 250;  // ms of the board's time between looks
    std::vector<int> scatti;     // when the relay switched, to kPasso
    int livello = 0;
    size_t letti = 0;
    for (int i = 0; i < 100; ++i) {
        if (i % 4 == 0) board.comanda(i % 8 == 0 ? "analogico 0 300" : "analogico 0 485");
        ASSERT_TRUE(board.sincronizza(kPasso));
        const auto r = board.rapporti();
        for (; letti < r.size(); ++letti) {
            if (r[letti].rfind("pin D5 ", 0) != 0) continue;
            const int l = r[letti].back() - '0';
            if (l != livello) scatti.push_back(i * kPasso);
            livello = l;
        }
    }
    ASSERT_FALSE(scatti.empty()) << "the relay never switched on";
    EXPECT_LE(scatti.size(), 2u);
    for (size_t k = 1; k < scatti.size(); ++k)
        EXPECT_GE(scatti[k] - scatti[k - 1], 5000 - kPasso) << "switchings " << k - 1 << ", " << k;
}

// The pin-state reply's readings, as the panel turns them into volts
// (x 5 / 1023), within 1 % at any supply a USB port gives.
class StatoPinAlimentato : public ::testing::TestWithParam<int> {};

TEST_P(StatoPinAlimentato, VoltsWithinOnePercent) {
    prove::SchedaEmulata board("StatoPin", 13, GetParam());
    ASSERT_TRUE(board.pronto());
    const int mv[] = {500, 1000, 2000, 2500, 3500, 4500};
    for (int i = 0; i < 6; ++i)
        board.comanda("analogico " + std::to_string(i) + " " + std::to_string(mv[i]));
    ASSERT_TRUE(board.sincronizza(50));
    const std::string r = chiedi(board, "A", 150);
    ASSERT_EQ(r.size(), lumetto::trama::kStatoPin) << r;
    for (int i = 0; i < 6; ++i) {
        const std::string slot = r.substr(36 + 6 * static_cast<size_t>(i), 6);
        ASSERT_EQ(slot.substr(0, 2), "A" + std::to_string(i)) << r;
        const double volt = (std::stoi(slot.substr(2)) - 1000) * 5.0 / 1023;
        EXPECT_NEAR(volt, mv[i] / 1000.0, mv[i] / 1000.0 * 0.01) << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(Usb, StatoPinAlimentato, ::testing::Values(4600, 4800, 5000, 5200));

// Every sketch answers "?" with its name, the library's example's folder, and
// the library's version, and with nothing else: "?" starts no reading.
class Identita : public ::testing::TestWithParam<std::string> {};

std::vector<std::string> esempi() {
    std::set<std::string> nomi;
    // Not the free stream's: a Serial Plotter sketch knows nothing of "?".
    for (const auto& c : acquisition::comandi())
        if (!c.esempio.empty() && c.azione != acquisition::Azione::Libero) nomi.emplace(c.esempio);
    return {nomi.begin(), nomi.end()};
}

TEST_P(Identita, AnswersItsNameAndVersion) {
    prove::SchedaEmulata board(GetParam());
    ASSERT_TRUE(board.pronto());
    const std::string atteso = "Lumetto " + GetParam() + " " + lumetto::trama::kVersione + "\r\n";
    EXPECT_EQ(chiedi(board, "?", 100), atteso);
}

INSTANTIATE_TEST_SUITE_P(Esempi, Identita, ::testing::ValuesIn(esempi()),
                         [](const auto& i) { return i.param; });

// A "?" that comes while a frame goes out is answered after its last
// character: the frame stays whole.
TEST(SketchLinea, WhoAreYouDuringAFrameWaitsForItsEnd) {
    prove::SchedaEmulata board("StatoPin");
    ASSERT_TRUE(board.pronto());
    const std::string chi = std::string("Lumetto StatoPin ") + lumetto::trama::kVersione + "\r\n";
    // The frame takes 81 ms on the line; the "?" is sent with the letter,
    // and reaches the board while the frame's first characters go out.
    const std::string r = chiedi(board, "A?", 200);
    ASSERT_EQ(r.size(), lumetto::trama::kStatoPin + chi.size()) << r;
    EXPECT_EQ(r.substr(0, 2), "D2") << r;
    EXPECT_EQ(r.substr(lumetto::trama::kStatoPin - 6, 6), "FINE\r\n") << r;
    EXPECT_EQ(r.substr(lumetto::trama::kStatoPin), chi);
}

// The version the boards answer with is the library's own.
TEST(SketchLinea, VersionIsTheLibrarysOwn) {
    std::ifstream in(std::string(LUMETTO_FIRMWARE_SORGENTI) + "/library.properties");
    ASSERT_TRUE(in) << LUMETTO_FIRMWARE_SORGENTI;
    std::string riga, versione;
    while (std::getline(in, riga))
        if (riga.rfind("version=", 0) == 0) versione = riga.substr(8);
    EXPECT_EQ(versione, lumetto::trama::kVersione);
}

// The free-stream sketches speak first, at 115200 baud 8N1, and read
// nothing: about ten lines a second of the board's own time, each
// "luce:NN,temp:NN.N", with the values the voltages on A0 and A1 give.
// Libero reads them with analogRead against a supply it takes for 5 V, so it
// is off at another supply; LiberoLumetto is right at any.
namespace {

struct CasoLibero {
    const char* sketch;
    int millivolt;  // the board's supply
    int a0, a1;     // mV on the photoresistor's divider (a share of the supply) and the LM35
    double luce, temp, tolleranza;
};

void PrintTo(const CasoLibero& c, std::ostream* o) {
    *o << c.sketch << " at " << c.millivolt << " mV";
}

class RigheLibere : public ::testing::TestWithParam<CasoLibero> {};

// The point, whatever the tests' locale.
double numero(const std::string& s) {
    double v = -1;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

}  // namespace

TEST_P(RigheLibere, DieciRigheAlSecondoConIValoriDegliIngressi) {
    const CasoLibero& c = GetParam();
    auto board = prove::avviaEmulata(c.sketch, 13, c.millivolt);
    ASSERT_TRUE(board) << c.sketch << ": the emulator did not start";
    board->comanda("analogico 0 " + std::to_string(c.a0));
    board->comanda("analogico 1 " + std::to_string(c.a1));
    ASSERT_TRUE(board->sincronizza(300));  // the lines of before have other values
    const int fd = ::open(board->collegamento().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ::tcflush(fd, TCIFLUSH);
    ASSERT_TRUE(board->sincronizza(1000));
    std::string letto;
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        letto.append(buf, static_cast<size_t>(n));
    ::close(fd);
    // The first line may have begun before the flush, the last may be cut
    // where the board's second ends.
    ASSERT_NE(letto.find('\n'), std::string::npos) << letto;
    letto.erase(0, letto.find('\n') + 1);
    letto.erase(letto.rfind('\n') + 1);
    const std::regex riga(R"(luce:(\d{1,3}),temp:(\d{1,3}\.\d)\r\n)");
    int righe = 0;
    for (std::sregex_iterator i(letto.begin(), letto.end(), riga), fine; i != fine; ++i) {
        EXPECT_NEAR(numero((*i)[1]), c.luce, c.tolleranza) << (*i)[0];
        EXPECT_NEAR(numero((*i)[2]), c.temp, c.tolleranza) << (*i)[0];
        ++righe;
    }
    // A second of the board's time: 100 ms of delay and the line's own
    // 1.6 ms each, the first perhaps cut by the flush.
    EXPECT_GE(righe, 8) << letto;
    EXPECT_LE(righe, 10) << letto;
    EXPECT_EQ(std::regex_replace(letto, riga, ""), "") << "bytes that are no line: " << letto;
}

// The converter reads mV x 1023 / supply, truncated. Libero: luce is
// map(reading, 0, 1023, 0, 100), truncated; temp reading x 500 / 1023 with one
// decimal. LiberoLumetto: the share of the supply, and the LM35 on 1.1 V.
INSTANTIATE_TEST_SUITE_P(Uno, RigheLibere,
                         ::testing::Values(
                             // 439 and 43 steps: 42 and 21.017.
                             CasoLibero{"Libero", 5000, 2150, 215, 42, 21.0, 0},
                             // 1023 and 204 steps: 100 and 99.707.
                             CasoLibero{"Libero", 5000, 5000, 1000, 100, 99.7, 0},
                             // At 4.6 V the divider gives 43 % of it, 1978 mV: still 439
                             // steps of light, but the LM35's 215 mV are 47 steps, 22.97.
                             CasoLibero{"Libero", 4600, 1978, 215, 42, 23.0, 0},
                             CasoLibero{"LiberoLumetto", 5000, 2150, 215, 43, 21.5, 0.15},
                             CasoLibero{"LiberoLumetto", 4600, 1978, 215, 43, 21.5, 0.15}),
                         [](const auto& i) {
                             return std::string(i.param.sketch) + "_" +
                                    std::to_string(i.param.millivolt) + "_" +
                                    std::to_string(i.index);
                         });

namespace {

// A sketch that drives a heater, a pump or a motor, its sensor lost mid-run.
// "attendi MS": MS of the board's time first.
struct CasoGuasto {
    const char* bottone;
    std::vector<std::string> prima;   // the plant running, its output on
    const char* uscita;               // the output's pin: "D8"
    std::vector<std::string> guasto;  // the sensor lost
    const char* detto;                // what the program then says, in part
};

void PrintTo(const CasoGuasto& c, std::ostream* o) {
    *o << c.bottone << " " << c.guasto.front();
}

void stimola(prove::SchedaEmulata& board, const std::vector<std::string>& stimoli) {
    for (const auto& s : stimoli) {
        if (s.rfind("attendi ", 0) == 0)
            board.sincronizza(std::stod(s.substr(8)));
        else
            board.comanda(s);
    }
}

// The level the board last drove on a pin ("pin D8 1"), -1 when none.
int livello(prove::SchedaEmulata& board, const std::string& pin) {
    int l = -1;
    for (const auto& r : board.rapporti())
        if (r.rfind("pin " + pin + " ", 0) == 0) l = r.back() - '0';
    return l;
}

class Guasti : public ConAcquisizione<CasoGuasto> {};

}  // namespace

TEST_P(Guasti, SensorLostSwitchesTheOutputOffAndIsToldOnce) {
    const CasoGuasto& c = GetParam();
    const auto* comando = acquisition::comando(c.bottone);
    ASSERT_NE(comando, nullptr);
    prove::SchedaEmulata board(std::string(comando->esempio));
    ASSERT_TRUE(board.pronto());
    stimola(board, c.prima);
    ASSERT_TRUE(board.sincronizza(100));
    ASSERT_TRUE(acquisition::avviacomando(*comando));
    acquisition::eseguilettura();
    ASSERT_TRUE(box.mostrati.empty()) << box.mostrati.front();
    EXPECT_TRUE(box.avvisi.empty());
    ASSERT_EQ(livello(board, c.uscita), 1) << "the output was not on before the fault";

    stimola(board, c.guasto);
    ASSERT_TRUE(board.sincronizza(50));
    const size_t dopo = board.quanti();
    acquisition::eseguilettura();  // the next reply
    ASSERT_TRUE(board.sincronizza(20));
    EXPECT_EQ(livello(board, c.uscita), 0) << "the output is still on";
    ASSERT_EQ(box.avvisi.size(), 1u);
    EXPECT_NE(box.avvisi[0].find(c.detto), std::string::npos) << box.avvisi[0];
    // Off for good while the sensor is out, and told only once.
    acquisition::eseguilettura();
    ASSERT_TRUE(board.sincronizza(20));
    EXPECT_EQ(box.avvisi.size(), 1u);
    const auto r = board.rapporti();
    for (size_t i = dopo; i < r.size(); ++i)
        EXPECT_NE(r[i], std::string("pin ") + c.uscita + " 1");
}

INSTANTIATE_TEST_SUITE_P(
    Uno, Guasti,
    ::testing::Values(
        // 18 degrees under a set point of 20, the heater on; the LM35 loses its
        // supply (reads 0), or its ground (its output rises to the supply).
        CasoGuasto{"BitBtn17",
                   {"analogico 0 180", "analogico 1 2750", "analogico 2 2500"},
                   "D8",
                   {"analogico 0 0"},
                   "La sonda LM35 del termostato (A0)"},
        CasoGuasto{"BitBtn17",
                   {"analogico 0 180", "analogico 1 2750", "analogico 2 2500"},
                   "D8",
                   {"analogico 0 5000"},
                   "spento il relè della caldaia (D8)"},
        // 30 degrees against 50: the heater at full power.
        CasoGuasto{"Button2",
                   {"analogico 0 300", "analogico 1 2500"},
                   "D5",
                   {"analogico 0 0"},
                   "spento il riscaldatore (D5)"},
        // Both floats down, the pump running; the maximum's switch sticks closed.
        CasoGuasto{"BitBtn21",
                   {"pin D2 1", "pin D3 1"},
                   "D8",
                   {"pin D3 0"},
                   "fermato la pompa (relè su D8)"},
        // 50 degrees against 60 in winter, the first boiler burning.
        CasoGuasto{"BitBtn8",
                   {"analogico 1 2500", "pin D2 0", "attendi 50", "analogico 0 500"},
                   "D8",
                   {"analogico 0 0"},
                   "spento tutte le caldaie"},
        // A cold room with 2500 ppm of CO2: heating on, window open; the room's
        // probe lost, then the CO2 sensor's output.
        CasoGuasto{"BitBtn15",
                   {"analogico 0 80", "analogico 1 170", "analogico 2 3000", "analogico 3 2750",
                    "analogico 4 1200"},
                   "D8",
                   {"analogico 1 0"},
                   "La sonda LM35 della stanza (A1)"},
        CasoGuasto{"BitBtn15",
                   {"analogico 0 80", "analogico 1 170", "analogico 2 3000", "analogico 3 2750",
                    "analogico 4 1200"},
                   "D11",
                   {"analogico 4 0"},
                   "chiuso la finestra"},
        // The collector 15 degrees over the tank's bottom: the pump runs; the
        // collector's probe loses its ground.
        CasoGuasto{"BitBtn16",
                   {"analogico 0 450", "analogico 1 300", "analogico 2 400", "analogico 3 3750"},
                   "D8",
                   {"analogico 0 5000"},
                   "La sonda LM35 del collettore (A0)"},
        // Zone 1 dry, zone 2 wet: valve 1 open, the pump runs; zone 1's probe
        // pulled out of the ground.
        CasoGuasto{"BitBtn22",
                   {"analogico 0 4000", "analogico 1 1500", "pin D2 1", "analogico 2 4000",
                    "analogico 3 240"},
                   "D8",
                   {"analogico 0 5000"},
                   "zona 1 (A0)"},
        // 1200 rpm against 3000: the drive at full; the slotted sensor unplugged.
        CasoGuasto{"BitBtn20",
                   {"impulsi D2 400", "analogico 0 5000", "attendi 500"},
                   "D5",
                   {"impulsi D2 0", "attendi 3500"},
                   "La scheda ha spento il motore (D5)"}),
    [](const auto& i) { return std::string(i.param.bottone) + "_" + std::to_string(i.index); });
