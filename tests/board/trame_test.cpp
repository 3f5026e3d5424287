// Every sketch answers its letter with a frame the program reads as a reply:
// as long as the header, fields that convert, states that are states.
#include <gtest/gtest.h>

#include <algorithm>

#include "acquisition/esperimenti.h"
#include "board/campi.h"
#include "board/sketch.h"
#include "link/campi.h"

using namespace lumetto::scheda;
using lumetto::link::dividicampi;
using lumetto::link::valorecampo;

namespace {

// What the program's reader makes of the first n characters of a reply: the
// values, or a failure text. Exact: the fields are where the board laid them
// (not so for a shorter reader served the start of a longer frame).
::testing::AssertionResult leggibile(const std::string& risposta, const Esperimento& e,
                                     std::vector<double>* valori = nullptr, bool esatto = true) {
    size_t n = e.testata.size();
    if (risposta.size() < n)
        return ::testing::AssertionFailure() << "short reply " << risposta.size() << " < " << n;
    std::string letta = risposta.substr(0, n);
    size_t blank = static_cast<size_t>(std::count(letta.begin(), letta.end(), ' '));
    if (blank >= n / 2)
        return ::testing::AssertionFailure() << "reads as no reply: \"" << letta << '"';
    auto campi = dividicampi(letta);
    size_t k = n / 6;
    for (size_t i = 0; i < k; ++i) {
        if (campi[i].empty())
            return ::testing::AssertionFailure()
                   << "field " << i + 1 << " missing in \"" << letta << '"';
        const std::string& c = campi[i];
        bool stato = c == "HHHHHH" || c == "LLLLLL" || c == "SSSSSS";
        bool numero = c.find_first_not_of("-.0123456789") == std::string::npos;
        if (!stato && !numero)
            return ::testing::AssertionFailure()
                   << "field " << i + 1 << " \"" << c << "\" in \"" << letta << '"';
        // The reader finds fields by blanks and runs of six: it must cut
        // exactly where the board laid them out.
        std::string posto = letta.substr(6 * i, 6);
        posto.erase(0, posto.find_first_not_of(' '));
        if (esatto && c != posto)
            return ::testing::AssertionFailure()
                   << "field " << i + 1 << " read as \"" << c << "\", sent as \"" << posto
                   << "\" in \"" << letta << '"';
        char tipo = i < e.maschera.size() ? e.maschera[i] : '2';
        if ((tipo == '2' || tipo == '4') && !stato)
            return ::testing::AssertionFailure()
                   << "field " << i + 1 << " of type " << tipo << " is not a state: \"" << c << '"';
        if (tipo == '1' && stato)
            return ::testing::AssertionFailure()
                   << "field " << i + 1 << " is a state, not a number";
        if (valori) valori->push_back(valorecampo(c));
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Campi, NumbersFillSixCharactersWithOneOrTwoBlanks) {
    EXPECT_EQ(numero6(23.5), " 23.50");
    EXPECT_EQ(numero6(0), "  0.00");
    EXPECT_EQ(numero6(-0.001), "  0.00");
    EXPECT_EQ(numero6(-17), " -17.0");
    EXPECT_EQ(numero6(744.38), " 744.4");
    EXPECT_EQ(numero6(1234.6), "  1235");
    EXPECT_EQ(numero6(12345.6), " 12346");
    EXPECT_EQ(numero6(5e9), " 99999");
    EXPECT_EQ(numero6(-5e9), " -9999");
    EXPECT_EQ(numero6(std::nan("")), "  0.00");
    // Full fields side by side: the reader still cuts them where they were laid.
    auto campi = dividicampi(" 40.00" + numero6(744.38) + numero6(-15.72));
    EXPECT_EQ(campi[1], "744.4");
    EXPECT_EQ(campi[2], "-15.7");
    EXPECT_EQ(stato6(1), "HHHHHH");
    EXPECT_EQ(stato6(0), "LLLLLL");
    EXPECT_EQ(stato6(2), "SSSSSS");
    // The header decides the length; the rest of a line is its end.
    EXPECT_EQ(trama({Campo::numero(1), Campo::acceso(true)}, 14), "  1.00HHHHHH\r\n");
    EXPECT_EQ(trama({Campo::numero(1)}, 7), "  1.00\n");
}

TEST(Trame, EverySketchServesItsExperimentForAWholeRun) {
    for (const auto& e : esperimenti()) {
        Logica logica(e.nome, 42);
        for (int i = 0; i < 300; ++i) {
            std::string r = logica.ricevi(e.lettera, i * 2000);
            ASSERT_EQ(r.size(), e.testata.size()) << e.nome;
            std::vector<double> v;
            ASSERT_TRUE(leggibile(r, e, &v)) << e.nome << " reply " << i;
            ASSERT_EQ(v.size(), std::min<size_t>(e.testata.size() / 6, 12)) << e.nome;
            for (size_t k = 0; k < v.size(); ++k) {
                char tipo = k < e.maschera.size() ? e.maschera[k] : '2';
                if (tipo == '2' || tipo == '4') {
                    ASSERT_TRUE(v[k] == 0 || v[k] == 1 || v[k] == 2);
                }
            }
        }
    }
}

TEST(Trame, ValuesAreWhatATeacherExpects) {
    auto media = [](const std::string& sketch, char lettera, size_t campo, int n = 200) {
        Logica l(sketch, 7);
        double somma = 0, minimo = 1e9, massimo = -1e9;
        for (int i = 0; i < n; ++i) {
            auto c = dividicampi(l.ricevi(lettera, 0));
            double v = valorecampo(c[campo]);
            somma += v;
            minimo = std::min(minimo, v);
            massimo = std::max(massimo, v);
        }
        return std::array<double, 3>{somma / n, minimo, massimo};
    };
    auto sonar = media("sonar", 'A', 0);
    EXPECT_GE(sonar[1], 10);
    EXPECT_LE(sonar[2], 100);
    EXPECT_LT(sonar[1], sonar[2]);  // it drifts
    auto accel = media("accelerometro", 'G', 2);
    EXPECT_NEAR(accel[0], 1.0, 0.25);    // gravity, mostly on z
    auto pi = media("pi", 'E', 0, 400);  // the loop settles on its set point
    Logica l("pi", 3);
    std::string ultima;
    for (int i = 0; i < 600; ++i)
        ultima = l.ricevi('E', 0);
    EXPECT_NEAR(valorecampo(dividicampi(ultima)[0]), 50, 1.5);
    (void)pi;
}

TEST(Trame, TankPumpFollowsTheLevelSwitches) {
    Logica l("livello", 11);
    bool vistaPompa = false, vistoMassimo = false;
    for (int i = 0; i < 400; ++i) {
        auto c = dividicampi(l.ricevi('F', 0));
        double minimo = valorecampo(c[0]), massimo = valorecampo(c[1]), pompa = valorecampo(c[2]);
        if (minimo == 0) {
            EXPECT_EQ(pompa, 1);  // below the minimum the pump always runs
        }
        if (massimo == 1) {
            EXPECT_EQ(minimo, 1);
            vistoMassimo = true;
        }
        vistaPompa |= pompa == 1;
    }
    EXPECT_TRUE(vistaPompa);
    EXPECT_TRUE(vistoMassimo);
}

TEST(Trame, DefaultSketchServesEveryExperiment) {
    // Experiments that share a letter read the start of the longest frame.
    Logica tutti("tutti", 5);
    for (const auto& e : esperimenti()) {
        std::string r = tutti.ricevi(e.lettera, 0);
        if (e.lettera == 'H')
            r = tutti.scaduto(1000);  // "H" alone is the letter, once no digit follows
        EXPECT_TRUE(leggibile(r, e, nullptr, false)) << e.nome;
    }
    // "A" is the pin-state reply, whose first two characters are a reading.
    std::string a = tutti.ricevi('A', 0);
    EXPECT_EQ(a.size(), 78u);
}

TEST(Trame, SameSeedSameBytes) {
    auto corsa = [](uint64_t seme) {
        Logica l("tutti", seme);
        std::string tutto;
        for (int i = 0; i < 50; ++i)
            for (char c : std::string("ABCDEFGIJ"))
                tutto += l.ricevi(c, 0);
        return tutto;
    };
    EXPECT_EQ(corsa(9), corsa(9));
    EXPECT_NE(corsa(9), corsa(10));
}

// The program's experiment table names the board's sketch of every
// experiment: that sketch answers the row's letter with the row's header and
// type mask, so the two tables cannot drift apart.
TEST(Trame, TheProgramsTableNamesTheSketchThatServesEachExperiment) {
    int viste = 0;
    for (const auto& c : lumetto::acquisition::comandi()) {
        SCOPED_TRACE(std::string(c.didascalia));
        // Asked who it is, the sketch names the library's example the
        // program expects, or the program would warn of a right board.
        // A board that speaks first knows nothing of "?".
        if (!c.sketch.empty() && c.azione != lumetto::acquisition::Azione::Libero) {
            EXPECT_EQ(Logica(std::string(c.sketch), 1).ricevi('?', 0),
                      rigaChi(std::string(c.esempio)));
        }
        if (c.sketch.empty() || c.lettera == 0 || c.testata.empty()) continue;
        const auto e = std::find_if(esperimenti().begin(), esperimenti().end(),
                                    [&](const Esperimento& x) { return x.nome == c.sketch; });
        ASSERT_NE(e, esperimenti().end()) << c.sketch;
        EXPECT_EQ(e->lettera, c.lettera);
        EXPECT_EQ(e->testata, c.testata);
        EXPECT_EQ(e->maschera, c.maschera);
        ++viste;
    }
    EXPECT_GE(viste, 10);
}
