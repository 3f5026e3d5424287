// The exponential fit with an offset, y = C + A e^(-(x - x0)/tau): a heating or
// cooling curve, a capacitor's charge. Levenberg-Marquardt on GSL's trust
// region, started from a linear estimate that needs no guess from the user.
#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "comune.h"

namespace lumetto::analisi::dettaglio {

namespace {

const char* const nonesponenziale =
    "nei dati non si vede un andamento esponenziale: la costante di tempo non è determinata";

// What the points look like when they are not an exponential settling, so
// that a refusal says it in the words of the plot a teacher sees.
enum class Forma {
    Salto,      // a jump between two readings, not a curve
    Retta,      // a straight line: the linear fit is the one to use
    Rumore,     // no trend beyond the noise
    Allontana,  // bends away, faster and faster, instead of settling
    Piega,      // bends towards a final value: the fit failed for another reason
};

Forma forma(const Punti& punti) {
    std::vector<std::size_t> ordine(punti.x.size());
    std::iota(ordine.begin(), ordine.end(), 0);
    std::stable_sort(ordine.begin(), ordine.end(),
                     [&](std::size_t i, std::size_t j) { return punti.x[i] < punti.x[j]; });
    const std::size_t n = ordine.size();
    std::vector<double> x(n), y(n);
    for (std::size_t r = 0; r < n; ++r) {
        x[r] = punti.x[ordine[r]];
        y[r] = punti.y[ordine[r]];
    }
    const auto [ymin, ymax] = std::minmax_element(y.begin(), y.end());
    const double R = *ymax - *ymin;
    // A jump: one step between neighbours makes half the change or more,
    // from one level to another, with readings after it (a curve that runs
    // away makes its largest step at its very end).
    std::size_t j = 0;
    for (std::size_t i = 1; i + 1 < n; ++i)
        if (std::abs(y[i + 1] - y[i]) > std::abs(y[j + 1] - y[j])) j = i;
    if (j + 3 <= n && std::abs(y[j + 1] - y[j]) >= 0.5 * R) {
        const std::vector<double> prima(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(j + 1));
        const std::vector<double> dopo(y.begin() + static_cast<std::ptrdiff_t>(j + 1), y.end());
        if (std::abs(media(dopo) - media(prima)) >= 0.5 * R) return Forma::Salto;
    }
    // Whether the points bend, and which way, or only rise or fall: the
    // curvature of a parabola and the slope of a line against three of
    // their standard errors.
    const double centro = media(x);
    Soluzione retta, parabola;
    if (!polinomio(x, y, 1, centro, retta)) return Forma::Rumore;
    const double ymassimo = massimo(y) / retta.scala;
    if (std::sqrt(retta.sse / static_cast<double>(n - 2)) <= kArrotondamento * ymassimo)
        return Forma::Retta;
    const bool pendenza = std::abs(retta.p[1]) > 3 * std::sqrt(retta.cov[1 * 2 + 1]);
    if (polinomio(x, y, 2, centro, parabola)) {
        const double a = parabola.p[2];
        // Bending the way it moves is running away; the other way, settling.
        if (std::abs(a) > 3 * std::sqrt(parabola.cov[2 * 3 + 2]))
            return a * retta.p[1] > 0 ? Forma::Allontana : Forma::Piega;
    }
    return pendenza ? Forma::Retta : Forma::Rumore;
}

// Why the fit is refused, in words; altrimenti when the points do bend
// towards a final value.
std::string perche(const Punti& punti, const char* altrimenti) {
    switch (forma(punti)) {
        case Forma::Salto:
            return "i dati fanno un salto improvviso, non una curva: per l'adattamento "
                   "esponenziale scegli il tratto dopo il salto";
        case Forma::Retta:
            return "i punti seguono una retta, non una curva che si avvicina a un valore finale: "
                   "prova l'adattamento lineare";
        case Forma::Rumore:
            return nonesponenziale;
        case Forma::Allontana:
            return "l'adattamento esponenziale non dà una costante di tempo positiva: i dati non "
                   "si avvicinano a un valore finale";
        case Forma::Piega:
            break;
    }
    return altrimenti;
}

// The solver stops when a step changes no parameter (of the scaled fit) by
// more than this part of itself: below it the digits are where the
// iterations stopped, not the data's.
constexpr double kPasso = 1e-12;

const char* const lenta =
    "nel tratto scelto la curva si piega appena: il valore finale è ancora lontano, scegli un "
    "tratto più lungo o prova l'adattamento lineare";

// The fit runs on u = (x - x0)/S in [0, 1] and v = (y - mean)/R, so that its
// parameters (C', A', k) are all of order one whatever the units: x in
// seconds since 1970 or a load of 3,000,000 stays e^(-k u) with u <= 1, which
// cannot overflow for the k that matter. Back in the user's units C = mean +
// R C', A = R A' and tau = S / k.
struct Dati {
    std::vector<double> u, v;
};

int residui(const gsl_vector* p, void* dati, gsl_vector* f) {
    const auto& d = *static_cast<const Dati*>(dati);
    const double c = gsl_vector_get(p, 0), a = gsl_vector_get(p, 1), k = gsl_vector_get(p, 2);
    for (std::size_t i = 0; i < d.u.size(); ++i) {
        double r = c + a * std::exp(-k * d.u[i]) - d.v[i];
        if (!std::isfinite(r)) return GSL_EDOM;  // a step too far: the solver gives up
        gsl_vector_set(f, i, r);
    }
    return GSL_SUCCESS;
}

int jacobiano(const gsl_vector* p, void* dati, gsl_matrix* J) {
    const auto& d = *static_cast<const Dati*>(dati);
    const double a = gsl_vector_get(p, 1), k = gsl_vector_get(p, 2);
    for (std::size_t i = 0; i < d.u.size(); ++i) {
        double e = std::exp(-k * d.u[i]);
        gsl_matrix_set(J, i, 0, 1.0);
        gsl_matrix_set(J, i, 1, e);
        gsl_matrix_set(J, i, 2, -a * d.u[i] * e);
    }
    return GSL_SUCCESS;
}

// C' and A' for a given k: a linear fit of v against e^(-k u).
bool ampiezze(const Dati& d, double k, double& c, double& a) {
    Matrice X = matrice(d.u.size(), 2);
    if (!X) return false;
    for (std::size_t i = 0; i < d.u.size(); ++i) {
        gsl_matrix_set(X.get(), i, 0, 1.0);
        gsl_matrix_set(X.get(), i, 1, std::exp(-k * d.u[i]));
    }
    Soluzione s;
    if (!minimiquadrati(X.get(), d.v, s)) return false;
    c = s.p[0];
    a = s.p[1];
    return true;
}

// The starting k from the integral form of the model: y' = -k (y - C) gives
// v(u) = v(0) - k * integral_0^u v + k C u, linear in the running trapezoid
// integral and in u. Noise is averaged rather than differentiated, and the
// sign of A (a rising or a falling curve) does not matter. A negative k (a
// curve that runs away) is kept, so that the fit ends there and says so; with
// no estimate at all, the selection is taken to span one time constant.
double kiniziale(const Dati& d) {
    std::vector<std::size_t> ordine(d.u.size());
    std::iota(ordine.begin(), ordine.end(), 0);
    std::sort(ordine.begin(), ordine.end(),
              [&](std::size_t i, std::size_t j) { return d.u[i] < d.u[j]; });
    const std::size_t n = ordine.size();
    Matrice X = matrice(n, 3);
    std::vector<double> v(n);
    if (!X) return 1;
    double integrale = 0;
    for (std::size_t r = 0; r < n; ++r) {
        std::size_t i = ordine[r];
        if (r > 0) {
            std::size_t h = ordine[r - 1];
            integrale += 0.5 * (d.v[i] + d.v[h]) * (d.u[i] - d.u[h]);
        }
        gsl_matrix_set(X.get(), r, 0, 1.0);
        gsl_matrix_set(X.get(), r, 1, integrale);
        gsl_matrix_set(X.get(), r, 2, d.u[i]);
        v[r] = d.v[i];
    }
    Soluzione s;
    if (!minimiquadrati(X.get(), v, s)) return 1;
    const double k = -s.p[1];
    return std::isfinite(k) && k != 0 ? k : 1;
}

struct LiberaNonlineare {
    void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};

}  // namespace

Adattamento esponenziale(const Punti& punti) {
    Adattamento a;
    a.modello = Modello::Esponenziale;
    a.punti = punti.x.size();
    a.scartati = punti.scartati;
    const std::size_t n = a.punti;
    if (n <= 3) {
        a.errore = "troppo pochi punti: l'adattamento esponenziale ne richiede almeno 4";
        return a;
    }
    a.gradi = n - 3;
    if (distinti(punti.x, 3) < 3) {
        a.errore = "l'adattamento esponenziale richiede almeno 3 valori diversi di x";
        return a;
    }
    const auto [xmin, xmax] = std::minmax_element(punti.x.begin(), punti.x.end());
    const auto [ymin, ymax] = std::minmax_element(punti.y.begin(), punti.y.end());
    const double x0 = *xmin, S = *xmax - *xmin, R = *ymax - *ymin;
    a.x0 = x0;
    if (R == 0) {
        a.errore = "i valori di y sono tutti uguali: non c'è un andamento esponenziale";
        return a;
    }
    double ym = 0;
    for (double y : punti.y)
        ym += y;
    ym /= static_cast<double>(n);
    Dati d;
    d.u.resize(n);
    d.v.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        d.u[i] = (punti.x[i] - x0) / S;
        d.v[i] = (punti.y[i] - ym) / R;
    }

