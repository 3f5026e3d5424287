// Numbers with the digits their error justifies, and the panel's lines.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "analysis/testo.h"

using namespace lumetto::analisi;

TEST(AnalisiTesto, ValueWithError) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double massimo = std::numeric_limits<double>::max();
    const double minimo = std::numeric_limits<double>::denorm_min();
    struct Caso {
        double valore, errore;
        const char* testo;
        double risoluzione = 0;
    } casi[] = {
        {12.3456, 0.0234, "12,346 ± 0,023"},
        {41.23, 0.6, "41,23 ± 0,60"},
        {0.0996, 0.0004, "0,09960 ± 0,00040"},
        {1.2345, 0.0996, "1,23 ± 0,10"},        // the error rounds up to a new power of ten
        {9.99996, 0.0023, "10,0000 ± 0,0023"},  // so does the value
        {-3.14159, 0.0021, "-3,1416 ± 0,0021"},
        {-0.00004, 0.5, "0,00 ± 0,50"},  // no "-0,00"
        {123456, 1234, "123500 ± 1200"},
        {2.5, 7, "2,5 ± 7,0"},
        {12.5, 0, "12,5 ± 0"},
        {12.5, nan, "12,5"},
        {12.5, -1, "12,5"},
        {nan, 1, "non calcolabile"},
        {-3.16081871345029e-15, 4.86652849992036e-17, "(-3,161 ± 0,049)·10⁻¹⁵"},
        {6.02214076e23, 1.2e20, "(6,0221 ± 0,0012)·10²³"},
        {9.999996e-5, 2.3e-9, "(1,000000 ± 0,000023)·10⁻⁴"},
        {0.0004, 0.3, "0,00 ± 0,30"},
        {999999.7, 0.5, "999999,70 ± 0,50"},
        // No more than the 15 digits a double holds: an error below the
        // last of them is none, and the value loses its rounding noise.
        {21.499999999999986, 1.1e-14, "21,5 ± 0"},
        {123456.7890123456746, 1.0e-12, "123456,789012346 ± 0"},
        {123456.7890123456746, 2.0e-9, "123456,789012346 ± 0,000000002"},
        {1, 1e-310, "1 ± 0"},
        {1e300, 1e-300, "1·10³⁰⁰ ± 0"},
        {1e-300, 1e-310, "(1,00000000000 ± 0,00000000010)·10⁻³⁰⁰"},
        {massimo, 1e305, "(1,7977 ± 0,0010)·10³⁰⁸"},
        {massimo, massimo, "(1,8 ± 1,8)·10³⁰⁸"},  // rounds past the largest double
        {-massimo, 0, "-1,79769313486232·10³⁰⁸ ± 0"},
        {0, 0, "0 ± 0"},
        {minimo, minimo, "(4,9 ± 4,9)·10⁻³²⁴"},
        {inf, 1, "fuori scala (oltre 10³⁰⁸)"},
        {-inf, 1, "fuori scala (sotto -10³⁰⁸)"},
        {1.5, inf, "1,5 ± fuori scala (oltre 10³⁰⁸)"},
        // Digits below the resolution (the rounding of the readings carried
        // to the parameter) are the arithmetic's: the flat selection's slope.
        {2.1e-15, 3.5e-15, "0 ± 0", 1.8e-14},
        {1.9999999999999984, 1.4e-15, "2 ± 0", 7e-15},
        {2.4637, 0.0123, "2,464 ± 0,012", 1e-15},
    };
    for (const auto& c : casi)
        EXPECT_EQ(testonumero(c.valore, c.errore, c.risoluzione), c.testo)
            << c.valore << " ± " << c.errore << " (" << c.risoluzione << ")";
}

TEST(AnalisiTesto, PlainValue) {
    struct Caso {
        double valore;
        const char* testo;
    } casi[] = {
        {449.17777777, "449,178"},
        {0.1, "0,1"},
        {2.5e-7, "2,5·10⁻⁷"},
        {1234567, "1,23457·10⁶"},
        {-0.0, "0"},
        {1000, "1000"},
        {-12.75, "-12,75"},
        {1.0 / 3, "0,333333"},
        {std::numeric_limits<double>::max(), "1,79769·10³⁰⁸"},
        {std::numeric_limits<double>::denorm_min(), "4,94066·10⁻³²⁴"},
        {std::numeric_limits<double>::quiet_NaN(), "non calcolabile"},
    };
    for (const auto& c : casi)
        EXPECT_EQ(testonumero(c.valore), c.testo) << c.valore;
}

