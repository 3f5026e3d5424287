#pragma once
// The fits of a selected curve: linear, proportional, quadratic and
// exponential with an offset, each with its parameters' standard errors, R^2
// and the residual standard deviation.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumetto::analisi {

enum class Modello {
    Lineare,        // y = m x + q
    Proporzionale,  // y = m x
    Quadratico,     // y = a x^2 + b x + c
    Esponenziale,   // y = C + A e^(-(x - x0)/tau), x0 the start of the selection
};

// The model's adjective, as the texts name it: "lineare", "esponenziale"...
std::string_view nome(Modello modello);

struct Parametro {
    std::string nome;  // "m", "q", "a", "b", "c", "C", "A", "τ"
    double valore = 0;
    double errore = 0;  // standard error, scaled by the residual variance
    // The error the rounding of the readings alone would give: digits of the
    // value below it are the arithmetic's, not the data's. 0 when not known.
    double risoluzione = 0;
};

struct Adattamento {
    Modello modello = Modello::Lineare;
    bool riuscito = false;
    std::string errore;  // why not, in Italian, when it did not succeed
    // In the order the equation names them: m q; m; a b c; C A τ.
    std::vector<Parametro> parametri;
    // 1 - SSE/SST about the mean of y; for the proportional fit, through the
    // origin, 1 - SSE/sum y^2 (as NIST certifies it). NaN when y does not vary.
    double r2 = 0;
    double deviazioneresidua = 0;  // sqrt(SSE / gradi)
    // The residuals are no larger than the rounding of the readings: the
    // points lie on the curve as exactly as a double can tell, and every
    // parameter's error is within its risoluzione.
    bool esatto = false;
    std::size_t punti = 0;     // finite points fitted
    std::size_t scartati = 0;  // points left out for a missing x or y
    std::size_t gradi = 0;     // degrees of freedom: punti - parameters
    double x0 = 0;             // the exponential's origin: the smallest x fitted

    // The fitted curve at x, for drawing it; NaN when the fit did not succeed.
    double valore(double x) const;

    // The polynomials' coefficients about centro (constant first), kept to
    // evaluate the curve without the cancellation the plain form suffers at
    // large x.
    std::vector<double> centrati;
    double centro = 0;
};

// Fits the model to the pairs (x[i], y[i]); a pair with a non-finite value is
// left out (counted in scartati), and only pairs present in both spans count.
// A fit needs more points than parameters and enough distinct x; a failed one
// says why and gives no curve.
Adattamento adatta(Modello modello, std::span<const double> x, std::span<const double> y);

}  // namespace lumetto::analisi
