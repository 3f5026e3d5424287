// Numbers with the digits their error justifies, and the panel's lines.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "analisi/testo.h"

using namespace lumetto::analisi;

TEST(AnalisiTesto, ValueWithError) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Caso {
        double valore, errore;
        const char* testo;
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
        {nan, 1, "—"},
        {-3.16081871345029e-15, 4.86652849992036e-17, "(-3,161 ± 0,049)·10⁻¹⁵"},
        {6.02214076e23, 1.2e20, "(6,0221 ± 0,0012)·10²³"},
        {9.999996e-5, 2.3e-9, "(1,000000 ± 0,000023)·10⁻⁴"},
        {0.0004, 0.3, "0,00 ± 0,30"},
        {999999.7, 0.5, "999999,70 ± 0,50"},
    };
    for (const auto& c : casi)
        EXPECT_EQ(testonumero(c.valore, c.errore), c.testo) << c.valore << " ± " << c.errore;
}

TEST(AnalisiTesto, PlainValue) {
    struct Caso {
        double valore;
        const char* testo;
    } casi[] = {
        {449.17777777, "449,178"}, {0.1, "0,1"},          {2.5e-7, "2,5·10⁻⁷"},
        {1234567, "1,23457·10⁶"},  {-0.0, "0"},           {1000, "1000"},
        {-12.75, "-12,75"},        {1.0 / 3, "0,333333"},
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
    a.riuscito = false;
    a.errore = "l'adattamento esponenziale non converge";
    EXPECT_EQ(righe(a),
              (std::vector<std::string>{"Adattamento esponenziale: y = C + A·e^(−(x − x₀)/τ)",
                                        "Non riuscito: l'adattamento esponenziale non converge"}));
}
