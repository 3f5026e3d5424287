// The tangent at a point from a local parabola centred on it, whose linear
// coefficient is the slope and whose covariance gives its error directly;
// the error also carries the parabola's own bias on a curve that bends
// more than a parabola, estimated from a cubic over a wider window.
#include "analysis/tangente.h"

#include <algorithm>
#include <cmath>

#include "comune.h"

namespace lumetto::analisi {

namespace {

// The points whose x is one of the `quanti` distinct values nearest xt
// (valori sorted, vicino the index of xt in it): repeated readings of one x
// all come in, so a quantised sensor still gives a window that varies in x.
void finestra(const dettaglio::Punti& p, const std::vector<double>& valori, std::size_t vicino,
              std::size_t quanti, std::vector<double>& fx, std::vector<double>& fy) {
    const double xt = valori[vicino];
    std::size_t da = vicino, a = vicino;
    while (a - da + 1 < quanti) {
        // On a tie the smaller x, so that the window does not depend on the
        // order of the readings.
        if (a + 1 == valori.size() || (da > 0 && xt - valori[da - 1] <= valori[a + 1] - xt))
            --da;
        else
            ++a;
    }
    fx.clear();
    fy.clear();
    for (std::size_t i = 0; i < p.x.size(); ++i)
        if (p.x[i] >= valori[da] && p.x[i] <= valori[a]) {
            fx.push_back(p.x[i]);
            fy.push_back(p.y[i]);
        }
}

}  // namespace

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
    std::vector<double> valori = p.x;
    std::sort(valori.begin(), valori.end());
    valori.erase(std::unique(valori.begin(), valori.end()), valori.end());
    if (valori.size() < 3) {
        t.errore = "la tangente richiede almeno 3 valori diversi di x";
        return t;
    }
    std::size_t vicino = static_cast<std::size_t>(
        std::lower_bound(valori.begin(), valori.end(), x0) - valori.begin());
    if (vicino == valori.size() || (vicino > 0 && x0 - valori[vicino - 1] <= valori[vicino] - x0))
        --vicino;
    const double xt = valori[vicino];

    const std::size_t k = std::clamp<std::size_t>(valori.size() / 40, 2, 10);
    const std::size_t m = std::min(2 * k + 1, valori.size());
    std::vector<double> fx, fy;
    finestra(p, valori, vicino, m, fx, fy);
    t.x = xt;
    t.punti = fx.size();
    t.valorix = m;
    dettaglio::Soluzione s;
    if (!dettaglio::polinomio(fx, fy, 2, xt, s)) {
        t.errore = "il calcolo della tangente non è riuscito";
        return t;
    }
    t.y = s.p[0] * s.scala;
    t.pendenza = s.p[1] * s.scala;
    t.risoluzione = dettaglio::kArrotondamento * dettaglio::massimo(fy) *
                    std::sqrt(std::max(0.0, s.inversa[1 * 3 + 1]));

    // A parabola's slope is off by g d on a curve with a cubic term d t^3,
    // g the slope of t^3 as the same parabola would fit it. d comes from a
    // cubic over twice the window, where it is known far better than over
    // the window itself (on noise alone it would double the error); what of
    // g d is that estimate's own noise is taken out of it.
    double distorsione = 0;
    std::vector<double> lx, ly;
    finestra(p, valori, vicino, std::min(4 * k + 1, valori.size()), lx, ly);
    dettaglio::Soluzione cubica, g;
    std::vector<double> cubi(fx.size());
    for (std::size_t i = 0; i < fx.size(); ++i)
        cubi[i] = (fx[i] - xt) * (fx[i] - xt) * (fx[i] - xt);
    if (dettaglio::polinomio(lx, ly, 3, xt, cubica) && dettaglio::polinomio(fx, cubi, 2, xt, g)) {
        const double pendenzacubo = g.p[1] * g.scala;
        const double d = cubica.p[3] * cubica.scala / s.scala;  // in the parabola's units
        const double vard =
            cubica.cov[3 * 4 + 3] * (cubica.scala / s.scala) * (cubica.scala / s.scala);
        distorsione = std::max(0.0, pendenzacubo * pendenzacubo * (d * d - vard));
    }
    t.errore_pendenza = std::sqrt(std::max(0.0, s.cov[1 * 3 + 1]) + distorsione) * s.scala;
    t.riuscita = true;
    return t;
}

}  // namespace lumetto::analisi
