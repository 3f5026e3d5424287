// The points of a selection and the linear least squares the fits share.
#include "comune.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace lumetto::analisi::dettaglio {

Punti finiti(std::span<const double> x, std::span<const double> y) {
    Punti punti;
    const std::size_t n = std::min(x.size(), y.size());
    punti.x.reserve(n);
    punti.y.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isfinite(x[i]) && std::isfinite(y[i])) {
            punti.x.push_back(x[i]);
            punti.y.push_back(y[i]);
        } else {
            ++punti.scartati;
        }
    }
    return punti;
}

void senzaabort() {
    // The handler is the process's; this library is its only user of GSL.
    static std::once_flag fatto;
    std::call_once(fatto, [] { gsl_set_error_handler_off(); });
}

std::size_t distinti(const std::vector<double>& x, std::size_t limite) {
    std::vector<double> visti;
    for (double v : x) {
        if (std::find(visti.begin(), visti.end(), v) == visti.end()) {
            visti.push_back(v);
            if (visti.size() >= limite) break;
        }
    }
    return visti.size();
}

namespace {
struct LiberaLavoro {
    void operator()(gsl_multifit_linear_workspace* w) const { gsl_multifit_linear_free(w); }
};
}  // namespace

bool minimiquadrati(const gsl_matrix* X, const std::vector<double>& y, Soluzione& esito) {
    senzaabort();
    const std::size_t n = X->size1, p = X->size2;
    if (n <= p || y.size() != n) return false;
    std::unique_ptr<gsl_multifit_linear_workspace, LiberaLavoro> lavoro(
        gsl_multifit_linear_alloc(n, p));
    Vettore c = vettore(p);
    Vettore pesi = vettore(n);
    Matrice inversa = matrice(p, p);
    if (!lavoro || !c || !pesi || !inversa) return false;
    // Unit weights: the same solution, and the covariance GSL gives per unit
    // variance, (X'X)^-1, which an exact fit (a zero residual) still has.
    gsl_vector_set_all(pesi.get(), 1.0);
    gsl_vector_const_view vy = gsl_vector_const_view_array(y.data(), n);
    double chisq = 0;
    std::size_t rango = 0;
    // Singular values below the rounding of the largest are dropped, so a
    // rank short of p means columns that do not tell the parameters apart.
    if (gsl_multifit_wlinear_tsvd(X, pesi.get(), &vy.vector, GSL_DBL_EPSILON, c.get(),
                                  inversa.get(), &chisq, &rango, lavoro.get()) != GSL_SUCCESS ||
        rango < p)
        return false;
    const double varianza = chisq / static_cast<double>(n - p);
    esito.p.assign(c->data, c->data + p);
    esito.inversa.resize(p * p);
    esito.cov.resize(p * p);
    for (std::size_t i = 0; i < p; ++i)
        for (std::size_t j = 0; j < p; ++j) {
            esito.inversa[i * p + j] = gsl_matrix_get(inversa.get(), i, j);
            esito.cov[i * p + j] = esito.inversa[i * p + j] * varianza;
        }
    esito.sse = chisq;
    esito.scala = 1;
    return std::all_of(esito.p.begin(), esito.p.end(), [](double v) { return std::isfinite(v); });
}

double media(const std::vector<double>& v) {
    double s = 0;
    for (double e : v)
        s += e;
    return s / static_cast<double>(v.size());
}

double massimo(const std::vector<double>& v) {
    double m = 0;
    for (double e : v)
        m = std::max(m, std::abs(e));
    return m;
}

double scaladi(const std::vector<double>& v) {
    const double m = massimo(v);
    if (!(m > 0) || !std::isfinite(m)) return 1;
    int esponente = 0;
    std::frexp(m, &esponente);
    // 2^(e-1) <= massimo < 2^e; 2^e would overflow for the largest doubles.
    return std::ldexp(1.0, esponente - 1);
}

bool polinomio(const std::vector<double>& x, const std::vector<double>& y, int grado, double centro,
               Soluzione& esito) {
    const std::size_t n = x.size(), p = static_cast<std::size_t>(grado) + 1;
    if (n <= p || y.size() != n) return false;
    Matrice X = matrice(n, p);
    if (!X) return false;
    for (std::size_t i = 0; i < n; ++i) {
        double t = x[i] - centro, potenza = 1;
        for (std::size_t j = 0; j < p; ++j, potenza *= t)
            gsl_matrix_set(X.get(), i, j, potenza);
    }
    const double scala = scaladi(y);
    std::vector<double> ridotti(n);
    for (std::size_t i = 0; i < n; ++i)
        ridotti[i] = y[i] / scala;
    if (!minimiquadrati(X.get(), ridotti, esito)) return false;
    esito.scala = scala;
    return true;
}

}  // namespace lumetto::analisi::dettaglio
