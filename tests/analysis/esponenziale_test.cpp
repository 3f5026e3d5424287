// The exponential fit recovers known curves through noise, rising and
// falling, at any offset of x, and refuses what is not an exponential.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "analysis/adattamento.h"

using namespace lumetto::analisi;

namespace {

// Gaussian noise from a 64-bit LCG and Box-Muller: the same numbers on every
// library, which std::normal_distribution does not promise.
class Rumore {
  public:
    explicit Rumore(std::uint64_t seme) : stato_(seme) {}
    double operator()() {
        double u1 = uniforme(), u2 = uniforme();
        return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
    }

  private:
    double uniforme() {
        stato_ = stato_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return (static_cast<double>(stato_ >> 11) + 0.5) / 9007199254740992.0;
    }
    std::uint64_t stato_;
};

struct Curva {
    const char* nome;
    double C, A, tau;
    double xinizio, passo;
    int punti;
    double sigma;
};

}  // namespace

TEST(AnalisiEsponenziale, RecoversKnownCurves) {
    const Curva curve[] = {
        {"cooling, seconds", 23.0, 60.0, 40.0, 0.0, 1.0, 200, 0.2},
        {"heating, rising", 80.0, -55.0, 25.0, 0.0, 0.5, 300, 0.3},
        {"capacitor charge, 10 ms", 5.0, -5.0, 0.01, 0.0, 1e-4, 500, 0.01},
        {"seconds since 1970", 20.0, 15.0, 300.0, 1.7e9, 2.0, 400, 0.1},
        {"a dozen readings", 10.0, 5.0, 3.0, 1.0, 1.0, 12, 0.05},
        {"large values, small change", 1e6, 2.0, 50.0, 0.0, 1.0, 300, 0.02},
    };
    Rumore rumore(20240611);
    for (const auto& c : curve) {
        SCOPED_TRACE(c.nome);
        std::vector<double> x, y;
        for (int i = 0; i < c.punti; ++i) {
            double xi = c.xinizio + c.passo * i;
            x.push_back(xi);
            y.push_back(c.C + c.A * std::exp(-(xi - c.xinizio) / c.tau) + c.sigma * rumore());
        }
        Adattamento a = adatta(Modello::Esponenziale, x, y);
        ASSERT_TRUE(a.riuscito) << a.errore;
        EXPECT_EQ(a.x0, c.xinizio);
        const double veri[] = {c.C, c.A, c.tau};
        for (int i = 0; i < 3; ++i) {
            const auto& p = a.parametri[static_cast<std::size_t>(i)];
            EXPECT_LE(std::abs(p.valore - veri[i]), 3 * p.errore)
                << p.nome << " = " << p.valore << " ± " << p.errore;
        }
        EXPECT_NEAR(a.deviazioneresidua, c.sigma, 0.3 * c.sigma);
        EXPECT_NEAR(a.valore(c.xinizio), c.C + c.A, 5 * c.sigma);
    }
}

// The first heating of the virtual board's thermostat, 60 readings: a gentle
// curve whose integral form already gives the minimum, where GSL's driver
// finds no step to take and says "too many iterations". SciPy's curve_fit
// gives tau = 1186.1 +- 603.2 readings.
TEST(AnalisiEsponenziale, AGentleHeatingFromItsOwnStart) {
    const std::vector<double> y = {
        18.52, 18.56, 18.59, 18.63, 18.66, 18.68, 18.73, 18.77, 18.79, 18.83, 18.86, 18.89,
        18.92, 18.94, 18.98, 19.03, 19.06, 19.09, 19.14, 19.15, 19.20, 19.24, 19.27, 19.31,
        19.36, 19.40, 19.44, 19.45, 19.47, 19.49, 19.51, 19.52, 19.57, 19.62, 19.66, 19.71,
        19.74, 19.76, 19.80, 19.83, 19.87, 19.90, 19.94, 19.98, 19.99, 20.02, 20.06, 20.08,
        20.10, 20.15, 20.18, 20.22, 20.27, 20.31, 20.33, 20.37, 20.40, 20.41, 20.45, 20.48};
    std::vector<double> x;
    for (std::size_t i = 0; i < y.size(); ++i)
        x.push_back(static_cast<double>(i + 1));
    Adattamento a = adatta(Modello::Esponenziale, x, y);
    ASSERT_TRUE(a.riuscito) << a.errore;
    EXPECT_NEAR(a.parametri[2].valore, 1186.1, 12);
    EXPECT_NEAR(a.parametri[2].errore, 603.2, 6);
}

