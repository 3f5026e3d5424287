// The editor's rules without its window: the examine report, the condition
// box, the name a scheme is saved under, the checks before saving, the path of
// the picture.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "schemes/editor.h"
#include "schemes/schema.h"

using namespace lumetto::schemes;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

Schema quattroVariabili() {
    Schema s;
    s.testata = "temp..set...scost.banda.";
    s.mascheratipo = "1234";
    s.mascheracolori = "0123";
    s.mascheradimensioni = "012";  // shorter: variable 4 gets 14 points
    const char* condizioni[] = {"1>25", "3<4.5", "2=on", "3>75", " 4>1", "12>5", "4"};
    int k = 1;
    for (const char* c : condizioni)
        s.condizione(k++) = c;
    return s;
}

}  // namespace

TEST(EsameDati, ReportOfFourVariablesAndTheirConditions) {
    Schema s = quattroVariabili();
    EXPECT_THAT(esamedati(s),
                ElementsAre("       Esame dati introdotti", "variabili",
                            "variabile= 1 tem  numero reale con 1 decimale colore= nero "
                            "dimensione font 14",
                            "variabile= 2 set  valore logico  colore= rosso dimensione font 16",
                            "variabile= 3 sco  valore reale con 3 decimali colore= blu "
                            "dimensione font 18",
                            "variabile= 4 ban  valore flottante colore= verde dimensione font 14",
                            "condizioni logiche",
                            // the last condition in slot order that names a variable
                            "variabile= 1 tem  variabile  1 =tem> 25",
                            "variabile= 2 set  variabile  2 =set= ON",
                            "variabile= 3 sco  variabile  3 =sco> 75",
                            // a blank first ignores " 4>1"; "4" names it with no test
                            "variabile= 4 ban  variabile  4 =ban"));
    // The header was split into the scheme; nothing else of it changed.
    EXPECT_EQ(s.numvariabili, 4);
    EXPECT_EQ(s.nomevariabile(3), "sco");
    EXPECT_TRUE(s.descrizionecondizione.empty());
    Schema atteso = quattroVariabili();
    dividitestata(atteso);
    EXPECT_EQ(s, atteso);
}

TEST(EsameDati, MasksOfOtherLengthsAndUnknownCharacters) {
    Schema s;
    // 12 variables named A0 .. Ab; a type mask of 16 characters, a colour mask
    // of 2, no size mask, characters outside the table.
    for (const char* n : {"A0", "A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8", "A9", "Aa", "Ab"})
        s.testata += std::string(n) + "....";
    s.mascheratipo = "x234123412344444";
    s.mascheracolori = "9";
    auto r = esamedati(s);
    ASSERT_EQ(r.size(), 2u + 12u + 1u);  // nothing past variable 12
    EXPECT_EQ(r[2],
              "variabile= 1 A0   numero reale con 1 decimale colore= nero dimensione font 14");
    EXPECT_EQ(r[3], "variabile= 2 A1   valore logico  colore= nero dimensione font 14");
    EXPECT_EQ(r[13], "variabile=12 Ab   valore flottante colore= nero dimensione font 14");
    EXPECT_EQ(r.back(), "condizioni logiche");
}

TEST(EsameDati, PositionsWithoutAHeaderFieldHaveNoName) {
    Schema s;
    // Names left by an earlier scheme of four variables.
    s.testata = "temp..set...scost.banda.";
    dividitestata(s);
    s.testata = "pompa.";
    s.mascheratipo = "11";
    s.condizione(1) = "2>5";
    s.condizione(2) = "10<3";
    s.condizione(3) = "11>1";  // variables above 10 are not examined
    EXPECT_THAT(esamedati(s),
                ElementsAre("       Esame dati introdotti", "variabili",
                            "variabile= 1 pom  numero reale con 1 decimale colore= nero "
                            "dimensione font 14",
                            "variabile= 2 ---  numero reale con 1 decimale colore= nero "
                            "dimensione font 14",
                            "condizioni logiche", "variabile= 2 ---  variabile  2 =---> 5",
                            "variabile=10 ---  variabile 10 =---< 3"));
    // The scheme keeps its slots: only the report leaves them out.
    EXPECT_EQ(s.numvariabili, 1);
    EXPECT_EQ(s.nomevariabile(2), "set");
}

