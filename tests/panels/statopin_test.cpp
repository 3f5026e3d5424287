// The pin-state reply as the panel shows it, and the panels' command strings.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "panels/statopin.h"
#include "panels/taratura.h"

using namespace lumetto::panels;

namespace {

// Slots 1 to 6 end in HHHH LLLL HHHH HHHH LLLL LLLL, slots 7 to 12 in
// 1000 1512 2023 1011 1511 1100; the first two characters of a slot are free.
const std::string kRisposta =
    "D2HHHH#!LLLL  HHHHxyHHHH99LLLL\r\nLLLLA01000..1512zz2023A31011--1511A51100FINE\r\n";

class Decodifica : public ::testing::Test {
  protected:
    Decodifica() { azzerastatopin(); }
    ~Decodifica() override { azzerastatopin(); }
};

std::string conSlot(std::string risposta, int k, const std::string& quattro) {
    risposta.replace(static_cast<size_t>(6 * k - 4), 4, quattro);
    return risposta;
}

}  // namespace

TEST_F(Decodifica, ReplyBecomesChecksBarsLabelsAndLogLines) {
    ASSERT_EQ(kRisposta.size(), 78u);
    StatoLetto s = decodificastato(kRisposta);
    const std::vector<IngressoDigitale> attesi = {{" D2 ON", true},   {" D3 OFF", false},
                                                  {" D4 ON", true},   {" D5 ON", true},
                                                  {" D6 OFF", false}, {" D7 OFF", false}};
    EXPECT_EQ(std::vector<IngressoDigitale>(s.digitali.begin(), s.digitali.end()), attesi);
    const int barre[] = {100, 50, 0, 99, 51, 91};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(s.analogici[i].posizione, barre[i]) << "A" << i;
        EXPECT_EQ(s.analogici[i].calcolata, barre[i]) << "A" << i;
    }
    EXPECT_EQ(s.analogici[0].etichetta, "A0 V=0.000");
    EXPECT_EQ(s.analogici[1].etichetta, "A1 V=2.502");
    EXPECT_EQ(s.analogici[2].etichetta, "A2 V=5.000");
    EXPECT_EQ(s.analogici[5].etichetta, "A5 V=0.489");
    const std::array<std::string, 12> righe = {
        "-->dato= 1 D2 ON",
        "-->dato= 2 D3 OFF",
        "-->dato= 3 D4 ON",
        "-->dato= 4 D5 ON",
        "-->dato= 5 D6 OFF",
        "-->dato= 6 D7 OFF",
        "-->dato= 7 A0 numero=   0 V=0.000",
        "-->dato= 8 A1 numero= 512 V=2.502",
        "-->dato= 9 A2 numero=1023 V=5.000",
        "-->dato=10 A3 numero=  11 V=0.054",
        "-->dato=11 A4 numero= 511 V=2.498",
        "-->dato=12 A5 numero= 100 V=0.489",
    };
    EXPECT_EQ(s.righe, righe);
    EXPECT_EQ(statopin[1], 1);
    EXPECT_EQ(statopin[2], 0);
    EXPECT_EQ(statopin[4], 1);
}

TEST_F(Decodifica, OnlyAWholeHighOrLowChangesTheRememberedState) {
    decodificastato(kRisposta);  // D2 on, D3 off
    for (const char* storpiato : {"hhhh", "llll", "HHHL", "LLLH", "H HH", "    ", "1000"}) {
        StatoLetto s = decodificastato(conSlot(conSlot(kRisposta, 1, storpiato), 2, storpiato));
        EXPECT_EQ(s.digitali[0], (IngressoDigitale{" D2 ON", true})) << storpiato;
        EXPECT_EQ(s.digitali[1], (IngressoDigitale{" D3 OFF", false})) << storpiato;
        EXPECT_EQ(s.righe[0], "-->dato= 1 D2 ON");
    }
    StatoLetto s = decodificastato(conSlot(kRisposta, 1, "LLLL"));
    EXPECT_EQ(s.digitali[0], (IngressoDigitale{" D2 OFF", false}));
    EXPECT_EQ(statopin[1], 0);
    // A slot never received whole shows the start-up state: off.
    azzerastatopin();
    s = decodificastato(conSlot(kRisposta, 4, "H#HH"));
    EXPECT_EQ(s.digitali[3], (IngressoDigitale{" D5 OFF", false}));
}

