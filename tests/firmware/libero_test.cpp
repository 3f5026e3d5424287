// The Serial Plotter example on the emulated Uno, read through the program's
// free stream as a teacher would run it: the rate found by listening, the
// columns named by the sketch, the values of the voltages on its inputs.
#include <gtest/gtest.h>
#include <QTest>

#include "acquisition/libero.h"
#include "firmware/emulata.h"
#include "support/dialoghi.h"

using namespace lumetto;
using namespace lumetto::acquisition;

TEST(LiberoSullaUno, TheProgramReadsTheSerialPlotterSketchWithNothingSet) {
    auto board = prove::avviaEmulata("Libero");
    ASSERT_TRUE(board) << "the emulator did not start";
    board->comanda("analogico 0 2150");
    board->comanda("analogico 1 215");
    ASSERT_TRUE(board->sincronizza(300));  // the lines of before have other values
    prove::DialoghiScritti box;
    azzeraacquisizione();
    ASSERT_TRUE(avvialibero(0));
    const bool lette = QTest::qWaitFor([] { return letturelibere().size() >= 5; }, 60000);
    fermaacquisizione();
    ASSERT_TRUE(lette) << letturelibere().size() << " readings";
    EXPECT_EQ(baudlibero(), 115200u);  // found by listening
    ASSERT_EQ(stato.colonne.size(), 2u);
    EXPECT_EQ(stato.colonne[0].nome, "luce");
    EXPECT_EQ(stato.colonne[1].nome, "temp");
    // The last readings: 439 steps of light are 42 %, 43 of the LM35 21.0 degrees.
    const LetturaLibera& l = letturelibere().back();
    EXPECT_EQ(l.valori[0], 42);
    EXPECT_EQ(l.valori[1], 21.0);
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_TRUE(box.avvisi.empty()) << box.avvisi.front();
    azzeraacquisizione();
}
