// The free stream without a window: lines as they arrive become readings of
// the run's own store, rows of the log, readings of the archive; the rate
// found by listening; what the board does wrong said once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "acquisition/banco.h"
#include "acquisition/libero.h"
#include "acquisition/registrocorse.h"
#include "link/letture.h"

using namespace lumetto;
using namespace lumetto::acquisition;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

using Orologio = std::chrono::steady_clock;

class Libero : public prove::Acquisizione {
  protected:
    Libero()
        : file(std::filesystem::path(std::getenv("HOME")) /
               (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                ".sqlite")),
          registro(file) {
        aggiungiascoltatore(&registro);
        com13.onWrite = [this](const std::string&) { ++scritti; };
    }
    ~Libero() override { togliascoltatore(&registro); }
    void arriva(std::string_view righe, Orologio::time_point quando = Orologio::now()) {
        ricevilibero(righe, quando);
    }
    std::vector<std::string> nomi() const {
        std::vector<std::string> n;
        for (const Colonna& c : stato.colonne)
            n.push_back(titolocolonna(c));
        return n;
    }
    double valore(int r, int colonna) const {
        return letturelibere()[size_t(r - 1)].valori[size_t(colonna - 1)];
    }
    std::filesystem::path file;
    RegistroCorse registro;
    int scritti = 0;
};

}  // namespace

TEST_F(Libero, SerialPlotterLinesBecomeReadingsInTheLogAndTheArchive) {
    ASSERT_TRUE(avvialibero(115200));
    EXPECT_TRUE(vista.attivo);
    EXPECT_EQ(vista.intervalloMs, kBattitoMs);
    const auto t0 = Orologio::now();
    arriva("temp:21.5,luce:43\r\n", t0);
    arriva("temp:21.6,lu", t0 + std::chrono::milliseconds(10));  // a line cut by the port
    arriva("ce:44\r\ntemp:nan,luce:45,umid:60\n", t0 + std::chrono::milliseconds(20));
    ASSERT_EQ(letturelibere().size(), 3u);
    EXPECT_THAT(nomi(), ElementsAre("temp", "luce", "umid"));
    EXPECT_EQ(valore(1, 1), 21.5);
    EXPECT_EQ(valore(2, 2), 44);
    EXPECT_TRUE(std::isnan(valore(3, 1)));  // nan is missing, never 0
    EXPECT_TRUE(std::isnan(valore(1, 3)));  // a column not there yet
    EXPECT_EQ(valore(3, 3), 60);
    EXPECT_EQ(letturelibere()[2].ms - letturelibere()[0].ms, 20);
    // The log: whole names as wide as they need, a header line when a column comes.
    EXPECT_EQ(vista.testate.back(), "lettura     temp    luce    umid");
    EXPECT_EQ(prove::testo(vista.righe.back()), "     3                45      60");
    EXPECT_EQ(vista.titolo, "lettura n:     3");
    // Nothing is ever sent to a board that speaks first.
    EXPECT_EQ(scritti, 0);

    fermaacquisizione();
    ASSERT_NE(registro.archivio(), nullptr);
    const auto corse = registro.archivio()->elenco();
    ASSERT_EQ(corse.size(), 1u);
    EXPECT_EQ(corse[0].esperimento, "esperimento libero");
    const auto letture = registro.archivio()->letture(corse[0].id);
    ASSERT_EQ(letture.size(), 3u);
    EXPECT_EQ(letture[1].valori[1], 44);
    EXPECT_TRUE(std::isnan(letture[2].valori[0]));
    EXPECT_EQ(letture[2].ms - letture[0].ms, 20);
}

TEST_F(Libero, ATeachersColumnsTakeBareValuesByPositionWithTheirCalibration) {
    MioEsperimento e;
    e.nome = "Luce e temperatura";
    e.modo = ModoEsperimento::Libero;
    e.colonne = {{"luce", "%", 0, 0.1, 0}, {"temp", "°C", 1, 1, 0}};
    ASSERT_TRUE(avvialibero(9600, &e, "/tmp/luce.toml"));
    EXPECT_EQ(vista.testate.front(),
              "lettura   luce [%]  temp [\xB0"
              "C]");
    arriva("512 21.5\n");
    arriva("temp:22.25,luce:1000\n");  // labelled by name, in another order
    ASSERT_EQ(letturelibere().size(), 2u);
    EXPECT_DOUBLE_EQ(valore(1, 1), 51.2);
    EXPECT_EQ(valore(1, 2), 21.5);
    EXPECT_DOUBLE_EQ(valore(2, 1), 100);
    EXPECT_EQ(valore(2, 2), 22.25);
    EXPECT_THAT(nomi(), ElementsAre("luce [%]", "temp [°C]"));
    EXPECT_EQ(prove::testo(vista.righe.back()), "     2         100       22.3");
    EXPECT_EQ(stato.nomeesperimento, "Luce e temperatura");
    EXPECT_EQ(stato.fileesperimento, "/tmp/luce.toml");
}

TEST_F(Libero, TheRateIsFoundByListeningAndSilenceAndDroppedLinesAreSaidOnce) {
    ASSERT_TRUE(avvialibero(0));
    EXPECT_EQ(baudlibero(), 0u);
    EXPECT_EQ(com13.dcb.BaudRate, 115200u);  // the likeliest rate first, really set
    // At 115200 the board's bytes are noise: the next rate is tried.
    arriva(std::string(300, '\xF0') + std::string(200, '\x80'));
    EXPECT_EQ(com13.dcb.BaudRate, 9600u);
    arriva("luce:43,temp:21.5\r\nluce:44,temp:21.6\r\nluce:45,temp:21.7\r\n");
    EXPECT_EQ(baudlibero(), 9600u);
    EXPECT_FALSE(letturelibere().empty());
    EXPECT_THAT(vista.testate, ::testing::Contains("esperimento libero a 9600 baud"));
    // A line of noise and one of words are dropped, and said once.
    arriva(std::string("\x01\x02zz\n") + "Temperatura = 21.5 C\n",
           Orologio::now() - std::chrono::seconds(6));
    battitolibero();
    battitolibero();
    ASSERT_EQ(box.avvisi.size(), 2u);
    EXPECT_THAT(box.avvisi[0], HasSubstr("non manda nulla da 6 secondi"));
    EXPECT_THAT(box.avvisi[1], HasSubstr("2 righe scartate"));
    EXPECT_TRUE(vista.attivo);  // the run waits for the board
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(Libero, APortThatDoesNotOpenIsSaidAndNothingRuns) {
    porta = 9;  // no such device
    EXPECT_FALSE(avvialibero(115200));
    EXPECT_THAT(box.mostrati, ElementsAre("Arduino non collegato!!"));
    EXPECT_FALSE(vista.attivo);
    EXPECT_FALSE(liberoattivo());
}
