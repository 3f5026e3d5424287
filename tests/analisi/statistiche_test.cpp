// The statistics of a selection and the tangent at a point, on curves whose
// answers can be checked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analisi/statistiche.h"
#include "analisi/tangente.h"

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
        // x back where it started: no mean slope, and the way back subtracts.
        {"x back to its start", {1, 2, 1}, {2, 4, 6}, 3, 0, 2, 6, 4, 2, 0, 4, indefinito, -2},
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
    std::vector<double> x, parabola, retta, seno;
    for (int i = 0; i <= 100; ++i) {
        x.push_back(i);
        parabola.push_back(i * i);
        retta.push_back(3.0 * i + 1);
        seno.push_back(std::sin(i / 20.0));
    }
    struct Caso {
        const char* nome;
        const std::vector<double>& y;
        double x0, xpunto, pendenza, tolleranza;
    } casi[] = {
        {"parabola, middle", parabola, 50.3, 50, 100, 1e-9},
        {"parabola, first point", parabola, -7, 0, 0, 1e-9},
        {"parabola, last point", parabola, 100, 100, 200, 1e-9},
        {"line", retta, 20, 20, 3, 1e-9},
        {"sine at its top", seno, 31.4, 31, std::cos(31 / 20.0) / 20, 5e-6},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        Tangente t = tangente(x, c.y, c.x0);
        ASSERT_TRUE(t.riuscita) << t.errore;
        EXPECT_EQ(t.x, c.xpunto);
        EXPECT_NEAR(t.pendenza, c.pendenza, c.tolleranza);
        EXPECT_EQ(t.punti, 5u);  // 101 points: k = 2
        EXPECT_NEAR(t.valore(c.xpunto), c.y[static_cast<std::size_t>(c.xpunto)], 1e-6);
    }
    const std::vector<double> tre = {0, 1, 2};
    Tangente poche = tangente(tre, tre, 1);
    EXPECT_FALSE(poche.riuscita);
    EXPECT_EQ(poche.errore, "troppo pochi punti: la tangente ne richiede almeno 4");
}
