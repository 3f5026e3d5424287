#pragma once
// The statistics of a selected curve: count, extremes, mean, standard
// deviation, first and last value, differences, mean slope and area.

#include <cstddef>
#include <span>

namespace lumetto::analisi {

// Over the pairs (x[i], y[i]) with both values finite, in their order; a
// pair with a missing (non-finite) value is left out and counted in
// scartati, and only pairs present in both spans count. What a selection too
// small cannot give is NaN: everything but the counts with no point, the
// standard deviation with one point, the slope when the first and the last x
// coincide.
struct Statistiche {
    std::size_t punti = 0;
    std::size_t scartati = 0;
    double minimo = 0, massimo = 0, media = 0;
    double deviazione = 0;  // sample standard deviation, n - 1 in the divisor
    double primox = 0, ultimox = 0;
    double primo = 0, ultimo = 0;   // first and last y
    double deltax = 0, deltay = 0;  // last minus first
    double pendenza = 0;            // deltay / deltax
    // The area under the curve from the smallest x to the largest: the
    // trapezoids between the points taken in order of x, whatever the order
    // of the readings (in the X-Y view x may go back and forth), readings at
    // one x counting as their mean; a left-out point is bridged by the
    // trapezoid over its gap. 0 with one point or one x.
    double area = 0;
};

Statistiche statistiche(std::span<const double> x, std::span<const double> y);

}  // namespace lumetto::analisi
