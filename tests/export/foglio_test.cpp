// The spreadsheet object: how assigned values land, ranges, sheet names and
// the members refused once their object is gone.
#include "acquisition/foglio.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lumetto::acquisition {
namespace {

using xls::Celle;
using xls::Errore;
using xls::kMaxCaratteri;
using xls::Posizione;
using xls::ValoreCella;

struct Nuovo {
    std::unique_ptr<Applicazione> app = creaoggetto("Excel.Application");
    Foglio foglio = (app->Workbooks().Add(xlWBATWorksheet), app->Workbooks(1).WorkSheets(1));
};

std::optional<ValoreCella> assegnato(const Variante& v) {
    Nuovo n;
    Blocco b(1, 1);
    b(0, 0) = v;
    n.foglio.Range("B2", "B2").Value(b);
    return n.foglio.Cells(2, 2);
}

ValoreCella testo(const std::string& s) {
    return utf16(s);
}

TEST(Blocco, OgniValoreAtterraComeInUnFoglioDiCalcolo) {
    struct Caso {
        Variante valore;
        std::optional<ValoreCella> cella;
    };
    const Caso casi[] = {
        // The program's value texts: right-aligned, decimal point.
        {std::string("     12"), 12.0},
        {std::string("   15.4"), 15.4},
        {std::string(" -0.125"), -0.125},
        {std::string("  1.000"), 1.0},
        {std::string(" 12 "), 12.0},
        {std::string("\t7"), 7.0},
        {std::string("+3"), 3.0},
        {std::string(".5"), 0.5},
        {std::string("5."), 5.0},
        {std::string("1e3"), 1000.0},
        {std::string("1.5E-2"), 0.015},
        // Not numbers: they stay texts as they are, blanks included.
        {std::string("23,5"), testo("23,5")},
        {std::string("1,000.5"), testo("1,000.5")},
        {std::string("dis"), testo("dis")},
        {std::string(" OFF  "), testo(" OFF  ")},
        {std::string("   "), testo("   ")},
        {std::string("1 2"), testo("1 2")},
        {std::string("inf"), testo("inf")},
        {std::string("nan"), testo("nan")},
        {std::string("0x10"), testo("0x10")},
        {std::string("1e"), testo("1e")},
        {std::string("."), testo(".")},
        {std::string("-"), testo("-")},
        {std::string("1e999"), testo("1e999")},  // beyond a double: no infinity in a cell
        {std::string("T\xC2\xB0 \xE2\x82\xAC"), testo("T\xC2\xB0 \xE2\x82\xAC")},
        // Empty values and texts leave the cell empty; numbers are numbers.
        {std::string(), std::nullopt},
        {std::monostate{}, std::nullopt},
        {int32_t{1000}, 1000.0},
        {int32_t{-7}, -7.0},
        {2.75, 2.75},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(std::holds_alternative<std::string>(c.valore) ? std::get<std::string>(c.valore)
                                                                   : "not a text");
        EXPECT_EQ(assegnato(c.valore), c.cella);
    }
    // No negative zero reaches a cell.
    for (Variante v :
         {Variante{std::string("-0")}, Variante{std::string(" -0.000")}, Variante{-0.0}}) {
        auto c = assegnato(v);
        ASSERT_TRUE(c && std::holds_alternative<double>(*c));
        EXPECT_FALSE(std::signbit(std::get<double>(*c)));
    }
}

TEST(Blocco, UnValoreCheNonPuoStareInUnaCellaNonCambiaNulla) {
    Nuovo n;
    Blocco prima(1, 2);
    prima(0, 0) = std::string("tiene");
    n.foglio.Range("A1", "B1").Value(prima);
    Blocco b(1, 2);
    b(0, 0) = std::string("nuovo");
    b(0, 1) = std::numeric_limits<double>::infinity();
    EXPECT_THROW(n.foglio.Range("A1", "B1").Value(b), Errore);
    b(0, 1) = std::string(kMaxCaratteri + 1, 'x');
    EXPECT_THROW(n.foglio.Range("A1", "B1").Value(b), Errore);
    EXPECT_EQ(n.foglio.Cells(1, 1), testo("tiene"));
    // The longest text a cell holds lands whole.
    b(0, 1) = std::string(kMaxCaratteri, 'x');
    n.foglio.Range("A1", "B1").Value(b);
    EXPECT_EQ(n.foglio.Cells(1, 2), testo(std::string(kMaxCaratteri, 'x')));
}

TEST(Intervallo, IlBloccoParteDallAngoloEQuelCheAvanzaResta) {
    Nuovo n;
    Blocco b(3, 4);
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 4; ++c)
            b(r, c) = static_cast<int32_t>(10 * r + c);
    // Given from the bottom-right corner: the same range.
    n.foglio.Range("c3", "B2").Value(b);
    EXPECT_EQ(n.foglio.Cells(2, 2), ValoreCella{0.0});
    EXPECT_EQ(n.foglio.Cells(3, 3), ValoreCella{11.0});
    EXPECT_EQ(n.foglio.Cells(2, 3), ValoreCella{1.0});
    EXPECT_FALSE(n.foglio.Cells(2, 4));  // block column 2 is outside the range
    EXPECT_FALSE(n.foglio.Cells(4, 2));  // block row 2 as well
    EXPECT_FALSE(n.foglio.Cells(1, 1));

