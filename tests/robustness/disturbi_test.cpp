// Boards that misbehave without going away: late replies, a garbled field in
// every frame, characters sent all the time. Nothing hangs past the designed
// time-outs, nothing spins, the readings are what the design makes of them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cmath>
#include <thread>

#include "robustness/banco.h"

using namespace lumetto;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

namespace {

class Disturbi : public prove::Banco {};

TEST_F(Disturbi, ALateReplyWithinTheCharacterTimeOutIsReadRight) {
    scheda::Opzioni o;
    o.ritardoMs = 150;  // the first character may wait 500 ms
    collega("termostato", scheda::Guasto::Lento, o);
    premi("BitBtn17");
    for (int r = 1; r <= 3; ++r) {
        acquisition::eseguilettura();
        EXPECT_EQ(riga(r, 4), prossima('B')) << "reading " << r;
    }
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_TRUE(vista.attivo);
}

TEST_F(Disturbi, AReplyLaterThanTheTimeOutIsNoReplyAndTheWaitSleeps) {
    scheda::Opzioni o;
    o.ritardoMs = 5000;
    collega("sonar", scheda::Guasto::Lento, o);
    premi("BitBtn4");

    prove::Consumo attesa;
    acquisition::eseguilettura();
    // 6 characters: the third missing one (6 div 2) ends the read, 3 x 500 ms.
    double secondi = attesa.muro();
    EXPECT_GE(secondi, 1.4);
    EXPECT_LT(secondi, 4.5);  // well before the late reply
    EXPECT_LT(attesa.cpuSecondi(), 0.5 * secondi);
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!"));

    acquisition::eseguilettura();
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!", "Arduino non collegato!!"));
    EXPECT_EQ(link::numerolettura, 1);
    fermaERilascia();
}

// Over the line, as a run starts, the board says who it is: the right
// sketch passes in silence, another of the library's gets one box and its
// readings are stored all the same, an older board says nothing and the run
// starts as it always did.
TEST_F(Disturbi, ABoardOfAnotherSketchIsSaidOnceAndTheRunGoesOn) {
    struct Caso {
        const char* sketch;
        bool vecchia;
        const char* controllo;
        char lettera;
        size_t colonne;
        const char* detto;  // the sketch the board says it runs
        size_t avvisi;
    } casi[] = {
        {"termostato", false, "BitBtn17", 'B', 4, "Termostato", 0},
        {"accelerometro", false, "BitBtn10", 'G', 3, "Accelerometro", 1},  // "Encoder"
        {"termostato", true, "BitBtn17", 'B', 4, "", 0},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(std::string(c.sketch) + (c.vecchia ? ", older board" : ""));
        scheda::Opzioni o;
        o.vecchia = c.vecchia;
        collega(c.sketch, scheda::Guasto::Nessuno, o);
        box.mostrati.clear();
        premi(c.controllo);
        EXPECT_EQ(acquisition::stato.scheda.sketch, c.detto);
        ASSERT_EQ(box.mostrati.size(), c.avvisi);
        if (c.avvisi) {
            EXPECT_NE(box.mostrati[0].find("«Encoder»"), std::string::npos);
        }
        EXPECT_TRUE(vista.attivo);
        for (int r = 1; r <= 3; ++r) {
            acquisition::eseguilettura();
            EXPECT_EQ(riga(r, c.colonne), prossima(c.lettera)) << "reading " << r;
        }
        EXPECT_EQ(box.mostrati.size(), c.avvisi);
        acquisition::fermaacquisizione();
    }
}

// The garbling characters are none of those a field is made of, so the field
// splitter skips the whole field: the fields after it move up one column and
// the last column reads as an empty field, 0. The readings before it are right.
// When the first field is garbled, a status word right after it is lost too:
// no field has begun yet and it has no blank to begin one.
TEST_F(Disturbi, AGarbledFieldDropsOutAndTheLaterOnesMoveUp) {
    struct Caso {
        const char* sketch;
        const char* controllo;
        char lettera;
        size_t colonne;
    };
    for (Caso c : {Caso{"pi", "Button2", 'E', 8}, Caso{"termostato", "BitBtn17", 'B', 4},
                   Caso{"pneumatica", "BitBtn23", 'H', 11}}) {
        SCOPED_TRACE(c.sketch);
        collega(c.sketch, scheda::Guasto::Storpia);
        premi(c.controllo);
        std::vector<int> storpiati(c.colonne, 0);
        for (int r = 1; r <= 40; ++r) {
            acquisition::eseguilettura();
            std::string trama = copia->ricevi(c.lettera, 0);
            auto pulita = prove::valoriTrama(trama);
            auto inviata = prove::valoriTrama(board->scheda.ultimaRisposta());
            ASSERT_EQ(inviata.size(), c.colonne);
            size_t g = 0;
            while (g < c.colonne && inviata[g] == pulita[g])
                ++g;
            ASSERT_LT(g, c.colonne) << "no field garbled in reading " << r;
            ++storpiati[g];
            std::vector<double> attesa(pulita.begin(), pulita.end());
            size_t persi = g == 0 && trama[6] != ' ' ? 2 : 1;
            attesa.erase(attesa.begin() + static_cast<long>(g),
                         attesa.begin() + static_cast<long>(g + persi));
            attesa.resize(c.colonne, kVuota);  // the last fields never came: missing
            EXPECT_EQ(riga(r, c.colonne), attesa) << "reading " << r << ", field " << g + 1;
        }
        EXPECT_TRUE(box.mostrati.empty());
        EXPECT_EQ(box.avvisi.size(), 1u);  // the fields that did not come, said once a run
        box.avvisi.clear();
        EXPECT_TRUE(vista.attivo);
        // Every field took its turn, the first and the last included.
        EXPECT_GT(storpiati.front(), 0);
        EXPECT_GT(storpiati.back(), 0);
        acquisition::fermaacquisizione();
    }
}

// A board that sends all the time: the port is emptied when it opens, so a
// reading is the reply, or noise that came first (nothing marks a frame), or
// too blank to count. Whatever comes, every tick ends at once, the boxes come
// in their designed pairs, the device is let go, and nothing piles up.
TEST_F(Disturbi, AFloodingBoardNeitherHangsNorSpinsNorPilesUp) {
    collega("sonar", scheda::Guasto::Inonda);
    premi("BitBtn4");
    prove::Consumo corsa;
    int giuste = 0, rumore = 0, rifiutate = 0;
    for (int tick = 0; tick < 200; ++tick) {
        size_t prima = box.mostrati.size();
        int n = link::numerolettura;
        double atteso = prossima('A').at(0);
        acquisition::eseguilettura();
        if (box.mostrati.size() == prima) {
            ASSERT_EQ(link::numerolettura, n + 1);
            double letto = link::tabellaletture[static_cast<size_t>(n + 1)][1];
            ASSERT_TRUE(std::isfinite(letto));
            ++(letto == atteso ? giuste : rumore);
            ASSERT_EQ(tenuti(), 0) << "tick " << tick;
            continue;
        }
        // No reply: the next tick finds the port held and stops the run.
        ASSERT_THAT(std::vector<std::string>(box.mostrati.begin() + static_cast<long>(prima),
                                             box.mostrati.end()),
                    ElementsAre("nessun dato in ricezione!"));
        ++rifiutate;
        acquisition::eseguilettura();
        ASSERT_EQ(box.mostrati.back(), "Arduino non collegato!!");
        fermaERilascia();
        premi("BitBtn4");
    }
    RecordProperty("giuste", giuste);
    RecordProperty("rumore", rumore);
    RecordProperty("rifiutate", rifiutate);
    EXPECT_GT(giuste, 0);
    // Each tick reads 6 characters that are already there: 200 of them are
    // quick (a silent board would take 200 x 1.5 s).
    EXPECT_LT(corsa.muro(), 60.0);

    // The port held open and never read while the flood goes on: the input
    // queue stays bounded, the process holds no more memory, nothing spins.
    ASSERT_TRUE(link::inviacomando('A'));
    struct mallinfo2 prima = mallinfo2();
    prove::Consumo fermo;
    std::this_thread::sleep_for(1500ms);
    EXPECT_LT(fermo.cpuSecondi(), 0.5 * fermo.muro());
    EXPECT_LE(link::portacom()->QueueCount(0), 65536u);
    struct mallinfo2 dopo = mallinfo2();
    // About 20 KB arrive meanwhile; keeping them would show here.
    EXPECT_LT(static_cast<long>(dopo.uordblks + dopo.hblkhd) -
                  static_cast<long>(prima.uordblks + prima.hblkhd),
              8192);
    link::chiudiporta();
    EXPECT_EQ(tenuti(), 0);
}

}  // namespace
