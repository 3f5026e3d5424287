#pragma once
// What the analysis files share and do not export: the points a selection
// really holds, GSL's objects freed by RAII, and the least squares every
// polynomial fit goes through.

#include <gsl/gsl_matrix.h>
#include <gsl/gsl_vector.h>

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "analysis/adattamento.h"

namespace lumetto::analisi::dettaglio {

// The pairs of a selection with both values finite, in their order; a reading
// that did not come is a NaN in its column and is left out everywhere alike.
struct Punti {
    std::vector<double> x, y;
    std::size_t scartati = 0;
};
Punti finiti(std::span<const double> x, std::span<const double> y);

// GSL's default handler aborts the process on a singular matrix or a bad
// size; the analysis reads every status instead. Called before any GSL work.
void senzaabort();

struct LiberaVettore {
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};
struct LiberaMatrice {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
using Vettore = std::unique_ptr<gsl_vector, LiberaVettore>;
using Matrice = std::unique_ptr<gsl_matrix, LiberaMatrice>;
inline Vettore vettore(std::size_t n) {
    return Vettore(gsl_vector_alloc(n));
}
inline Matrice matrice(std::size_t r, std::size_t c) {
    return Matrice(gsl_matrix_alloc(r, c));
}

// A linear least-squares solution of y / scala: the coefficients, their
// covariance scaled by the residual variance, the same per unit variance
// ((X'X)^-1, which an exact fit still has), and the residual sum of squares.
// Multiply p and the standard errors by scala, sse by its square, to have
// them in y's units: a covariance in those units underflows for y near 1e-160.
struct Soluzione {
    std::vector<double> p;
    std::vector<double> cov;      // p.size()^2, row by row
    std::vector<double> inversa;  // (X'X)^-1, row by row
    double sse = 0;
    double scala = 1;  // a power of two, so dividing by it loses no digit
};

// y = X p by GSL's SVD (columns balanced first). False when the columns are
// not independent (the rank falls short), when there are no more rows than
// columns (no residual variance), or when GSL fails.
bool minimiquadrati(const gsl_matrix* X, const std::vector<double>& y, Soluzione& esito);

// The polynomial y = sum p[j] (x - centro)^j of the given degree, constant
// first: centring keeps the columns apart when x is far from zero, and y is
// divided by a power of two near its largest value (scala), so that the
// residuals and the covariance neither underflow nor overflow.
bool polinomio(const std::vector<double>& x, const std::vector<double>& y, int grado, double centro,
               Soluzione& esito);

// A power of two no larger than the largest |v| and more than half of it: 1
// when v is all zeros.
double scaladi(const std::vector<double>& v);

double media(const std::vector<double>& v);
double massimo(const std::vector<double>& v);  // the largest |v|, 0 for none

// How many rounding units of the readings a residual standard deviation may
// be and still be rounding alone: the readings' own (half an ulp each) and
// what centring, powers and GSL's SVD add to it. A fit whose residuals are
// within this of the largest |y| is exact, as far as a double can tell, and
// a parameter's error below the same rounding carried through (X'X)^-1 means
// nothing.
inline constexpr double kArrotondamento = 64 * 2.220446049250313e-16;

// How many different values x holds, counted up to the given limit.
std::size_t distinti(const std::vector<double>& x, std::size_t limite);

// The exponential fit on points already made finite.
Adattamento esponenziale(const Punti& punti);

}  // namespace lumetto::analisi::dettaglio
