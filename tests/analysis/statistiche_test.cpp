// The statistics of a selection and the tangent at a point, on curves whose
// answers can be checked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/statistiche.h"
#include "analysis/tangente.h"

using namespace lumetto::analisi;

namespace {
const double indefinito = std::numeric_limits<double>::quiet_NaN();

// NaN where NaN is meant.
void uguale(double calcolato, double atteso, const char* cosa) {
    if (std::isnan(atteso))
        EXPECT_TRUE(std::isnan(calcolato)) << cosa << " = " << calcolato;
    else
        EXPECT_NEAR(calcolato, atteso, 1e-12 * std::max(1.0, std::abs(atteso))) << cosa;
}
}  // namespace

TEST(AnalisiStatistiche, HandCheckedSelections) {
    struct Caso {
        const char* nome;
        std::vector<double> x, y;
        std::size_t punti, scartati;
        double minimo, massimo, media, deviazione, deltax, deltay, pendenza, area;
    } casi[] = {
        {"five readings",
         {0, 1, 2, 3, 4},
         {1, 3, 2, 5, 4},
         5,
         0,
         1,
         5,
         3,
         std::sqrt(2.5),
         4,
         3,
         0.75,
         12.5},
        {"one point", {2}, {7}, 1, 0, 7, 7, 7, indefinito, 0, 0, indefinito, 0},
        {"no point",
         {},
         {},
         0,
         0,
         indefinito,
         indefinito,
         indefinito,
         indefinito,
         indefinito,
         indefinito,
         indefinito,
         indefinito},
        // x back where it started (the X-Y view): no mean slope; the area is
        // under the curve over x, the two readings at x = 1 as their mean,
        // not along the way there and back.
        {"x back to its start", {1, 2, 1}, {2, 4, 6}, 3, 0, 2, 6, 4, 2, 0, 4, indefinito, 4},
        {"there and back",
         {0, 1, 2, 3, 2, 1, 0},
         {1, 2, 3, 4, 3, 2, 1},
         7,
         0,
         1,
         4,
         16.0 / 7,
         std::sqrt(26.0 / 21),
         0,
         0,
         indefinito,
         7.5},
        // A reading that did not come: left out, its gap bridged by one trapezoid.
        {"a missing reading",
         {0, 1, 2, 3},
         {1, indefinito, 3, 5},
         3,
         1,
         1,
         5,
         3,
         2,
         3,
         4,
         4.0 / 3,
         8},
        {"a missing x", {0, indefinito, 2}, {1, 9, 3}, 2, 1, 1, 3, 2, std::sqrt(2.0), 2, 2, 1, 4},
        // Spread far below the size of the values: a one-pass sum of squares
        // loses it all.
        {"large values",
         {0, 1, 2},
         {1e9 + 1, 1e9 + 2, 1e9 + 3},
         3,
         0,
         1e9 + 1,
         1e9 + 3,
         1e9 + 2,
         1,
         2,
         2,
         1,
         2e9 + 4},
        // Differences near the largest double overflow unless y is scaled.
        {"near the largest double",
         {0, 1, 2},
         {1e308, -1e308, 1e308},
         3,
         0,
         -1e308,
         1e308,
         1e308 / 3,
         1e308 * (2 / std::sqrt(3.0)),
         2,
         0,
         0,
         0},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        Statistiche s = statistiche(c.x, c.y);
        EXPECT_EQ(s.punti, c.punti);
        EXPECT_EQ(s.scartati, c.scartati);
        uguale(s.minimo, c.minimo, "minimo");
        uguale(s.massimo, c.massimo, "massimo");
        uguale(s.media, c.media, "media");
        uguale(s.deviazione, c.deviazione, "deviazione");
        uguale(s.deltax, c.deltax, "deltax");
        uguale(s.deltay, c.deltay, "deltay");
        uguale(s.pendenza, c.pendenza, "pendenza");
        uguale(s.area, c.area, "area");
    }
}

TEST(AnalisiTangente, SlopeAtAPoint) {
    std::vector<double> x, parabola, retta, seno, cubo, quantizzata, suquantizzata;
    for (int i = 0; i <= 100; ++i) {
        x.push_back(i);
        parabola.push_back(i * i);
        retta.push_back(3.0 * i + 1);
        seno.push_back(std::sin(i / 20.0));
        cubo.push_back(static_cast<double>(i) * i * i);
    }
    // A quantised sensor: every x read three times over.
    for (int i = 0; i < 300; ++i) {
        quantizzata.push_back(i / 3);
        suquantizzata.push_back(static_cast<double>(i / 3) * (i / 3) + 0.1 * (i % 3 - 1));
    }
    // Within the slope's own stated error, rather than a fixed tolerance.
    constexpr double suoerrore = -1;
    struct Caso {
        const char* nome;
        const std::vector<double>& x;
        const std::vector<double>& y;
        double x0, xpunto, pendenza, tolleranza;
        std::size_t punti;
    } casi[] = {
        {"parabola, middle", x, parabola, 50.3, 50, 100, 1e-9, 5},
        {"parabola, first point", x, parabola, -7, 0, 0, 1e-9, 5},
        {"parabola, last point", x, parabola, 100, 100, 200, 1e-9, 5},
        {"line", x, retta, 20, 20, 3, 1e-9, 5},
        {"sine at its top", x, seno, 31.4, 31, std::cos(31 / 20.0) / 20, 5e-6, 5},
        // A parabola over x = 0..4 gives 15.4 for 12: the cubic term's bias
        // is in the error.
        {"cubic, bending more than a parabola", x, cubo, 2, 2, 12, suoerrore, 5},
        {"a quantised sensor", quantizzata, suquantizzata, 10.2, 10, 20, 1e-9, 15},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        Tangente t = tangente(c.x, c.y, c.x0);
        ASSERT_TRUE(t.riuscita) << t.errore;
        EXPECT_EQ(t.x, c.xpunto);
        if (c.tolleranza == suoerrore)
            EXPECT_LE(std::abs(t.pendenza - c.pendenza), t.errore_pendenza)
                << t.pendenza << " ± " << t.errore_pendenza;
        else
            EXPECT_NEAR(t.pendenza, c.pendenza, c.tolleranza);
        EXPECT_EQ(t.punti, c.punti);  // 101 distinct x: k = 2
        // Through the curve's point, the mean of its readings there.
        double somma = 0, quanti = 0;
        for (std::size_t i = 0; i < c.x.size(); ++i)
            if (c.x[i] == c.xpunto) {
                somma += c.y[i];
                ++quanti;
            }
        EXPECT_NEAR(t.valore(c.xpunto), somma / quanti, 1e-6);
    }
    const std::vector<double> tre = {0, 1, 2};
    Tangente poche = tangente(tre, tre, 1);
    EXPECT_FALSE(poche.riuscita);
    EXPECT_EQ(poche.errore, "troppo pochi punti: la tangente ne richiede almeno 4");
}
