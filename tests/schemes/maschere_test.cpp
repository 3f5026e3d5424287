// Value texts, mask characters and logic conditions.
#include <gtest/gtest.h>

#include "schemes/maschere.h"

using namespace lumetto::schemes;

TEST(FormattaValore, TextsByTypeCharacter) {
    struct Caso {
        double x;
        char tipo;
        const char* testo;
    } casi[] = {
        {23.46, '1', "  23.5"},
        {99.96, '1', " 100.0"},
        {-3.0, '1', "  -3.0"},
        {12345.6, '1', "12345.6"},  // wider than 6: not cut
        {2.5, '3', " 2.500"},
        {-1234.5, '3', "-1234.500"},
        {0, '2', " OFF  "},
        {1, '2', " ON   "},
        {2, '2', " Halt "},
        {1.0000001, '2', "   1.0"},  // exact comparison; anything else is a number
        {0, '4', "chiude"},
        {1, '4', "apre  "},
        {2, '4', "Halt  "},
        {3, '4', "   3.0"},
        {7.25, 'x', "   7.3"},  // unknown or missing type character: the '1' text
        {7, '\0', "   7.0"},
    };
    for (const auto& c : casi)
        EXPECT_EQ(formattavalore(c.x, c.tipo), c.testo) << c.x << " '" << c.tipo << "'";
}

TEST(Maschere, ColoursAndSizesWithTheirDefaults) {
    const Rgb nero{0, 0, 0}, rosso{255, 0, 0}, blu{0, 0, 255}, verde{0, 128, 0};
    // a colour mask "1" with three variables: only the first is red
    EXPECT_EQ(coloremaschera("1", 1), rosso);
    EXPECT_EQ(coloremaschera("1", 2), nero);
    EXPECT_EQ(coloremaschera("1", 3), nero);
    EXPECT_EQ(coloremaschera("0123x", 2), rosso);
    EXPECT_EQ(coloremaschera("0123x", 3), blu);
    EXPECT_EQ(coloremaschera("0123x", 4), verde);
    EXPECT_EQ(coloremaschera("0123x", 5), nero);
    EXPECT_EQ(coloremaschera("0123x", 0), nero);
    EXPECT_EQ(dimensionemaschera("0129", 1), 14);
    EXPECT_EQ(dimensionemaschera("0129", 2), 16);
    EXPECT_EQ(dimensionemaschera("0129", 3), 18);
    EXPECT_EQ(dimensionemaschera("0129", 4), 14);
    EXPECT_EQ(dimensionemaschera("", 1), 14);
}

TEST(Maschere, WordsOfTheExamineReport) {
    EXPECT_EQ(parolatipo('1'), "numero reale con 1 decimale");
    EXPECT_EQ(parolatipo('2'), "valore logico ");
    EXPECT_EQ(parolatipo('3'), "valore reale con 3 decimali");
    EXPECT_EQ(parolatipo('4'), "valore flottante");
    EXPECT_EQ(parolatipo('9'), parolatipo('1'));
    EXPECT_EQ(parolacolore('0'), "nero");
    EXPECT_EQ(parolacolore('1'), "rosso");
    EXPECT_EQ(parolacolore('2'), "blu");
    EXPECT_EQ(parolacolore('3'), "verde");
    EXPECT_EQ(parolacolore('\0'), "nero");
    EXPECT_EQ(paroladimensione('0'), "14");
    EXPECT_EQ(paroladimensione('1'), "16");
    EXPECT_EQ(paroladimensione('2'), "18");
    EXPECT_EQ(paroladimensione('7'), "14");
}

namespace {

struct CasoCondizione {
    std::vector<std::string> condizioni;
    int v;
    double valore;
    int risultato;
    const char* descrizione;  // "prima" when no condition names v
};

void verifica(const CasoCondizione& c) {
    Schema s;
    s.testata = "temp..set...sco...sta...";
    for (int i = 5; i <= 12; ++i)
        s.testata += "nam...";
    dividitestata(s);
    for (std::size_t k = 0; k < c.condizioni.size(); ++k)
        s.condizione(static_cast<int>(k) + 1) = c.condizioni[k];
    s.descrizionecondizione = "prima";
    EXPECT_EQ(valutacondizioni(s, c.v, c.valore), c.risultato);
    EXPECT_EQ(s.descrizionecondizione, c.descrizione);
}

}  // namespace