    // An empty value clears what a cell held.
    Blocco vuoto(1, 1);
    n.foglio.Range("B2", "B2").Value(vuoto);
    EXPECT_FALSE(n.foglio.Cells(2, 2));

    // A block that does not cover the range is refused whole.
    EXPECT_THROW(n.foglio.Range("A1", "E1").Value(b), Errore);
    EXPECT_THROW(n.foglio.Range("A1", "A4").Value(b), Errore);
    EXPECT_FALSE(n.foglio.Cells(1, 1));
}

TEST(Intervallo, RiferimentiDiCella) {
    EXPECT_EQ(cella("A1"), (Posizione{0, 0}));
    EXPECT_EQ(cella("c4"), (Posizione{3, 2}));
    EXPECT_EQ(cella("N1001"), (Posizione{1000, 13}));
    EXPECT_EQ(cella("Z1"), (Posizione{0, 25}));
    EXPECT_EQ(cella("AA1"), (Posizione{0, 26}));
    EXPECT_EQ(cella("IV65536"), (Posizione{65535, 255}));
    for (const char* errato : {"", "A", "1", "1A", "A0", "A01", "A65537", "IW1", "AAA1", "?1", "[1",
                               "A1 ", " A1", "A-1", "A1:B2", "A1000000"}) {
        SCOPED_TRACE(errato);
        EXPECT_FALSE(cella(errato));
    }
    Nuovo n;
    EXPECT_THROW(n.foglio.Range("A1", "?4"), Errore);
    EXPECT_THROW(n.foglio.Range("A0", "C4"), Errore);
}

TEST(NomeFoglio, LeRegoleDelFoglioDiCalcolo) {
    for (const char* buono : {"sonar", "sei ingressi analogici", "temperature", "l'acqua", "a",
                              "1234567890123456789012345678901", "perch\xC3\xA9 c'\xC3\xA8"}) {
        SCOPED_TRACE(buono);
        EXPECT_FALSE(nomefoglioerrato(buono));
    }
    // 31 characters of two bytes each: counted as characters.
    std::string lungo;
    for (int i = 0; i < 31; ++i)
        lungo += "\xC3\xA8";
    EXPECT_FALSE(nomefoglioerrato(lungo));
    EXPECT_TRUE(nomefoglioerrato(lungo + "e"));
    for (const char* errato : {"", "12345678901234567890123456789012", "a:b", "a\\b", "a/b", "a?b",
                               "a*b", "a[b", "a]b", "'ab", "ab'", "'"}) {
        SCOPED_TRACE(errato);
        EXPECT_TRUE(nomefoglioerrato(errato));
    }

    Nuovo n;
    EXPECT_EQ(n.foglio.Name(), "Foglio1");
    EXPECT_THROW(n.foglio.Name("dati/2024"), Errore);
    EXPECT_EQ(n.foglio.Name(), "Foglio1");
    n.foglio.Name("sonar");
    EXPECT_EQ(n.foglio.Name(), "sonar");
}

TEST(Applicazione, MembriEOggettiCheNonCiSono) {
    EXPECT_THROW(creaoggetto("Word.Application"), Errore);
    Nuovo n;
    EXPECT_THROW(n.app->Workbooks(2), Errore);
    EXPECT_THROW(n.app->Workbooks(0), Errore);
    EXPECT_THROW(n.app->Workbooks(1).WorkSheets(2), Errore);
    EXPECT_THROW(n.app->Workbooks().Add(-4109), Errore);  // a chart sheet: not offered
    n.app->DisplayAlerts(false);
    n.app->Quit();
    // After Quit every object of the application refuses its members.
    EXPECT_THROW(n.app->Workbooks(1), Errore);
    EXPECT_THROW(n.foglio.Name("dopo"), Errore);
    EXPECT_THROW(n.foglio.Range("A1", "B2"), Errore);
    EXPECT_THROW(n.app->Quit(), Errore);
}

TEST(Testi, Utf8EUtf16) {
    EXPECT_EQ(utf16("a\xC3\xA8\xE2\x82\xAC\xF0\x9F\x98\x80"), u"a\u00E8\u20AC\U0001F600");
    EXPECT_EQ(utf8(u"a\u00E8\u20AC\U0001F600"), "a\xC3\xA8\xE2\x82\xAC\xF0\x9F\x98\x80");
    // Malformed input: one replacement character per bad byte, nothing lost after it.
    EXPECT_EQ(utf16("a\xFF"
                    "b"),
              u"a\uFFFDb");
    EXPECT_EQ(utf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(utf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(utf16("\xED\xA0\x80"), u"\uFFFD");    // a surrogate
    EXPECT_EQ(utf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace lumetto::acquisition
