// The time of the analysis over a selection of 1000 readings: statistics,
// each fit and the tangent, as the plot window asks for them.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

#include "analysis/adattamento.h"
#include "analysis/statistiche.h"
#include "analysis/tangente.h"
#include "analysis/testo.h"
#include "bench/misure.h"

namespace {

using lumetto::bench::mediana;
using lumetto::bench::percentile;
using Clock = std::chrono::steady_clock;
using namespace lumetto::analisi;

// Deterministic noise, so that every run times the same work.
class Rumore {
  public:
    double operator()() {
        stato_ = stato_ * 6364136223846793005ULL + 1442695040888963407ULL;
        double u1 = (static_cast<double>(stato_ >> 11) + 0.5) / 9007199254740992.0;
        stato_ = stato_ * 6364136223846793005ULL + 1442695040888963407ULL;
        double u2 = (static_cast<double>(stato_ >> 11) + 0.5) / 9007199254740992.0;
        return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
    }

  private:
    std::uint64_t stato_ = 12345;
};

volatile double pozzo;  // keeps the work from being optimised away

void misura(const char* cosa, const char* obiettivo, const std::function<double()>& lavoro) {
    for (int i = 0; i < 20; ++i)
        pozzo = lavoro();
    std::vector<double> us;
    for (int i = 0; i < 500; ++i) {
        auto t0 = Clock::now();
        pozzo = lavoro();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::printf("%-52s %-14s %.0f us (p95 %.0f us)\n", cosa, obiettivo, mediana(us),
                percentile(us, 0.95));
}

}  // namespace

int main() {
    const std::size_t n = 1000;
    Rumore rumore;
    std::vector<double> x(n), retta(n), curva(n), avanti(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = 0.5 * static_cast<double>(i);  // seconds, a reading every 500 ms
        // A column against another (the X-Y view): forward with steps back.
        avanti[i] = x[i] + 3 * std::sin(static_cast<double>(i));
        retta[i] = 2.5 + 0.73 * x[i] + 0.4 * rumore();
        curva[i] = 23 + 60 * std::exp(-x[i] / 120) + 0.2 * rumore();
    }
    std::printf("%-52s %-14s %s\n", "what (1000 points)", "goal", "median");
    misura("statistics", "-", [&] { return statistiche(x, curva).area; });
    misura("statistics, x back and forth (X-Y view)", "-",
           [&] { return statistiche(avanti, curva).area; });
    misura("linear fit", "< 1 ms",
           [&] { return adatta(Modello::Lineare, x, retta).parametri[0].valore; });
    misura("proportional fit", "-",
           [&] { return adatta(Modello::Proporzionale, x, retta).parametri[0].valore; });
    misura("quadratic fit", "-",
           [&] { return adatta(Modello::Quadratico, x, curva).parametri[0].valore; });
    misura("exponential fit", "< 20 ms",
           [&] { return adatta(Modello::Esponenziale, x, curva).parametri[2].valore; });
    misura("tangent at the middle", "-", [&] { return tangente(x, curva, 250).pendenza; });
    Adattamento esponenziale = adatta(Modello::Esponenziale, x, curva);
    misura("text of an exponential fit", "-",
           [&] { return static_cast<double>(righe(esponenziale, "s").size()); });
    return 0;
}
