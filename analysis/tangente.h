#pragma once
// The tangent to a selected curve at a point: its slope, with a standard
// error, from a parabola fitted to the points around it.

#include <cstddef>
#include <span>
#include <string>

namespace lumetto::analisi {

struct Tangente {
    bool riuscita = false;
    std::string errore;  // why not, in Italian
    double x = 0;        // the point of the curve nearest the x asked for
    double y = 0;        // the parabola's value there: the line passes through (x, y)
    double pendenza = 0;
    // The parabola's standard error and, in quadrature, its bias where the
    // curve has a cubic term the parabola cannot follow (y = x^3 on a
    // window of a few readings): the slope is within it of the true one.
    double errore_pendenza = 0;
    double risoluzione = 0;   // the error the rounding of the readings alone gives
    std::size_t punti = 0;    // points of the local fit
    std::size_t valorix = 0;  // distinct x among them

    // The tangent line at xt, for drawing it.
    double valore(double xt) const { return y + pendenza * (xt - x); }
};

// The window is the 2k+1 distinct values of x nearest the curve's x nearest
// x0 (one-sided at the curve's ends), with every reading at those x, k a
// fortieth of the distinct x, between 2 and 10: 5 points on a short curve,
// 21 on one of 1000 readings, enough to average noise while the parabola
// still follows the curve; a sensor that repeats each x gives its repeats
// to the fit. Pairs with a missing value are left out.
Tangente tangente(std::span<const double> x, std::span<const double> y, double x0);

}  // namespace lumetto::analisi