TEST_F(Decodifica, ShortAndEmptyRepliesKeepStatesAndClampTheBars) {
    decodificastato(kRisposta);
    // A reply cut in slot 8: its field holds "15", the slots after it nothing.
    StatoLetto s = decodificastato(kRisposta.substr(0, 46));
    EXPECT_EQ(s.digitali[0].testo, " D2 ON");
    EXPECT_EQ(s.analogici[0].lettura, 0);
    EXPECT_EQ(s.analogici[1].lettura, 15 - 1000);
    EXPECT_EQ(s.analogici[2].lettura, -1000);
    for (const auto& a : s.analogici) {
        EXPECT_GE(a.posizione, 0);
        EXPECT_LE(a.posizione, 100);
    }
    // An empty slot: the bar at its end, the texts with the reading as computed.
    EXPECT_EQ(s.analogici[2].calcolata, 197);
    EXPECT_EQ(s.analogici[2].posizione, 100);
    EXPECT_EQ(s.analogici[2].tensione, "-4.888");
    EXPECT_EQ(s.analogici[2].etichetta, "A2 V=-4.888");
    EXPECT_EQ(s.righe[8], "-->dato= 9 A2 numero=-1000 V=-4.888");

    azzerastatopin();
    s = decodificastato("");
    EXPECT_EQ(s.digitali[5].testo, " D7 OFF");
    EXPECT_EQ(s.righe[11], "-->dato=12 A5 numero=-1000 V=-4.888");

    // A reading past the top puts the bar at 0; the log keeps the reading.
    s = decodificastato(conSlot(kRisposta, 7, "$FFF"));
    EXPECT_EQ(s.analogici[0].lettura, 3095);
    EXPECT_LT(s.analogici[0].calcolata, 0);
    EXPECT_EQ(s.analogici[0].posizione, 0);
    EXPECT_EQ(s.righe[6], "-->dato= 7 A0 numero=3095 V=15.127");
}

TEST_F(Decodifica, CharactersAfterSlotTwelveHaveNoEffect) {
    StatoLetto base = decodificastato(kRisposta);
    for (const std::string& coda : std::vector<std::string>{
             "", "HHHHHH", "999999", std::string(6, '\0'), "LLLLLL1000garbage"}) {
        azzerastatopin();
        StatoLetto s = decodificastato(kRisposta.substr(0, 72) + coda);
        EXPECT_EQ(s.righe, base.righe);
        EXPECT_EQ(s.digitali, base.digitali);
        EXPECT_EQ(statopin[13], 0);
        EXPECT_EQ(statopin[14], 0);
    }
}

TEST(ValoreAnalogico, ConvertsLikeTheBoardWritesAndForgivesTheRest) {
    struct Caso {
        const char* campo;
        int valore;
    };
    const Caso casi[] = {
        {"1512", 1512},
        {" 512", 512},
        {"+512", 512},
        {"-512", -512},
        {"0001", 1},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"0x1F", 31},
        {"-$10", -16},
        // Not a number: the digits before the first character that does not fit, unsigned.
        {"12a4", 12},
        {"-12a", 12},
        {"1 2", 1},
        {"$1G", 1},
        {"512 ", 512},
        {"", 0},
        {"    ", 0},
        {"ABCD", 0},
        {"-", 0},
        {"$", 0},
        {"0x", 0},
        {"HHHH", 0},
        {"\r\nFI", 0},
    };
    for (const auto& c : casi)
        EXPECT_EQ(valoreanalogico(c.campo), c.valore) << '"' << c.campo << '"';
}

TEST(Testi, EndsOfTheScaleAndTheDecimalPoint) {
    const std::pair<int, int> barre[] = {{11, 99}, {1000, 3}, {1033, 0}, {1034, -1}};
    for (auto [r, p] : barre)
        EXPECT_EQ(posizionebarra(r), p) << r;
    EXPECT_EQ(tensione(-1), "-0.005");
    EXPECT_EQ(tensione(8999), "43.983");
    // The Italian locale writes a decimal comma; the panel never does.
    if (std::setlocale(LC_ALL, "it_IT.UTF-8")) {
        EXPECT_EQ(tensione(512), "2.502");
        std::setlocale(LC_ALL, "");
    }
}

