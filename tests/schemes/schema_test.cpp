// The scheme record: header splitting, slot numbering and bounded texts.
#include <gtest/gtest.h>

#include <stdexcept>

#include "schemes/schema.h"

using namespace lumetto::schemes;

namespace {

std::vector<std::string> nomi(const Schema& s) {
    std::vector<std::string> v;
    for (int i = 1; i <= s.numvariabili; ++i)
        v.push_back(s.nomevariabile(i));
    return v;
}

}  // namespace

TEST(DividiTestata, OneThreeCharacterNamePerWholeField) {
    struct Caso {
        std::string testata;
        std::vector<std::string> nomi;
    } casi[] = {
        {"A0....A1....A2....A3....A4....A5....", {"A0 ", "A1 ", "A2 ", "A3 ", "A4 ", "A5 "}},
        {"temp....umid..Set...Stato.", {"tem", "umi", "Set", "Sta"}},  // "o." makes no field
        {"temp..set...scost.banda.", {"tem", "set", "sco", "ban"}},
        {"T.....ab....", {"T  ", "ab "}},
        {"......", {"  "}},
        {".a.b.c", {"abc"}},  // dots anywhere are dropped
        {"abcdef", {"abc"}},
        {"\xB0"
         "C....",
         {"\xB0"
          "C "}},  // one Windows-1252 byte is one character
        {std::string(78, 'x'), std::vector<std::string>(12, "xxx")},  // never more than 12
    };
    for (const auto& c : casi) {
        Schema s;
        s.testata = c.testata;
        dividitestata(s);
        EXPECT_EQ(nomi(s), c.nomi) << c.testata;
    }
}

TEST(DividiTestata, ShortHeaderAndUnusedSlotsKeepWhatTheyHeld) {
    Schema s;
    s.testata = "aa....bb....cc....";
    dividitestata(s);
    s.testata = "x....";  // 5 characters: no field at all
    dividitestata(s);
    EXPECT_EQ(nomi(s), (std::vector<std::string>{"aa ", "bb ", "cc "}));
    s.testata = "y.....";
    dividitestata(s);
    EXPECT_EQ(s.numvariabili, 1);
    EXPECT_EQ(s.nomevariabile(1), "y  ");
    EXPECT_EQ(s.nomevariabile(3), "cc ");
}

TEST(Schema, SlotsAreNumberedFromOneAndRefuseOtherNumbers) {
    Schema s;
    s.condizione(10) = "3>25";
    s.posx(20) = 7;
    s.impostanome(12, "zz");
    EXPECT_EQ(s.condizione(10), "3>25");
    EXPECT_EQ(s.posx(20), 7);
    EXPECT_EQ(s.nomevariabile(12), "zz");
    EXPECT_THROW(s.condizione(0), std::out_of_range);
    EXPECT_THROW(s.condizione(11), std::out_of_range);
    EXPECT_THROW(s.posy(21), std::out_of_range);
    EXPECT_THROW(s.posx(-1), std::out_of_range);
    // the log may ask for a column past the name table
    EXPECT_EQ(s.nomevariabile(0), "");
    EXPECT_EQ(s.nomevariabile(13), "");
}

TEST(Schema, BoundedTextsKeepTheirFirstCharacters) {
    Schema s;
    s.condizione(1) = "12345678901234";
    s.impostanome(1, "abcdefghijkl");
    s.descrizionecondizione = "0123456789";
    s.descrizionecondizione += "abcdefghijklmn";
    EXPECT_EQ(s.condizione(1), "1234567890");
    EXPECT_EQ(s.nomevariabile(1), "abcdefghij");
    EXPECT_EQ(s.descrizionecondizione, "0123456789abcdefghij");
}

TEST(Schema, ResetGivesTheStartUpValues) {
    Schema& s = schemacorrente();
    s.testata = "abc...";
    s.condizione(4) = "1>2";
    s.posy(13) = 9;
    s.punto = 3;
    dividitestata();
    azzeraschema();
    EXPECT_EQ(schemacorrente(), Schema{});
    EXPECT_EQ(schemacorrente().numvariabili, 0);
}
