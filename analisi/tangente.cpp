// The tangent at a point from a local parabola centred on it, whose linear
// coefficient is the slope and whose covariance gives its error directly.
#include "analisi/tangente.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "comune.h"

namespace lumetto::analisi {

Tangente tangente(std::span<const double> x, std::span<const double> y, double x0) {
    dettaglio::senzaabort();
    const dettaglio::Punti p = dettaglio::finiti(x, y);
    Tangente t;
    const std::size_t n = p.x.size();
    if (n < 4) {
        t.errore = "troppo pochi punti: la tangente ne richiede almeno 4";
        return t;
    }
    if (!std::isfinite(x0)) {
        t.errore = "il punto della tangente non è un numero";
        return t;
    }
    std::size_t vicino = 0;
    for (std::size_t i = 1; i < n; ++i)
        if (std::abs(p.x[i] - x0) < std::abs(p.x[vicino] - x0)) vicino = i;
    const double xt = p.x[vicino];

    const std::size_t k = std::clamp<std::size_t>(n / 40, 2, 10);
    const std::size_t m = std::min(2 * k + 1, n);
    std::vector<std::size_t> ordine(n);
    std::iota(ordine.begin(), ordine.end(), 0);
    std::nth_element(ordine.begin(), ordine.begin() + static_cast<std::ptrdiff_t>(m - 1),
                     ordine.end(), [&](std::size_t i, std::size_t j) {
                         return std::abs(p.x[i] - xt) < std::abs(p.x[j] - xt);
                     });
    std::vector<double> fx(m), fy(m);
    for (std::size_t r = 0; r < m; ++r) {
        fx[r] = p.x[ordine[r]];
        fy[r] = p.y[ordine[r]];
    }
    t.x = xt;
    t.punti = m;
    if (dettaglio::distinti(fx, 3) < 3) {
        t.errore = "la tangente richiede almeno 3 valori diversi di x vicino al punto";
        return t;
    }
    dettaglio::Soluzione s;
    if (!dettaglio::polinomio(fx, fy, 2, xt, s)) {
        t.errore = "il calcolo della tangente non è riuscito";
        return t;
    }
    t.y = s.p[0] * s.scala;
    t.pendenza = s.p[1] * s.scala;
    t.errore_pendenza = std::sqrt(std::max(0.0, s.cov[1 * 3 + 1])) * s.scala;
    t.riuscita = true;
    return t;
}

}  // namespace lumetto::analisi
