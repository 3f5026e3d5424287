// The value labels over a plant picture, in the main window and in the
// editor, and the status lines of the selected variable.
#include <gtest/gtest.h>

#include "schemes/etichette.h"
#include "schemes/schema.h"

using namespace lumetto::schemes;

namespace {

const Rgb kNero{0, 0, 0}, kRosso{255, 0, 0}, kBlu{0, 0, 255}, kVerde{0, 128, 0};

Schema tre() {
    Schema s;
    s.testata = "Tcoll.Tbass.Irr...";
    s.mascheracolori = "21";  // variable 3 past the end: black
    s.mascheradimensioni = "2";
    dividitestata(s);
    return s;
}

}  // namespace

TEST(PosizionaEtichetta, MainWindowShowsVariablesOfTheSchemeOnly) {
    Schema s = tre();
    EXPECT_EQ(posizionaetichetta(s, 1, 120, 45, "=23.5", QualeFinestra::Principale),
              (Etichetta{true, "Tco=23.5", kBlu, 18, 120, 45}));
    // An empty text stands for a value not read yet.
    EXPECT_EQ(posizionaetichetta(s, 2, 0, 0, "", QualeFinestra::Principale),
              (Etichetta{true, "Tba=xxxx.x", kRosso, 14, 0, 0}));
    EXPECT_EQ(posizionaetichetta(s, 3, 7, 8, "=ON", QualeFinestra::Principale),
              (Etichetta{true, "Irr=ON", kNero, 14, 7, 8}));
    // Variable 4 is not in the header: placed, but hidden.
    EXPECT_FALSE(posizionaetichetta(s, 4, 1, 1, "=1.0", QualeFinestra::Principale).visibile);
}

TEST(PosizionaEtichetta, EditorShowsEveryLabelWithTheNameAlone) {
    Schema s = tre();
    EXPECT_EQ(posizionaetichetta(s, 1, 321, 235, "", QualeFinestra::Editor),
              (Etichetta{true, "Tco", kBlu, 18, 321, 235}));
    // Slots past the header: visible, with whatever name the slot holds.
    EXPECT_EQ(posizionaetichetta(s, 7, 0, 0, "", QualeFinestra::Editor),
              (Etichetta{true, "", kNero, 14, 0, 0}));
    s.numvariabili = 0;  // a new picture was loaded
    EXPECT_TRUE(posizionaetichetta(s, 2, 0, 0, "", QualeFinestra::Editor).visibile);
}

TEST(PosizionaEtichetta, TextCutToTenAndCaptionToTwenty) {
    Schema s = tre();
    EXPECT_EQ(posizionaetichetta(s, 1, 0, 0, "=123456789012", QualeFinestra::Principale).didascalia,
              "Tco=123456789");
    s.impostanome(1, "abcdefghij");  // a name slot holds up to 10 characters
    EXPECT_EQ(posizionaetichetta(s, 1, 0, 0, "=123456789012", QualeFinestra::Editor).didascalia,
              "abcdefghij=123456789");
}

TEST(TestoValore, ValueWithoutBlanksAfterEquals) {
    EXPECT_EQ(testovalore(23.46, '1'), "=23.5");
    EXPECT_EQ(testovalore(1, '2'), "=ON");
    EXPECT_EQ(testovalore(2, '2'), "=Halt");
    EXPECT_EQ(testovalore(0, '4'), "=chiude");
    EXPECT_EQ(testovalore(0.5, '3'), "=0.500");
    EXPECT_EQ(testovalore(-1234.5, '1'), "=-1234.5");
}

TEST(RigheStato, ClickAndSelectionLines) {
    Schema s = tre();
    s.punto = 3;
    EXPECT_EQ(rigapunto(s, 120, 45), "punto=  3 Irr x=   120 Y=    45");
    EXPECT_EQ(rigapunto(s, 123456, 0), "punto=  3 Irr x=123456 Y=     0");
    s.posx(3) = 65535;
    s.posy(3) = 7;
    EXPECT_EQ(rigaselezione(s), " 3 Irr x= 65535 Y=     7");
    s.punto = 12;
    s.testata += std::string(54, '.');
    dividitestata(s);
    EXPECT_EQ(rigaselezione(s), "12    x=     0 Y=     0");  // an all-dot field: two blanks
}

// A click stores the picture pixel under it and the label is drawn on that
// pixel's corner: back and forth, a point moves by less than one picture
// pixel, whether the picture is shrunk or stretched, and stays on it.
TEST(Scala, ClicksAndLabelsMeetOnTheSamePicturePixel) {
    struct Caso {
        int larga, alta, mostrataL, mostrataA;
    };
    const Caso casi[] = {
        {953, 645, 953, 645},    // the default plants on 1366 x 768: pixel for pixel
        {953, 645, 941, 645},    // the editor there
        {953, 645, 867, 604},    // the main window on 1280 x 720
        {953, 645, 3427, 1814},  // 3840 x 2160
        {320, 200, 953, 645},    // a small picture stretched
        {4000, 3000, 953, 645},  // a photo shrunk
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(::testing::Message()
                     << c.larga << "x" << c.alta << " on " << c.mostrataL << "x" << c.mostrataA);
        const Scala s(c.larga, c.alta, c.mostrataL, c.mostrataA);
        const double px = static_cast<double>(c.larga) / c.mostrataL;
        for (int x = 0; x < c.mostrataL; x += 7) {
            const int figura = s.figurax(x);
            ASSERT_GE(figura, 0);
            ASSERT_LT(figura, c.larga);  // a click on the control is on the picture
            // The label's corner, mapped back, is within a picture pixel of the click.
            EXPECT_NEAR(s.controllox(figura) * px, x * px, std::max(px, 1.0));
            EXPECT_EQ(s.figurax(s.controllox(figura)), figura) << x;
        }
    }
    // Without a picture (or with an empty one) pixels stay as they are.
    for (const Scala& s : {Scala(), Scala(0, 645, 953, 645), Scala(953, 645, 0, 0)}) {
        EXPECT_EQ(s.figurax(123), 123);
        EXPECT_EQ(s.controlloy(45), 45);
        EXPECT_EQ(s.punti(16), 16.0);
    }
    // Text follows the smaller stretch, so that it keeps to its box, and
    // never shrinks under 8 points.
    EXPECT_DOUBLE_EQ(Scala(953, 645, 1906, 967).punti(18), 18 * 967.0 / 645);
    EXPECT_DOUBLE_EQ(Scala(953, 645, 700, 645).punti(14), 14 * 700.0 / 953);
    EXPECT_DOUBLE_EQ(Scala(953, 645, 476, 645).punti(14), 8);
    EXPECT_DOUBLE_EQ(Scala::riferimento(953, 645).punti(16), 16);
}
