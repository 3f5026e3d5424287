// A board unplugged in the middle of a run: between two readings, and while
// the program waits for a reply. The run stops with the designed boxes, the
// device is let go, and the next experiment works in the same process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "robustness/banco.h"

using namespace lumetto;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

namespace {

class Scollegata : public prove::Banco {};

TEST_F(Scollegata, BetweenTwoReadingsThenPluggedBackANewExperimentWorks) {
    scheda::Opzioni o;
    o.staccaDopo = 3;
    o.ricollegaMs = 2500;  // long enough for the tick below to find it gone
    collega("tutti", scheda::Guasto::Nessuno, o);
    premi("Button2");  // Regolazione PI, 8 fields
    for (int r = 1; r <= 3; ++r) {
        acquisition::eseguilettura();
        EXPECT_EQ(riga(r, 8), prossima('E')) << "reading " << r;
    }
    EXPECT_TRUE(box.mostrati.empty());
    ASSERT_TRUE(board->visto("scollegata"));
    ASSERT_FALSE(board->scheda.collegata());

    acquisition::eseguilettura();
    EXPECT_THAT(box.mostrati, ElementsAre("Arduino non collegato!!"));
    EXPECT_EQ(link::numerolettura, 3);
    EXPECT_EQ(vista.righe, 3);
    fermaERilascia();

    // Plugged back in: another experiment, no restart of the program.
    ASSERT_TRUE(board->visto("ricollegata", 15s));
    premi("BitBtn17");  // termostato, 26 characters
    EXPECT_TRUE(vista.attivo);
    acquisition::eseguilettura();
    acquisition::eseguilettura();
    EXPECT_EQ(riga(1, 4), prossima('B'));
    EXPECT_EQ(riga(2, 4), prossima('B'));
    EXPECT_EQ(vista.titolo, "lettura n:     2");
    EXPECT_EQ(box.mostrati.size(), 1u);
    EXPECT_TRUE(vista.attivo);
}

TEST_F(Scollegata, WhileWaitingForTheReplyEndsAtOnceAndNothingSpins) {
    scheda::Opzioni o;
    o.staccaDopo = 1;  // the first letter is taken, never answered, then the board goes
    collega("pi", scheda::Guasto::Muto, o);
    premi("Button2");

    prove::Consumo attesa;
    acquisition::eseguilettura();
    // Waiting for 48 silent characters would take 24 x 500 ms; a device
    // that is gone answers every read at once.
    EXPECT_LT(attesa.muro(), 6.0);
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!"));
    EXPECT_EQ(vista.righe, 1);  // the row is shown with what it holds
    EXPECT_TRUE(board->visto("scollegata"));

    // The reply that did not come leaves the port held until the next tick;
    // meanwhile the held component must not spin on the dead device.
    prove::Consumo fermo;
    std::this_thread::sleep_for(1200ms);
    EXPECT_LT(fermo.cpuSecondi(), 0.5 * fermo.muro());

    acquisition::eseguilettura();
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!", "Arduino non collegato!!"));
    fermaERilascia();

    // Another board in the same socket: the next experiment reads it.
    collega("pi");
    premi("Button2");
    acquisition::eseguilettura();
    EXPECT_EQ(riga(1, 8), prossima('E'));
    EXPECT_EQ(box.mostrati.size(), 2u);
    EXPECT_TRUE(vista.attivo);
}

}  // namespace
