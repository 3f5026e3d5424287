// The linear, proportional and quadratic fits on GSL's linear least squares,
// and what every fit shares: its checks, R^2 and the curve it draws.
#include "analysis/adattamento.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_fit.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "comune.h"

namespace lumetto::analisi {

using namespace dettaglio;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Sum of squares about the mean: the total that R^2 compares against. Zero
// when y does not vary at all, whatever the rounding of its mean.
double sst(const std::vector<double>& y) {
    if (std::all_of(y.begin(), y.end(), [&](double e) { return e == y.front(); })) return 0;
    const double m = media(y);
    double s = 0;
    for (double e : y)
        s += (e - m) * (e - m);
    return s;
}

double binomiale(std::size_t n, std::size_t k) {
    double b = 1;
    for (std::size_t i = 1; i <= k; ++i)
        b = b * static_cast<double>(n - k + i) / static_cast<double>(i);
    return b;
}

// The polynomial fits: centred least squares on y scaled to order one, then
// the coefficients of the plain powers of x and their covariance by the
// exact linear map between the two forms, p = T pc and cov = T covc T'. The
// standard errors are taken in the scaled units and only then multiplied
// back, so that they exist for y of 1e-160 as for y of 1.
void polinomiale(Adattamento& a, const Punti& punti, int grado) {
    const std::size_t p = static_cast<std::size_t>(grado) + 1;
    const double c = media(punti.x);
    Soluzione s;
    if (!polinomio(punti.x, punti.y, grado, c, s)) {
        a.errore =
            "il calcolo dell'adattamento " + std::string(nome(a.modello)) + " non è riuscito";
        return;
    }
    // (x - c)^j = sum_k C(j,k) (-c)^(j-k) x^k
    std::vector<double> T(p * p, 0.0);
    for (std::size_t k = 0; k < p; ++k)
        for (std::size_t j = k; j < p; ++j)
            T[k * p + j] = binomiale(j, k) * std::pow(-c, static_cast<double>(j - k));
    std::vector<double> piano(p, 0.0), cov(p * p, 0.0), inversa(p * p, 0.0);
    for (std::size_t k = 0; k < p; ++k)
        for (std::size_t j = 0; j < p; ++j)
            piano[k] += T[k * p + j] * s.p[j];
    for (std::size_t i = 0; i < p; ++i)
        for (std::size_t l = 0; l < p; ++l) {
            double v = 0, w = 0;
            for (std::size_t j = 0; j < p; ++j)
                for (std::size_t k = 0; k < p; ++k) {
                    v += T[i * p + j] * s.cov[j * p + k] * T[l * p + k];
                    w += T[i * p + j] * s.inversa[j * p + k] * T[l * p + k];
                }
            cov[i * p + l] = v;
            inversa[i * p + l] = w;
        }
    std::vector<double> ridotti(punti.y.size());
    for (std::size_t i = 0; i < ridotti.size(); ++i)
        ridotti[i] = punti.y[i] / s.scala;
    // The rounding of the largest reading: what no fit of these numbers can
    // resolve, in each parameter as (X'X)^-1 carries it.
    const double arrotondamento = kArrotondamento * massimo(ridotti);
    const double varianza = s.sse / static_cast<double>(a.gradi);
    // The equation names the highest power first: m q, a b c.
    static const char* const nomi[] = {"q", "m"};
    static const char* const nomiquadratico[] = {"c", "b", "a"};
    for (std::size_t k = p; k-- > 0;) {
        a.parametri.push_back(
            {grado == 1 ? nomi[k] : nomiquadratico[k], piano[k] * s.scala,
             std::sqrt(std::max(0.0, cov[k * p + k])) * s.scala,
             arrotondamento * std::sqrt(std::max(0.0, inversa[k * p + k])) * s.scala});
    }
    a.centrati = s.p;
    for (double& v : a.centrati)
        v *= s.scala;
    a.centro = c;
    const double totale = sst(ridotti);
    a.r2 = totale > 0 ? 1 - s.sse / totale : nan;
    a.deviazioneresidua = std::sqrt(varianza) * s.scala;
    a.esatto = std::sqrt(varianza) <= arrotondamento;
    a.riuscito = true;
}

void proporzionale(Adattamento& a, const Punti& punti) {
    // y scaled to order one, as the polynomial fits do.
    const double scala = scaladi(punti.y);
    std::vector<double> ridotti(punti.y.size());
    double sy2 = 0, sx2 = 0;
    for (std::size_t i = 0; i < ridotti.size(); ++i) {
        ridotti[i] = punti.y[i] / scala;
        sy2 += ridotti[i] * ridotti[i];
        sx2 += punti.x[i] * punti.x[i];
    }
    double m = 0, cov = 0, sse = 0;
    if (gsl_fit_mul(punti.x.data(), 1, ridotti.data(), 1, punti.x.size(), &m, &cov, &sse) !=
            GSL_SUCCESS ||
        !std::isfinite(m)) {
        a.errore = "il calcolo dell'adattamento proporzionale non è riuscito";
        return;
    }
    const double arrotondamento = kArrotondamento * massimo(ridotti);
    const double varianza = sse / static_cast<double>(a.gradi);
    a.parametri.push_back({"m", m * scala, std::sqrt(std::max(0.0, cov)) * scala,
                           sx2 > 0 ? arrotondamento / std::sqrt(sx2) * scala : 0.0});
    a.centrati = {0, m * scala};
    a.centro = 0;
    // Through the origin the model explains y about zero, not about its mean.
    a.r2 = sy2 > 0 ? 1 - sse / sy2 : nan;
    a.deviazioneresidua = std::sqrt(varianza) * scala;
    a.esatto = std::sqrt(varianza) <= arrotondamento;
    a.riuscito = true;
}

// A fit is only given with finite numbers: values near the limits of a
// double overflow in the sums of squares and would be shown as a result.
Adattamento controllato(Adattamento a) {
    if (!a.riuscito) return a;
    bool finito = std::isfinite(a.deviazioneresidua);
    for (const Parametro& p : a.parametri)
        finito = finito && std::isfinite(p.valore) && std::isfinite(p.errore);
    if (!finito) {
        a.riuscito = false;
        a.parametri.clear();
        a.errore = "il calcolo dell'adattamento " + std::string(nome(a.modello)) +
                   " non è riuscito (numeri fuori scala)";
    }
    return a;
}

}  // namespace

