// The linear, quadratic and proportional fits against NIST's Statistical
// Reference Datasets for linear regression (public domain, certified values
// to 15 digits, https://www.itl.nist.gov/div898/strd/lls/lls.shtml).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/adattamento.h"

using namespace lumetto::analisi;

namespace {

struct Certificato {
    const char* nome;
    Modello modello;
    std::vector<double> x, y;
    // Parameters in the order the fit gives them (highest power first).
    std::vector<double> parametri, errori;
    double deviazioneresidua, r2;
};

double relativo(double calcolato, double certificato) {
    return std::abs(calcolato - certificato) / std::abs(certificato);
}

const std::vector<double> norrisx = {0.2,   337.4, 118.2, 884.6, 10.1,  226.5, 666.3, 996.3, 448.6,
                                     777.0, 558.2, 0.4,   0.6,   775.5, 666.9, 338.0, 447.5, 11.6,
                                     556.0, 228.1, 995.8, 887.6, 120.2, 0.3,   0.3,   556.8, 339.1,
                                     887.2, 999.0, 779.0, 11.1,  118.3, 229.2, 669.1, 448.9, 0.5};
const std::vector<double> norrisy = {0.1,   338.8, 118.1, 888.0, 9.2,   228.1, 668.5, 998.5, 449.1,
                                     778.9, 559.2, 0.3,   0.1,   778.1, 668.8, 339.3, 448.9, 10.8,
                                     557.7, 228.3, 998.0, 888.8, 119.6, 0.3,   0.6,   557.6, 339.3,
                                     888.0, 998.5, 778.9, 10.2,  117.6, 228.9, 668.4, 449.2, 0.2};

// Pontius: deflection against load, the same 20 loads twice, up to 3,000,000.
std::vector<double> pontiusx() {
    std::vector<double> x;
    for (int giro = 0; giro < 2; ++giro)
        for (int i = 1; i <= 20; ++i)
            x.push_back(150000.0 * i);
    return x;
}
const std::vector<double> pontiusy = {
    .11019,  .21956,  .32949,  .43899,  .54803,  .65694,  .76562,  .87487,  .98292,  1.09146,
    1.20001, 1.30822, 1.41599, 1.52399, 1.63194, 1.73947, 1.84646, 1.95392, 2.06128, 2.16844,
    .11052,  .22018,  .32939,  .43886,  .54798,  .65739,  .76596,  .87474,  .98300,  1.09150,
    1.20004, 1.30818, 1.41613, 1.52408, 1.63159, 1.73965, 1.84696, 1.95445, 2.06177, 2.16829};

const Certificato certificati[] = {
    {"Norris",
     Modello::Lineare,
     norrisx,
     norrisy,
     {1.00211681802045, -0.262323073774029},
     {0.429796848199937E-03, 0.232818234301152},
     0.884796396144373,
     0.999993745883712},
    {"Pontius",
     Modello::Quadratico,
     pontiusx(),
     pontiusy,
     {-0.316081871345029E-14, 0.732059160401003E-06, 0.673565789473684E-03},
     {0.486652849992036E-16, 0.157817399981659E-09, 0.107938612033077E-03},
     0.205177424076185E-03,
     0.999999900178537},
    {"NoInt1",
     Modello::Proporzionale,
     {60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70},
     {130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140},
     {2.07438016528926},
     {0.165289256198347E-01},
     3.56753034006338,
     0.999365492298663},
    {"NoInt2",
     Modello::Proporzionale,
     {4, 5, 6},
     {3, 4, 4},
     {0.727272727272727},
     {0.420827318078432E-01},
     0.369274472937998,
     0.993348115299335},
};

}  // namespace

// Every certified figure to 1e-11 relative: 11 of the 15 significant digits
// NIST gives (GSL's SVD keeps 12 to 15 of them here).
TEST(AnalisiNist, CertifiedValues) {
    constexpr double tolleranza = 1e-11;
    for (const auto& c : certificati) {
        SCOPED_TRACE(c.nome);
        Adattamento a = adatta(c.modello, c.x, c.y);
        ASSERT_TRUE(a.riuscito) << a.errore;
        ASSERT_EQ(a.parametri.size(), c.parametri.size());
        for (std::size_t i = 0; i < c.parametri.size(); ++i) {
            EXPECT_LE(relativo(a.parametri[i].valore, c.parametri[i]), tolleranza)
                << a.parametri[i].nome;
            EXPECT_LE(relativo(a.parametri[i].errore, c.errori[i]), tolleranza)
                << a.parametri[i].nome;
        }
        EXPECT_LE(relativo(a.deviazioneresidua, c.deviazioneresidua), tolleranza);
        EXPECT_LE(relativo(a.r2, c.r2), tolleranza);
        EXPECT_EQ(a.gradi, c.x.size() - c.parametri.size());
        // The curve drawn from the centred form agrees with the plain equation.
        const double xm = c.x[c.x.size() / 2];
        double piano = 0;
        for (const auto& p : a.parametri)
            piano = piano * xm + p.valore;
        if (c.modello == Modello::Proporzionale) piano *= xm;
        EXPECT_NEAR(a.valore(xm), piano, 1e-9 * std::abs(piano));
    }
}

// x in seconds since 1970: a parabola over a few minutes has columns 1, x, x^2
// that agree to 15 digits unless x is centred first.
TEST(AnalisiNist, SecondsSince1970) {
    const double x0 = 1.7e9;
    struct Caso {
        Modello modello;
        double a, b, c;  // y = a t^2 + b t + c, t = x - x0
    } casi[] = {
        {Modello::Lineare, 0, 0.3, 2},
        {Modello::Quadratico, -0.01, 0.3, 2},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(nome(c.modello));
        std::vector<double> x, y;
        for (int i = 0; i < 300; ++i) {
            double t = 0.5 * i;
            x.push_back(x0 + t);
            y.push_back((c.a * t + c.b) * t + c.c);
        }
        Adattamento a = adatta(c.modello, x, y);
        ASSERT_TRUE(a.riuscito) << a.errore;
        for (std::size_t i = 0; i < x.size(); i += 37)
            EXPECT_NEAR(a.valore(x[i]), y[i], 1e-6) << x[i];
        EXPECT_NEAR(a.parametri[0].valore, c.modello == Modello::Lineare ? c.b : c.a, 1e-9);
    }
}