TEST(EsameDati, ShortHeaderKeepsTheCountItHad) {
    Schema s;
    s.testata = "T.....U.....";
    dividitestata(s);
    s.numvariabili = 0;  // as a new picture leaves it
    s.mascheratipo = "13";
    auto r = esamedati(s);
    EXPECT_EQ(s.numvariabili, 2);
    EXPECT_EQ(r[3],
              "variabile= 2 U    valore reale con 3 decimali colore= nero dimensione font 14");

    Schema vuoto;
    EXPECT_THAT(esamedati(vuoto),
                ElementsAre("       Esame dati introdotti", "variabili", "condizioni logiche"));
}

TEST(CondizioniEditor, BoxLinesAndSlots) {
    Schema s;
    s.condizione(2) = "1>90";
    s.condizione(5) = "3<40";
    s.condizione(10) = "7=on";
    // After a scheme is loaded: the non-empty slots, moved up.
    EXPECT_THAT(righecondizioni(s), ElementsAre("1>90", "3<40", "7=on"));
    // As the window opens: every slot, one line each.
    EXPECT_THAT(tuttelecondizioni(s),
                ElementsAre("", "1>90", "", "", "3<40", "", "", "", "", "7=on"));

    // The box back into the slots: cut to 10, missing lines empty the rest.
    copiacondizioni(s, {"12345678901234", "", "2=ON"});
    EXPECT_EQ(s.condizione(1), "1234567890");
    EXPECT_EQ(s.condizione(2), "");
    EXPECT_EQ(s.condizione(3), "2=ON");
    for (int k = 4; k <= 10; ++k)
        EXPECT_TRUE(s.condizione(k).empty()) << k;

    std::vector<std::string> undici;
    for (int k = 1; k <= 11; ++k)
        undici.push_back(std::to_string(k) + ">0");
    copiacondizioni(s, undici);
    EXPECT_EQ(s.condizione(10), "10>0");
    std::vector<std::string> dieci(undici.begin(), undici.end() - 1);
    EXPECT_THAT(righecondizioni(s), ElementsAreArray(dieci));
}

TEST(NomeSca, ExtensionAddedUnlessExactlyLowerCase) {
    EXPECT_EQ(nomesca("/tmp/solare.sca"), "/tmp/solare.sca");
    EXPECT_EQ(nomesca("/tmp/solare.SCA"), "/tmp/solare.SCA.sca");
    EXPECT_EQ(nomesca("/tmp/solare.Sca"), "/tmp/solare.Sca.sca");
    EXPECT_EQ(nomesca("/tmp/solare"), "/tmp/solare.sca");
    EXPECT_EQ(nomesca("/tmp/solare.sca.bak"), "/tmp/solare.sca.bak.sca");
    EXPECT_EQ(nomesca("sca"), "sca.sca");
    EXPECT_EQ(nomesca(".sca"), ".sca");
}

TEST(ControlloSalvataggio, HeaderOfMoreThanTwelveVariablesRefused) {
    Schema s;
    s.testata = std::string(72, '.') + "abcde";  // 12 fields and 5 characters
    EXPECT_FALSE(controllosalvataggio(s));
    s.testata += "f";  // 78 characters: a 13th field
    auto perche = controllosalvataggio(s);
    ASSERT_TRUE(perche);
    EXPECT_EQ(*perche,
              "La testata ha più di 12 variabili (78 caratteri, al massimo 77): accorciala e "
              "salva di nuovo.");
}

TEST(PercorsoImmagine, StoredPathsAndOldFiles) {
    EXPECT_EQ(testopercorso("c:\\lavoro\\arduino\\solare.jpg"), "c:\\lavoro\\arduino\\solare.jpg");
    // chosen here: the file system's UTF-8, used as it is
    EXPECT_EQ(testopercorso("/home/ugo/perch\xC3\xA8.jpg"), "/home/ugo/perch\xC3\xA8.jpg");
    EXPECT_EQ(testopercorso("/home/ugo/\xD0\xB8.jpg"), "/home/ugo/\xD0\xB8.jpg");
    // written by the original program: Windows-1252
    EXPECT_EQ(testopercorso("c:\\caff\xE8.jpg"), "c:\\caff\xC3\xA8.jpg");
    EXPECT_EQ(testopercorso("c:\\\x80.bmp"), "c:\\\xE2\x82\xAC.bmp");
    EXPECT_EQ(testopercorso(""), "");
}