std::string_view nome(Modello modello) {
    switch (modello) {
        case Modello::Lineare:
            return "lineare";
        case Modello::Proporzionale:
            return "proporzionale";
        case Modello::Quadratico:
            return "quadratico";
        case Modello::Esponenziale:
            return "esponenziale";
    }
    return "";
}

double Adattamento::valore(double x) const {
    if (!riuscito) return nan;
    if (modello == Modello::Esponenziale)
        return parametri[0].valore +
               parametri[1].valore * std::exp(-(x - x0) / parametri[2].valore);
    double y = 0;
    for (std::size_t j = centrati.size(); j-- > 0;)
        y = y * (x - centro) + centrati[j];
    return y;
}

Adattamento adatta(Modello modello, std::span<const double> x, std::span<const double> y) {
    senzaabort();
    Punti punti = finiti(x, y);
    if (modello == Modello::Esponenziale) return controllato(esponenziale(punti));

    Adattamento a;
    a.modello = modello;
    a.punti = punti.x.size();
    a.scartati = punti.scartati;
    const std::size_t parametri = modello == Modello::Proporzionale ? 1
                                  : modello == Modello::Lineare     ? 2
                                                                    : 3;
    // One point more than the parameters, so that their errors exist.
    if (a.punti <= parametri) {
        a.errore = "troppo pochi punti: l'adattamento " + std::string(nome(modello)) +
                   " ne richiede almeno " + std::to_string(parametri + 1);
        return a;
    }
    a.gradi = a.punti - parametri;
    if (modello == Modello::Proporzionale) {
        bool tuttinulli = true;
        for (double v : punti.x)
            tuttinulli = tuttinulli && v == 0;
        if (tuttinulli) {
            a.errore = "tutti i valori di x sono nulli: la pendenza non è determinata";
            return a;
        }
        proporzionale(a, punti);
        return controllato(a);
    }
    if (distinti(punti.x, parametri) < parametri) {
        a.errore = "l'adattamento " + std::string(nome(modello)) + " richiede almeno " +
                   std::to_string(parametri) + " valori diversi di x";
        return a;
    }
    polinomiale(a, punti, modello == Modello::Lineare ? 1 : 2);
    return controllato(a);
}

}  // namespace lumetto::analisi