TEST(AnalisiTesto, FitLines) {
    Adattamento a;
    a.modello = Modello::Esponenziale;
    a.riuscito = true;
    a.parametri = {{"C", 23.4137, 0.0512}, {"A", 60.02, 0.31}, {"τ", 41.23, 0.57}};
    a.x0 = 12;
    a.r2 = 0.99873;
    a.deviazioneresidua = 0.2013;
    a.punti = 200;
    a.gradi = 197;
    a.scartati = 2;
    const std::vector<std::string> attese = {
        "Adattamento esponenziale: y = C + A·e^(−(x − x₀)/τ)",
        "C = 23,414 ± 0,051",
        "A = 60,02 ± 0,31",
        "τ = 41,23 ± 0,57 s",
        "x₀ = 12 s (inizio della selezione)",
        "R² = 0,9987",
        "Deviazione standard dei residui: 0,201",
        "Punti: 200, gradi di libertà: 197 (2 senza valore, esclusi)",
    };
    EXPECT_EQ(righe(a, "s"), attese);
    a.r2 = 0.999999900178537;
    EXPECT_EQ(righe(a)[5], "R² = 0,99999990");
    a.r2 = 1 - 1e-13;  // not 1,000000000000
    EXPECT_EQ(righe(a)[5], "R² = 0,99999999999990");
    a.r2 = 1 - 2e-16;  // closer to 1 than 15 decimals show
    EXPECT_EQ(righe(a)[5], "R² > 0,99999999999999");
    a.riuscito = false;
    a.errore = "l'adattamento esponenziale non converge";
    EXPECT_EQ(righe(a),
              (std::vector<std::string>{"Adattamento esponenziale: y = C + A·e^(−(x − x₀)/τ)",
                                        "Non riuscito: l'adattamento esponenziale non converge"}));
}

// Fits at the edges of what a double holds, as the panel shows them.
TEST(AnalisiTesto, EdgeFitsAsShown) {
    const std::vector<double> sei = {0, 1, 2, 3, 4, 5}, piatta(6, 21.5);
    std::vector<double> decimi, retta;
    for (int i = 0; i < 10; ++i) {
        decimi.push_back(i * 0.1);  // 0.1 is not a double: y = 2x + 1 rounds
        retta.push_back(2 * decimi.back() + 1);
    }
    // Readings of the order of 1e-160: their squares underflow.
    const std::vector<double> minuscole = {1e-160,   3.1e-160, 4.9e-160,
                                           7.2e-160, 8.8e-160, 11.1e-160};
    struct Caso {
        const char* nome;
        Modello modello;
        const std::vector<double>& x;
        const std::vector<double>& y;
        std::vector<std::string> attese;
    } casi[] = {
        {"six equal readings",
         Modello::Lineare,
         sei,
         piatta,
         {"Adattamento lineare: y = m·x + q", "m = 0 ± 0 °C/s", "q = 21,5 ± 0 °C",
          "R² non calcolabile: i valori di y sono tutti uguali",
          "Deviazione standard dei residui: 0 (i punti stanno esattamente sulla retta)",
          "Punti: 6, gradi di libertà: 4"}},
        {"an exact line",
         Modello::Lineare,
         decimi,
         retta,
         {"Adattamento lineare: y = m·x + q", "m = 2 ± 0 °C/s", "q = 1 ± 0 °C", "R² = 1",
          "Deviazione standard dei residui: 0 (i punti stanno esattamente sulla retta)",
          "Punti: 10, gradi di libertà: 8"}},
        {"y about 1e-160",
         Modello::Lineare,
         sei,
         minuscole,
         {"Adattamento lineare: y = m·x + q", "m = (1,997 ± 0,039)·10⁻¹⁶⁰ °C/s",
          "q = (1,02 ± 0,12)·10⁻¹⁶⁰ °C", "R² = 0,9985",
          "Deviazione standard dei residui: 1,64·10⁻¹⁶¹ °C", "Punti: 6, gradi di libertà: 4"}},
        {"y about 1e-160, parabola",
         Modello::Quadratico,
         sei,
         minuscole,
         {"Adattamento quadratico: y = a·x² + b·x + c", "a = (0,4 ± 3,1)·10⁻¹⁶² °C/s²",
          "b = (1,98 ± 0,16)·10⁻¹⁶⁰ °C/s", "c = (1,04 ± 0,17)·10⁻¹⁶⁰ °C", "R² = 0,9985",
          "Deviazione standard dei residui: 1,89·10⁻¹⁶¹ °C", "Punti: 6, gradi di libertà: 3"}},
        {"y about 1e-160, through the origin",
         Modello::Proporzionale,
         sei,
         minuscole,
         {"Adattamento proporzionale: y = m·x", "m = (2,276 ± 0,088)·10⁻¹⁶⁰ °C/s", "R² = 0,9927",
          "Deviazione standard dei residui: 6,5·10⁻¹⁶¹ °C", "Punti: 6, gradi di libertà: 5"}},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        EXPECT_EQ(righe(adatta(c.modello, c.x, c.y), "s", "°C"), c.attese);
    }
}
