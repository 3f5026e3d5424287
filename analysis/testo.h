#pragma once
// The analysis as text for the plot window's panel: numbers with as many
// digits as their error justifies, and lines a user can select and copy.
//
// Always the decimal comma: the panel is read by Italian users and pasted into
// an Italian spreadsheet, and a text that followed the process's locale would
// change under the tests' C locale. The minus is the plain '-' a spreadsheet
// reads as a sign; numbers far from 1 are written m·10ⁿ.

#include <string>
#include <string_view>
#include <vector>

#include "analysis/adattamento.h"
#include "analysis/statistiche.h"
#include "analysis/tangente.h"

namespace lumetto::analisi {

// "12,345 ± 0,023": the error rounded to 2 significant digits, the value to
// the same decimal place; "(-3,161 ± 0,049)·10⁻¹⁵" when the larger of the
// two is below 0,001 or from 1 000 000 on. Never more than the 15
// significant digits a double holds, nor digits below risoluzione (the
// error the rounding of the data alone gives, 0 when not known): an error
// smaller than that last digit is "± 0" after the value without its
// trailing zeros ("21,5 ± 0"). An error that is NaN or negative gives the
// value alone; a value that is not a finite number, words ("non
// calcolabile", "fuori scala").
std::string testonumero(double valore, double errore, double risoluzione = 0);

// A number without an error: the given significant digits (15 at most), no
// trailing zeros ("449,178", "0,1", "2,5·10⁻⁷"); words for what is not a
// finite number.
std::string testonumero(double valore, int significative = 6);

// The lines of the panel. unitax, when given, follows the values of x
// ("s" for a plot against seconds), unitay those of y ("°C"), and the two
// make the units of what combines them: a slope in °C/s, an area in °C·s, a
// quadratic's a in °C/s². With y in units and x the reading's number, x
// counts as "lettura" there (°C/lettura).
std::vector<std::string> righe(const Statistiche& s, std::string_view unitax = {},
                               std::string_view unitay = {});
std::vector<std::string> righe(const Adattamento& a, std::string_view unitax = {},
                               std::string_view unitay = {});
std::vector<std::string> righe(const Tangente& t, std::string_view unitax = {},
                               std::string_view unitay = {});

}  // namespace lumetto::analisi
