// The statistics of a selection, on GSL's two-pass mean and variance.
#include "analysis/statistiche.h"

#include <gsl/gsl_statistics_double.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <vector>

#include "comune.h"

namespace lumetto::analisi {

namespace {

// Trapezoids over x in increasing order; readings at one x count as their
// mean, so that the result does not hang on the order they came in.
double area(const dettaglio::Punti& p) {
    const std::size_t n = p.x.size();
    double area = 0;
    if (std::adjacent_find(p.x.begin(), p.x.end(), std::greater_equal<>()) == p.x.end()) {
        // Strictly increasing, as against time: no copy, no sort.
        for (std::size_t i = 1; i < n; ++i)
            area += 0.5 * (p.y[i] + p.y[i - 1]) * (p.x[i] - p.x[i - 1]);
        return area;
    }
    std::vector<std::size_t> ordine(n);
    std::iota(ordine.begin(), ordine.end(), 0);
    std::sort(ordine.begin(), ordine.end(),
              [&](std::size_t i, std::size_t j) { return p.x[i] < p.x[j]; });
    double xprima = 0, yprima = 0;
    bool primo = true;
    for (std::size_t r = 0; r < n;) {
        // The readings at this x, and their mean.
        const double x = p.x[ordine[r]];
        double somma = 0;
        std::size_t quanti = 0;
        for (; r < n && p.x[ordine[r]] == x; ++r, ++quanti)
            somma += p.y[ordine[r]];
        const double y = somma / static_cast<double>(quanti);
        if (!primo) area += 0.5 * (y + yprima) * (x - xprima);
        primo = false;
        xprima = x;
        yprima = y;
    }
    return area;
}

}  // namespace

Statistiche statistiche(std::span<const double> x, std::span<const double> y) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    dettaglio::senzaabort();
    const dettaglio::Punti p = dettaglio::finiti(x, y);
    Statistiche s;
    s.punti = p.x.size();
    s.scartati = p.scartati;
    if (s.punti == 0) {
        s.minimo = s.massimo = s.media = s.deviazione = nan;
        s.primox = s.ultimox = s.primo = s.ultimo = nan;
        s.deltax = s.deltay = s.pendenza = s.area = nan;
        return s;
    }
    const auto [mn, mx] = std::minmax_element(p.y.begin(), p.y.end());
    s.minimo = *mn;
    s.massimo = *mx;
    // On y divided by a power of two near its largest value, as the fits:
    // squares of readings near 1e-160 underflow, and differences of readings
    // near the largest double overflow.
    const double scala = dettaglio::scaladi(p.y);
    std::vector<double> ridotti(s.punti);
    for (std::size_t i = 0; i < s.punti; ++i)
        ridotti[i] = p.y[i] / scala;
    const double media = gsl_stats_mean(ridotti.data(), 1, s.punti);
    s.media = media * scala;
    s.deviazione = s.punti > 1 ? gsl_stats_sd_m(ridotti.data(), 1, s.punti, media) * scala : nan;
    s.primox = p.x.front();
    s.ultimox = p.x.back();
    s.primo = p.y.front();
    s.ultimo = p.y.back();
    s.deltax = s.ultimox - s.primox;
    s.deltay = s.ultimo - s.primo;
    s.pendenza = s.deltax != 0 ? s.deltay / s.deltax : nan;
    s.area = area(p);
    return s;
}

}  // namespace lumetto::analisi