TEST(ValutaCondizioni, ResultAndDescription) {
    CasoCondizione casi[] = {
        {{"3>25"}, 3, 25.5, 1, " 3 =sco> 25"},
        {{"3>25"}, 3, 25, 0, " 3 =sco> 25"},
        {{"3=on"}, 3, 1, 1, " 3 =sco= ON"},
        {{"3=ON"}, 3, 1, 1, " 3 =sco= ON"},
        {{"3=ON "}, 3, 1, 0, " 3 =sco= ON "},  // the blank is part of the operand
        {{" 3>25"}, 3, 30, 0, "prima"},        // leading blank: ignored
        {{"3 >25"}, 3, 30, 1, " 3 =sco> 25"},  // operator at character 3
        {{"1>=5"}, 1, 6, 1, " 1 =tem>= 5 5"},
        {{"1>=5"}, 1, 5, 0, " 1 =tem>= 5 5"},  // '=' with "5" matches no keyword
        {{"35"}, 3, 99, 0, "prima"},
        {{"35"}, 5, 99, 0, "prima"},
        {{"3"}, 3, 99, 0, " 3 =sco"},  // no test, but the description is set
        {{"13>5"}, 1, 99, 0, "prima"},
        {{"13>5"}, 3, 99, 0, "prima"},
        {{"4>80", "4<10"}, 4, 90, 1, " 4 =sta< 10"},
        {{"4>80", "4<10"}, 4, 5, 2, " 4 =sta< 10"},
        {{"4>80", "4<10"}, 4, 50, 0, " 4 =sta< 10"},
        {{"4<10", "4>0"}, 4, 5, 2, " 4 =sta> 0"},  // low wins whatever the order
        {{"12<4.5"}, 12, 4, 2, "12 =nam< 4.5"},
        {{"3>-2.5"}, 3, -1, 1, " 3 =sco> -2.5"},
        {{"3>1e1"}, 3, 11, 1, " 3 =sco> 1E1"},
        {{"3>abc"}, 3, 1e300, 0, " 3 =sco> ABC"},  // not a number: never holds
        {{"3<abc"}, 3, -1e300, 0, " 3 =sco< ABC"},
        {{"3>1,5"}, 3, 2, 0, " 3 =sco> 1,5"},
        {{"3<inf"}, 3, 1, 0, " 3 =sco< INF"},
        {{"2=maybe"}, 2, 1, 0, " 2 =set= MAYBE"},
        {{"2=chiude"}, 2, 0, 1, " 2 =set= CHIUDE"},
        {{"2=apre"}, 2, 1, 1, " 2 =set= APRE"},
        {{"2=halt"}, 2, 2, 1, " 2 =set= HALT"},
        {{"2=off"}, 2, 1, 0, " 2 =set= OFF"},
        {{"", "a3>5"}, 3, 6, 1, " 3 =sco> 5"},              // a non-digit among 1 and 2 is skipped
        {{"3>25", "1>2", "3<5"}, 3, 30, 1, " 3 =sco< 5"},   // the last naming v describes
        {{"1>=1234567"}, 1, 0, 0, " 1 =tem>= 1234567 12"},  // cut to 20
        {{">5"}, 5, 6, 0, " 5 =nam"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.condizioni.back() + " v=" + std::to_string(c.v));
        verifica(c);
    }
}

TEST(ValutaCondizioni, WorksOnTheCurrentScheme) {
    azzeraschema();
    schemacorrente().testata = "temp..";
    dividitestata();
    schemacorrente().condizione(1) = "1<0";
    EXPECT_EQ(valutacondizioni(1, -1), 2);
    EXPECT_EQ(schemacorrente().descrizionecondizione, " 1 =tem< 0");
    azzeraschema();
}
