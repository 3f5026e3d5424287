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
    double errore_pendenza = 0;  // standard error
    std::size_t punti = 0;       // points of the local fit

    // The tangent line at xt, for drawing it.
    double valore(double xt) const { return y + pendenza * (xt - x); }
};

// The window is the 2k+1 points nearest in x to the curve's point nearest x0
// (one-sided at the curve's ends), with k a fortieth of the finite points,
// between 2 and 10: 5 points on a short curve, 21 on one of 1000 readings,
// enough to average noise while the parabola still follows the curve. Pairs
// with a missing value are left out.
Tangente tangente(std::span<const double> x, std::span<const double> y, double x0);

}  // namespace lumetto::analisi