    double k = kiniziale(d), c = 0, amp = 0;
    if (!ampiezze(d, k, c, amp)) {
        a.errore = perche(punti, "il calcolo dell'adattamento esponenziale non è riuscito");
        return a;
    }
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = residui;
    fdf.df = jacobiano;
    fdf.n = n;
    fdf.p = 3;
    fdf.params = &d;
    gsl_multifit_nlinear_parameters parametri = gsl_multifit_nlinear_default_parameters();
    parametri.trs = gsl_multifit_nlinear_trs_lm;
    std::unique_ptr<gsl_multifit_nlinear_workspace, LiberaNonlineare> lavoro(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &parametri, n, 3));
    Vettore p0 = vettore(3);
    Matrice cov = matrice(3, 3);
    if (!lavoro || !p0 || !cov) {
        a.errore = "il calcolo dell'adattamento esponenziale non è riuscito";
        return a;
    }
    gsl_vector_set(p0.get(), 0, c);
    gsl_vector_set(p0.get(), 1, amp);
    gsl_vector_set(p0.get(), 2, k);
    int info = 0;
    int stato = gsl_multifit_nlinear_init(p0.get(), &fdf, lavoro.get());
    if (stato == GSL_SUCCESS)
        stato = gsl_multifit_nlinear_driver(200, kPasso, 1e-12, 0, nullptr, nullptr, &info,
                                            lavoro.get());
    const gsl_vector* p = gsl_multifit_nlinear_position(lavoro.get());
    c = gsl_vector_get(p, 0);
    amp = gsl_vector_get(p, 1);
    k = gsl_vector_get(p, 2);
    // Where the solver stopped tells why, converged or not: a k near zero is
    // a straight line (A and C run off to infinity), a negative one a curve
    // that runs away instead of settling.
    if (std::isfinite(k) && std::abs(k) < 0.01) {
        a.errore = perche(punti, k > 0 ? lenta : nonesponenziale);
        return a;
    }
    if (std::isfinite(k) && k < 0) {
        a.errore = perche(punti, nonesponenziale);
        return a;
    }
    // No step that lowers the residuals from the very start (GSL's driver
    // says "too many iterations" with ENOPROG): the starting estimate is
    // already the minimum to the precision of the numbers, as it is for a
    // gentle heating curve whose integral form fits it exactly.
    if (stato == GSL_EMAXITER && info == GSL_ENOPROG) stato = GSL_SUCCESS;
    if (stato != GSL_SUCCESS || !std::isfinite(c) || !std::isfinite(amp) || !std::isfinite(k)) {
        a.errore = perche(punti, "l'adattamento esponenziale non converge");
        return a;
    }
    const gsl_vector* f = gsl_multifit_nlinear_residual(lavoro.get());
    double sse = 0;
    for (std::size_t i = 0; i < n; ++i)
        sse += gsl_vector_get(f, i) * gsl_vector_get(f, i);
    const double varianza = sse / static_cast<double>(a.gradi);
    gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(lavoro.get()), 1e-10, cov.get());
    double e[3];
    for (std::size_t i = 0; i < 3; ++i) {
        double cii = gsl_matrix_get(cov.get(), i, i);
        // A column GSL finds dependent comes back with a zero variance.
        if (!(cii > 0) || !std::isfinite(cii)) {
            a.errore = perche(punti, "i parametri dell'esponenziale non sono determinati dai dati");
            return a;
        }
        e[i] = std::sqrt(cii * varianza);
    }
    const double tau = S / k, etau = S * e[2] / (k * k);
    // A time constant far beyond the selection, or not known to within
    // itself, is a straight line or noise read as an exponential.
    if (tau > 100 * S || etau > tau) {
        a.errore = perche(punti, tau > 100 * S ? lenta : nonesponenziale);
        return a;
    }
    // The rounding of the largest reading, in the fit's units, carried to
    // each parameter through (J'J)^-1 as its error is; and no finer than
    // where the solver stopped.
    const double arrotondamento = kArrotondamento * std::max(std::abs(*ymin), std::abs(*ymax)) / R;
    double r[3];
    for (std::size_t i = 0; i < 3; ++i)
        r[i] = arrotondamento * std::sqrt(gsl_matrix_get(cov.get(), i, i));
    const double passo[3] = {kPasso * (std::abs(c) + kPasso), kPasso * (std::abs(amp) + kPasso),
                             kPasso * (k + kPasso)};
    a.parametri = {{"C", ym + R * c, R * e[0], R * std::max(r[0], passo[0])},
                   {"A", R * amp, R * e[1], R * std::max(r[1], passo[1])},
                   {"τ", tau, etau, S * std::max(r[2], passo[2]) / (k * k)}};
    a.esatto = std::sqrt(varianza) <= arrotondamento;
    double totale = 0;
    for (double v : d.v)
        totale += v * v;  // v is already about its mean
    a.r2 = 1 - sse / totale;
    a.deviazioneresidua = R * std::sqrt(varianza);
    a.riuscito = true;
    return a;
}

}  // namespace lumetto::analisi::dettaglio