TEST(Comandi, OutputsAndServos) {
    EXPECT_EQ(comandouscite({}), "L1L2L3L4L5L6");
    EXPECT_EQ(comandouscite({true, true, true, true, true, true}), "H1H2H3H4H5H6");
    EXPECT_EQ(comandouscite({true, false, false, false, false, true}), "H1L2L3L4L5H6");

    EXPECT_EQ(comandoservo(1, 0), "S1000");
    EXPECT_EQ(comandoservo(2, 90), "S2090");
    EXPECT_EQ(comandoservo(1, 180), "S1180");
    EXPECT_EQ(comandoservo(3, 99), "S3099");
    EXPECT_EQ(comandoservo(3, 9), "S3009");
    // The board takes three digits: a position out of range is brought within it.
    EXPECT_EQ(comandoservo(1, 999), "S1180");
    EXPECT_EQ(comandoservo(1, -5), "S1000");
    EXPECT_THROW(comandoservo(0, 90), std::invalid_argument);
    EXPECT_THROW(comandoservo(4, 90), std::invalid_argument);

    EXPECT_EQ(etichettaservo(5), "Pos= 5");
    EXPECT_EQ(etichettaservo(90), "Pos=90");
    EXPECT_EQ(etichettaservo(180), "Pos=180");
}

// The fuzzer's seeds (and whatever it found worth keeping there): the bars
// stay on their scale and every text agrees with the reading it shows.
TEST_F(Decodifica, FuzzSeedsKeepBarsInRangeAndTextsConsistent) {
    std::vector<std::string> risposte;
    for (const auto& f : std::filesystem::directory_iterator(LUMETTO_CAMPIONI_STATO)) {
        std::ifstream in(f.path(), std::ios::binary);
        risposte.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_FALSE(risposte.empty());
    for (const auto& r : risposte) {
        StatoLetto s = decodificastato(r);
        for (size_t i = 0; i < s.analogici.size(); ++i) {
            const auto& a = s.analogici[i];
            ASSERT_GE(a.posizione, 0) << r;
            ASSERT_LE(a.posizione, 100) << r;
            ASSERT_EQ(a.calcolata, posizionebarra(a.lettura));
            ASSERT_EQ(a.etichetta, "A" + std::to_string(i) + " V=" + a.tensione);
            ASSERT_TRUE(s.righe[i + 6].ends_with(" V=" + a.tensione));
        }
        for (size_t i = 0; i < s.digitali.size(); ++i)
            ASSERT_EQ(s.digitali[i].spuntato, statopin[i + 1] == 1);
    }
}

// The multimeter's reading as a teacher types it, on an Italian keyboard or
// not, in volts or millivolts; what no USB supply gives is refused.
TEST(Taratura, MultimeterReadingAsTyped) {
    const std::pair<const char*, std::optional<int>> righe[] = {
        {"5.02", 5020}, {"5,02", 5020}, {" 4.987 V", 4987}, {"5020", 5020}, {"5020 mV", 5020},
        {"4.5", 4500},  {"5.5", 5500},  {"4.49", {}},       {"5.6", {}},    {"", {}},
        {"cinque", {}}, {"5.0.2", {}},  {"-5", {}},
    };
    for (const auto& [testo, mv] : righe)
        EXPECT_EQ(letturamultimetro(testo), mv) << '"' << testo << '"';
    EXPECT_EQ(comandotaratura(5020), "K5020");
    EXPECT_EQ(comandotaratura(0), "K0000");
    // A pin-state reply, or one cut short, is no calibration reply.
    EXPECT_FALSE(leggitaratura("D2HHHHD3LLLLD4HHHHD5LLLL"));
    EXPECT_FALSE(leggitaratura("  5010  1087HHHHHHHHHH"));
    const auto t = leggitaratura("  5010  1087HHHHHHHHHHHH");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->alimentazioneMv, 5010);
    EXPECT_EQ(t->bandgapMv, 1087);
    EXPECT_TRUE(t->tarata);
    EXPECT_EQ(t->esito, Taratura::Esito::Tenuta);
}