TEST(AnalisiEsponenziale, SaysWhatItCannotFit) {
    std::vector<double> dieci, piatta, retta, crescita, salto, salita, lenta, rumore;
    for (int i = 0; i < 10; ++i) {
        dieci.push_back(i);
        piatta.push_back(21.5);
        retta.push_back(3.0 + 0.5 * i);
        crescita.push_back(std::exp(i / 2.0));                       // tau would be negative
        salto.push_back(i < 5 ? 20 : 30);                            // a lamp switched on
        salita.push_back(20 + 0.05 * i + 0.02 * ((i * 7) % 5 - 2));  // a slow rise, noisy
        lenta.push_back(20 + 5 * (1 - std::exp(-i / 2000.0)));       // tau 200 times the range
        rumore.push_back(20 + 0.02 * ((i * 7) % 5 - 2));
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> due = {0, 1}, duey = {5, 3};
    const std::vector<double> buchix = {0, 1, 2, 3, 4}, buchiy = {nan, 5, nan, 3, nan};
    const std::vector<double> stessix = {2, 2, 2, 2, 2}, stessiy = {1, 2, 3, 4, 5};
    struct Caso {
        const char* nome;
        const std::vector<double>& x;
        const std::vector<double>& y;
        const char* errore;
    } casi[] = {
        {"two points", due, duey,
         "troppo pochi punti: l'adattamento esponenziale ne richiede almeno 4"},
        {"two points among missing ones", buchix, buchiy,
         "troppo pochi punti: l'adattamento esponenziale ne richiede almeno 4"},
        {"one x", stessix, stessiy,
         "l'adattamento esponenziale richiede almeno 3 valori diversi di x"},
        {"flat line", dieci, piatta,
         "i valori di y sono tutti uguali: non c'è un andamento esponenziale"},
        {"straight line", dieci, retta,
         "i punti seguono una retta, non una curva che si avvicina a un valore finale: prova "
         "l'adattamento lineare"},
        {"slow noisy rise", dieci, salita,
         "i punti seguono una retta, non una curva che si avvicina a un valore finale: prova "
         "l'adattamento lineare"},
        {"a step", dieci, salto,
         "i dati fanno un salto improvviso, non una curva: per l'adattamento esponenziale "
         "scegli il tratto dopo il salto"},
        {"barely bending", dieci, lenta,
         "nel tratto scelto la curva si piega appena: il valore finale è ancora lontano, "
         "scegli un tratto più lungo o prova l'adattamento lineare"},
        {"noise alone", dieci, rumore,
         "nei dati non si vede un andamento esponenziale: la costante di tempo non è "
         "determinata"},
        {"growing exponential", dieci, crescita,
         "l'adattamento esponenziale non dà una costante di tempo positiva: i dati non si "
         "avvicinano a un valore finale"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        Adattamento a = adatta(Modello::Esponenziale, c.x, c.y);
        EXPECT_FALSE(a.riuscito);
        EXPECT_EQ(a.errore, c.errore);
        EXPECT_TRUE(std::isnan(a.valore(1.0)));
    }
}

TEST(AnalisiAdattamento, SaysWhatItCannotFit) {
    const std::vector<double> tre = {1, 2, 3}, y3 = {2, 4, 7};
    const std::vector<double> stessix = {4, 4, 4, 4}, y4 = {1, 2, 3, 4};
    const std::vector<double> zeri = {0, 0, 0}, uno = {1}, y1 = {5};
    const std::vector<double> duex = {1, 1, 2, 2}, duey = {1, 2, 3, 4};
    struct Caso {
        Modello modello;
        const std::vector<double>& x;
        const std::vector<double>& y;
        const char* errore;
    } casi[] = {
        {Modello::Quadratico, tre, y3,
         "troppo pochi punti: l'adattamento quadratico ne richiede almeno 4"},
        {Modello::Lineare, uno, y1,
         "troppo pochi punti: l'adattamento lineare ne richiede almeno 3"},
        {Modello::Lineare, stessix, y4,
         "l'adattamento lineare richiede almeno 2 valori diversi di x"},
        {Modello::Quadratico, duex, duey,
         "l'adattamento quadratico richiede almeno 3 valori diversi di x"},
        {Modello::Proporzionale, zeri, y3,
         "tutti i valori di x sono nulli: la pendenza non è determinata"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(std::string(nome(c.modello)) + " " + c.errore);
        Adattamento a = adatta(c.modello, c.x, c.y);
        EXPECT_FALSE(a.riuscito);
        EXPECT_EQ(a.errore, c.errore);
    }
}
