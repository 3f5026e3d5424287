"""The fits of Lumetto's analysis against SciPy's curve_fit on the same
deterministic noisy data: parameters to 6 significant digits, their standard
errors, R^2 and the residual standard deviation to 5.

Usage: confronto_scipy.py PATH_OF_analisi_confronto
"""
import math
import subprocess
import sys

try:
    import numpy as np
    from scipy.optimize import curve_fit
    from scipy.stats import linregress
except ImportError as e:
    sys.exit(f"python3-scipy and python3-numpy are needed for this test "
             f"(scripts/setup.sh installs them): {e}")


class Rumore:
    """Gaussian noise from a 64-bit LCG and Box-Muller, fixed by its seed."""

    def __init__(self, seme):
        self.stato = seme

    def uniforme(self):
        self.stato = (self.stato * 6364136223846793005 + 1442695040888963407) % 2**64
        return ((self.stato >> 11) + 0.5) / 2.0**53

    def __call__(self):
        u1, u2 = self.uniforme(), self.uniforme()
        return math.sqrt(-2 * math.log(u1)) * math.cos(2 * math.pi * u2)


def lineare(x, m, q):
    return m * x + q


def proporzionale(x, m):
    return m * x


def quadratico(x, a, b, c):
    return (a * x + b) * x + c


CASI = [
    # name, model, its function, true parameters, x, noise
    ("line", "lineare", lineare, [0.73, 2.5], [0.5 * i for i in range(100)], 0.4),
    # curve_fit's Levenberg-Marquardt on an x of 1.7e9 keeps only 5 digits
    # of the slope; linregress works on sums about the means and keeps them.
    ("line, seconds since 1970", "lineare", "linregress", [0.012, -2.0e7],
     [1.7e9 + 3.0 * i for i in range(150)], 0.05),
    ("proportional", "proporzionale", proporzionale, [1.8], [1.0 + i for i in range(50)], 0.5),
    ("parabola", "quadratico", quadratico, [0.045, -0.3, 1.0], [0.25 * i for i in range(80)],
     0.1),
    ("cooling", "esponenziale", None, [23.0, 60.0, 40.0], [1.0 * i for i in range(200)], 0.2),
    ("heating", "esponenziale", None, [80.0, -55.0, 25.0], [0.5 * i for i in range(300)], 0.3),
    ("capacitor", "esponenziale", None, [5.0, -5.0, 0.01], [1e-4 * i for i in range(500)], 0.01),
    ("seconds since 1970", "esponenziale", None, [20.0, 15.0, 300.0],
     [1.7e9 + 2.0 * i for i in range(400)], 0.1),
    ("a dozen readings", "esponenziale", None, [10.0, 5.0, 3.0], [1.0 + i for i in range(12)],
     0.05),
]


def relativo(a, b):
    return abs(a - b) / max(abs(b), 1e-300)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    programma = sys.argv[1]
    rumore = Rumore(97531)
    falliti = 0
    for nome, modello, funzione, veri, xs, sigma in CASI:
        x = np.array(xs)
        retta = False
        if modello == "esponenziale":
            x0 = x.min()

            def funzione(x, C, A, tau, x0=x0):
                return C + A * np.exp(-(x - x0) / tau)

            y = funzione(x, *veri)
        elif funzione == "linregress":
            funzione = lineare
            y = lineare(x, *veri)
            retta = True
        else:
            y = funzione(x, *veri)
        y = y + np.array([sigma * rumore() for _ in xs])

        # The points as the program reads them: the same doubles, in full.
        testo = modello + "\n" + "".join(f"{a!r} {b!r}\n" for a, b in zip(x, y))
        esito = subprocess.run([programma], input=testo, capture_output=True, text=True)
        if esito.returncode != 0:
            print(f"{nome}: the program failed: {esito.stdout}{esito.stderr}")
            falliti += 1
            continue
        righe = [r.split() for r in esito.stdout.splitlines()]
        nostri = [(float(r[1]), float(r[2])) for r in righe[:-2]]
        r2, sd = float(righe[-2][1]), float(righe[-1][1])

        # SciPy from a start 10 % off, to tolerances well below the comparison.
        if retta:
            r = linregress(x, y)
            p, errori = [r.slope, r.intercept], [r.stderr, r.intercept_stderr]
        else:
            inizio = [v * 1.1 for v in veri]
            p, cov = curve_fit(funzione, x, y, p0=inizio, ftol=1e-15, xtol=1e-15, gtol=1e-15,
                               maxfev=100000)
            errori = np.sqrt(np.diag(cov))
        residui = y - funzione(x, *p)
        sse = float(residui @ residui)
        gradi = len(xs) - len(p)
        if modello == "proporzionale":
            r2s = 1 - sse / float(y @ y)
        else:
            r2s = 1 - sse / float(((y - y.mean()) ** 2).sum())
        sds = math.sqrt(sse / gradi)

        confronti = []
        for i, (v, e) in enumerate(nostri):
            confronti.append((f"parameter {i}", v, p[i], 5e-7))
            confronti.append((f"error {i}", e, errori[i], 1e-5))
        confronti.append(("R^2", r2, r2s, 1e-5))
        confronti.append(("residual SD", sd, sds, 1e-5))
        for cosa, nostro, loro, tolleranza in confronti:
            d = relativo(nostro, loro)
            stato = "ok" if d <= tolleranza else "DIFFERS"
            print(f"{nome:28} {cosa:12} {nostro:+.10e} scipy {loro:+.10e} rel {d:.1e} {stato}")
            if d > tolleranza:
                falliti += 1
    if falliti:
        sys.exit(f"{falliti} figures differ from SciPy's")


if __name__ == "__main__":
    main()
