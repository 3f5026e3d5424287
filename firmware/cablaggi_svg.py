"""A sketch's wiring picture (plain SVG 1.1): the Uno with its two headers as
on the board, the parts as labelled boxes above (those on digital pins) and
below it, wires from each part's pin to the Uno's in the usual colours, the
notes under the drawing.

Wires run square: from a part's pin straight to a lane of its own between
the parts and the board, along it, then straight into the Uno's pin. Every
wire to one Uno pin shares a lane (5V and GND are rails), a dot marks where
wires join, and a supply the top header lacks comes round the board's left
side. The lanes' order is the one with the fewest crossings.
"""

import itertools
import textwrap
from xml.sax.saxutils import escape

FONT = "DejaVu Sans, sans-serif"
PASSO = 38  # the headers' pitch
# The headers, left to right, with the board's USB socket on the left;
# None is the gap between two rows of sockets.
TESTATA_ALTA = ["AREF", "GND", "D13", "D12", "D11", "D10", "D9", "D8", None,
                "D7", "D6", "D5", "D4", "D3", "D2", "D1", "D0"]
TESTATA_BASSA = ["IOREF", "RESET", "3.3V", "5V", "GND", "GND", "Vin", None,
                 "A0", "A1", "A2", "A3", "A4", "A5"]
PWM = {"D3", "D5", "D6", "D9", "D10", "D11"}
SCHEDA_L = 100 + 16 * PASSO + PASSO // 2 + 30
SCHEDA_H = 210
CORSIA = 14  # between two lanes
MARGINE = 24  # between the lanes and the boxes or the board
SPAZIO = 22  # between two boxes
COLORI_BUS = {"GND": "#1a1a1a", "5V": "#d32011", "3.3V": "#f08c00", "Vin": "#9c27b0"}
# One colour a signal, none of them red, black or orange.
COLORI = ["#1565c0", "#2e7d32", "#7b1fa2", "#00838f", "#c2185b", "#6d4c41",
          "#3949ab", "#689f38", "#0288d1", "#9e9d24", "#546e7a", "#ad1457"]
PROPRIA = "#8b1a1a"
SPESSORE = 2.6


def larghezza(testo, corpo):
    """About how wide DejaVu Sans draws a text, in pixels."""
    l = 0.0
    for c in testo:
        if c in " .,:;'|!il()[]":
            l += 0.34
        elif c.isupper() or c in "mwMW%":
            l += 0.74
        else:
            l += 0.62
    return l * corpo


def testo(x, y, t, corpo, ancora="start", colore="#222", grassetto=False, extra=""):
    peso = ' font-weight="bold"' if grassetto else ""
    return ('<text x="%.1f" y="%.1f" font-size="%.1f" text-anchor="%s" fill="%s"%s%s>%s</text>'
            % (x, y, corpo, ancora, colore, peso, extra, escape(t)))


def a_capo(testo, colonne):
    """A box's title in one line, or two of about the same length."""
    if len(testo) <= colonne:
        return [testo]
    parole = testo.split()
    if len(parole) < 2:
        return [testo]
    tagli = [(" ".join(parole[:k]), " ".join(parole[k:])) for k in range(1, len(parole))]
    prima, resto = min(tagli, key=lambda t: max(len(t[0]), len(t[1])))
    return [prima] + (a_capo(resto, colonne) if len(resto) > colonne else [resto])


def bus(uno):
    return uno in COLORI_BUS


def proprio(uno):
    return uno.startswith("own ")


class Scatola:
    """A part drawn as a box: its pins toward the board, a supply of its own on
    the far side."""

    def __init__(self, indice, parte, sopra):
        self.indice, self.parte, self.sopra = indice, parte, sopra
        self.vicini, self.lontani = [], []  # (pin's index, name, [Uno pins])
        for j, (nome, uni) in enumerate(parte.pin()):
            if all(proprio(u) for u in uni):
                self.lontani.append((j, nome, uni))
            else:
                self.vicini.append((j, nome, [u for u in uni if not proprio(u)]))
        # Pins with no name of their own (six switches) in the header's order.
        anonimi = [v for v in self.vicini if v[2] == [v[1]] and not bus(v[1])]
        if anonimi:
            ordine = TESTATA_ALTA + TESTATA_BASSA
            posti = [k for k, v in enumerate(self.vicini) if v in anonimi]
            for k, v in zip(posti, sorted(anonimi, key=lambda v: ordine.index(v[1]))):
                self.vicini[k] = v
        self.passo = max([PASSO] + [larghezza(n, 11) + 8 for _, n, _ in self.vicini])
        self.titolo = a_capo(parte.breve, 22)
        self.l = max(len(self.vicini) * self.passo + 12,
                     max(larghezza(r, 12.5) for r in self.titolo) + 24,
                     len(self.lontani) * 60 + 40, 110)
        self.h = 14 + 16 * len(self.titolo) + 30
        self.x = 0.0

    def pin_x(self, k):
        return self.x + (self.l - len(self.vicini) * self.passo) / 2 + self.passo * (k + 0.5)

    def lontano_x(self, k):
        return self.x + self.l - 30 - 60 * (len(self.lontani) - 1 - k)

    def sinistra_ideale(self, posto):
        """Where the box would like its left edge: its signals' pins over the
        Uno's (its buses', for a part with no signal)."""
        coppie = [(k, posto(u)) for k, (_, _, uni) in enumerate(self.vicini)
                  for u in uni if not bus(u)]
        coppie = coppie or [(k, posto(u)) for k, (_, _, uni) in enumerate(self.vicini)
                            for u in uni]
        if not coppie:
            return 0.0
        x, self.x = self.x, 0.0
        sinistra = sum(h - self.pin_x(k) for k, h in coppie) / len(coppie)
        self.x = x
        return sinistra


class Rete:
    """The wires to one Uno pin in one of the two rows: a lane, the verticals
    from the parts' pins (taps) and toward the board (conns)."""

    def __init__(self, uno):
        self.uno = uno
        self.prese = []  # (x, box, pin's index)
        self.attacchi = []  # x of the verticals toward the board
        self.testata = False  # one of them goes into the header's pin
        self.y = 0.0

    def xs(self):
        return [p[0] for p in self.prese] + self.attacchi

    def estremi(self):
        xs = self.xs()
        return min(xs), max(xs)


def incroci(ordine):
    """Crossings of the lanes in this order (the first nearest the board), and
    a heavy price for two wires drawn over each other."""
    costo = 0
    for a, b in itertools.combinations(ordine, 2):
        la, ha = a.estremi()
        lb, hb = b.estremi()
        costo += sum(1 for x in b.attacchi if la < x < ha)
        costo += sum(1 for x, _, _ in a.prese if lb < x < hb)
        costo += 1000 * sum(1 for x, _, _ in a.prese for y in b.attacchi if abs(x - y) < 4)
    return costo


def ordina(reti):
    """The lanes' order with the fewest crossings: short lanes nearest the
    board, then any two swapped while that helps."""
    ordine = sorted(reti, key=lambda r: (r.estremi()[1] - r.estremi()[0], r.uno))
    costo = incroci(ordine)
    migliorato = True
    while migliorato:
        migliorato = False
        for i, j in itertools.combinations(range(len(ordine)), 2):
            prova = list(ordine)
            prova[i], prova[j] = prova[j], prova[i]
            c = incroci(prova)
            if c < costo:
                ordine, costo, migliorato = prova, c, True
    return ordine


class Disegno:
    def __init__(self, sketch):
        self.sketch = sketch
        self.gruppi = self.gruppi_elettrici()
        self.colori = self.colora()
        self.x0 = 0.0  # the board's left edge
        self.testate = {}
        alti = [Scatola(i, p, True) for i, p in enumerate(sketch.parti)
                if p.fili and any(u.startswith("D") for _, u in p.fili)]
        bassi = [Scatola(i, p, False) for i, p in enumerate(sketch.parti)
                 if p.fili and not any(u.startswith("D") for _, u in p.fili)]
        self.righe = {True: alti, False: bassi}

    def gruppi_elettrici(self):
        """The Uno pins one part's pin joins (the ADXL335's VCC is 3.3V and A3)."""
        padre = {}

        def radice(u):
            while padre.setdefault(u, u) != u:
                u = padre[u]
            return u

        for parte in self.sketch.parti:
            for _, uni in parte.pin():
                uni = [u for u in uni if not proprio(u)]
                for a, b in zip(uni, uni[1:]):
                    padre[radice(a)] = radice(b)
                for u in uni:
                    radice(u)
        return {u: radice(u) for u in padre}

    def colora(self):
        colori, segnali = {}, []
        for u, g in self.gruppi.items():
            buses = [b for b, r in self.gruppi.items() if r == g and bus(b)]
            if buses:
                colori[u] = COLORI_BUS[sorted(buses, key=list(COLORI_BUS).index)[0]]
            elif g not in segnali:
                segnali.append(g)
        ordine = TESTATA_ALTA + TESTATA_BASSA
        segnali.sort(key=lambda g: min(ordine.index(u) for u, r in self.gruppi.items() if r == g))
        for u, g in self.gruppi.items():
            if u not in colori:
                colori[u] = COLORI[segnali.index(g) % len(COLORI)]
        return colori

    # ---- Where things are ----

    def testata(self, sopra):
        return TESTATA_ALTA if sopra else TESTATA_BASSA

    def posto(self, uno, sopra):
        """x of a pin on a header, None if that header lacks it."""
        fila = self.testata(sopra)
        if uno not in fila:
            return None
        inizio = self.x0 + 100 + (0 if sopra else 3 * PASSO)
        x = inizio
        for nome in fila:
            if nome is None:
                x += PASSO / 2
                continue
            if nome == uno:
                return x
            x += PASSO
        return None

    def posto_qualsiasi(self, uno):
        x = self.posto(uno, True)
        return x if x is not None else self.posto(uno, False)

    def disponi(self, sopra):
        """Boxes side by side, each as near as it can be over its pins, and no
        pin of a box in line with another wire's vertical."""
        ideale = {id(s): s.sinistra_ideale(self.posto_qualsiasi) for s in self.righe[sopra]}
        scatole = sorted(self.righe[sopra], key=lambda s: ideale[id(s)] + s.l / 2)
        fine = -1e9
        for s in scatole:
            s.x = max(ideale[id(s)], fine + SPAZIO)
            fine = s.x + s.l
        if len(scatole) > 1:
            # What the pushes moved the row on the whole, back to the left.
            spinta = sum(s.x - ideale[id(s)] for s in scatole) / len(scatole)
            for s in scatole:
                s.x -= spinta
        self.righe[sopra] = scatole

    def scosta(self, sopra, vietati):
        """Moves boxes right until none of their pins is within a few pixels
        of another wire's vertical, nor of its own unless right over it
        (vietati: x and the Uno pin it goes to)."""
        scatole = self.righe[sopra]
        for i, s in enumerate(scatole):
            for _ in range(200):
                urta = any(abs(s.pin_x(k) - x) < 12 and (u not in uni or abs(s.pin_x(k) - x) > 0.5)
                           for k, (_, _, uni) in enumerate(s.vicini) for x, u in vietati)
                if not urta:
                    break
                for t in scatole[i:]:
                    t.x += 3

    def reti(self, sopra):
        reti = {}
        for s in self.righe[sopra]:
            for k, (j, _, uni) in enumerate(s.vicini):
                for u in uni:
                    reti.setdefault(u, Rete(u)).prese.append((s.pin_x(k), s, j))
        return reti

    # ---- The drawing ----

    def svg(self):
        sk = self.sketch
        # The board first at 0, the boxes over it; then everything moved right.
        for sopra in (True, False):
            self.disponi(sopra)
        laterali = []  # Uno pins that come round the board's left side
        for sopra in (True, False):
            for s in self.righe[sopra]:
                for _, _, uni in s.vicini:
                    for u in uni:
                        if self.posto(u, sopra) is None and u not in laterali:
                            laterali.append(u)
        lato = {u: -40 - 14 * k for k, u in enumerate(laterali)}
        for sopra in (True, False):
            vietati = [(lato[u], u) for u in laterali]
            vietati += [(x, u) for u in self.gruppi
                        for x in [self.posto(u, sopra)] if x is not None]
            self.scosta(sopra, vietati)
        reti = {}
        for sopra in (True, False):
            r = self.reti(sopra)
            for u in laterali:
                r.setdefault(u, Rete(u))
            for u, rete in r.items():
                x = self.posto(u, sopra)
                if x is not None and (rete.prese or u in laterali):
                    rete.attacchi.append(x)
                    rete.testata = True
                if u in laterali:
                    rete.attacchi.append(lato[u])
            reti[sopra] = ordina(list(r.values()))

        # Horizontal extent of everything, the board at x0 = 0.
        xs = [-10.0, SCHEDA_L + 10.0] + [lato[u] - 10 for u in laterali]
        for sopra in (True, False):
            for s in self.righe[sopra]:
                xs += [s.x, s.x + s.l]
        sinistra = min(xs) - 24
        larghezza_tot = max(xs) - sinistra + 24
        sposta = -sinistra
        for sopra in (True, False):
            for s in self.righe[sopra]:
                s.x += sposta
        self.x0 = sposta
        lato = {u: x + sposta for u, x in lato.items()}
        for sopra in (True, False):
            for rete in reti[sopra]:
                rete.prese = [(x + sposta, s, j) for x, s, j in rete.prese]
                rete.attacchi = [x + sposta for x in rete.attacchi]

        # Vertical layout.
        y = 70
        alti = self.righe[True]
        if any(s.lontani for s in alti):
            y += 40
        bordo_alto = y + max([s.h for s in alti], default=0)  # the top boxes' lower edge
        if alti:
            y = bordo_alto + MARGINE + CORSIA * (len(reti[True]) - 1) + MARGINE
        self.y0 = y  # the board's top edge
        for k, rete in enumerate(reti[True]):
            rete.y = self.y0 - MARGINE - CORSIA * k
        fondo_scheda = self.y0 + SCHEDA_H
        for k, rete in enumerate(reti[False]):
            rete.y = fondo_scheda + MARGINE + CORSIA * k
        bordo_basso = fondo_scheda + MARGINE + CORSIA * max(len(reti[False]) - 1, 0) + MARGINE
        bassi = self.righe[False]
        y = bordo_basso + max([s.h for s in bassi], default=0)
        if any(s.lontani for s in bassi):
            y += 40

        pezzi = []
        fili = []  # (x1, y1, x2, y2, colour, group)
        self.cablati = set()  # (top header, Uno pin) with a wire in it
        self.bordo = {True: bordo_alto, False: bordo_basso}
        for sopra in (True, False):
            for rete in reti[sopra]:
                col = self.colori[rete.uno]
                gruppo = self.gruppi[rete.uno]
                lo, hi = rete.estremi()
                if hi > lo:
                    fili.append((lo, rete.y, hi, rete.y, col, gruppo))
                for x, _, _ in rete.prese:
                    fili.append((x, self.bordo[sopra], x, rete.y, col, gruppo))
                if rete.testata:
                    px = self.posto(rete.uno, sopra)
                    self.cablati.add((sopra, rete.uno))
                    yp = self.y0 + 14 if sopra else fondo_scheda - 14
                    fili.append((px, rete.y, px, yp, col, gruppo))
        for u in laterali:
            ya = [r.y for r in reti[True] if r.uno == u][0]
            yb = [r.y for r in reti[False] if r.uno == u][0]
            fili.append((lato[u], ya, lato[u], yb, self.colori[u], self.gruppi[u]))

        # The board and the boxes first, the wires over them, the pins last.
        pezzi.append(testo(24, 36, sk.nome, 22, grassetto=True))
        pezzi += self.scheda()
        for sopra in (True, False):
            for s in self.righe[sopra]:
                pezzi += self.scatola(s, self.bordo[sopra])
        for x1, y1, x2, y2, col, _ in fili:
            pezzi.append('<line class="filo" x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" '
                         'stroke="%s"/>' % (x1, y1, x2, y2, col))
        pezzi += self.punti(fili)
        for sopra in (True, False):
            for s in self.righe[sopra]:
                pezzi += self.pin(s, self.bordo[sopra])
        y, coda = self.note(y + 30, larghezza_tot)
        pezzi += coda
        altezza = y + 16
        testa = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                 '<svg xmlns="http://www.w3.org/2000/svg" version="1.1" width="%d" height="%d" '
                 'viewBox="0 0 %d %d" font-family="%s">\n'
                 '<title>%s: wiring to the Arduino Uno</title>\n'
                 '<rect width="100%%" height="100%%" fill="#ffffff"/>\n'
                 '<g stroke-width="%.1f" stroke-linecap="round">\n'
                 % (larghezza_tot, altezza, larghezza_tot, altezza, FONT, escape(sk.nome),
                    SPESSORE))
        return testa + "\n".join(pezzi) + "\n</g>\n</svg>\n"

    def scheda(self):
        x0, y0 = self.x0, self.y0
        p = ['<rect x="%.1f" y="%.1f" width="26" height="54" rx="3" fill="#9e9e9e" '
             'stroke="#616161" stroke-width="1"/>' % (x0 - 14, y0 + 34),
             '<rect x="%.1f" y="%.1f" width="34" height="44" rx="3" fill="#333" '
             'stroke="none"/>' % (x0 - 10, y0 + 140),
             '<rect x="%.1f" y="%.1f" width="%d" height="%d" rx="10" fill="#00878f" '
             'stroke="#005c61" stroke-width="2"/>' % (x0, y0, SCHEDA_L, SCHEDA_H),
             testo(x0 + 30, y0 + 66, "USB", 11, colore="#e0f2f1"),
             testo(x0 + SCHEDA_L / 2 + 40, y0 + SCHEDA_H / 2 + 8, "Arduino Uno", 24,
                   "middle", "#ffffff", True)]
        for sopra in (True, False):
            fila = self.testata(sopra)
            yp = y0 + 14 if sopra else y0 + SCHEDA_H - 14
            xs = [self.posto(n, sopra) for n in fila if n]
            # The two rows of sockets of each header, as black strips.
            gruppi = [fila[:fila.index(None)], fila[fila.index(None) + 1:]]
            for g in gruppi:
                a, b = self.posto(g[0], sopra), self.posto(g[-1], sopra)
                if sopra and g[0] == "GND":
                    a = xs[0]
                p.append('<rect x="%.1f" y="%.1f" width="%.1f" height="18" fill="#1f1f1f" '
                         'stroke="none"/>' % (a - 15, yp - 9, b - a + 30))
            visti = {}
            for nome in fila:
                if nome is None:
                    continue
                visti[nome] = visti.get(nome, 0) + 1
                x = self.posti_ripetuti(nome, sopra, visti[nome])
                ident = "uno-%s" % nome if (sopra or nome != "GND") else "uno-GND-%d" % (
                    visti[nome] + 1)
                # The bottom header's first GND is the one wired.
                usato = (sopra, nome) in self.cablati and visti[nome] == 1
                p.append('<rect id="%s" x="%.1f" y="%.1f" width="10" height="10" fill="%s" '
                         'stroke="none"/>'
                         % (ident, x - 5, yp - 5, "#f5f5f5" if usato else "#8a8a8a"))
                ye = yp + 26 if sopra else yp - 18
                p.append(testo(x, ye, nome, 10.5, "middle", "#ffffff" if usato else "#b2dfdb",
                               usato))
                if nome in PWM:
                    p.append(testo(x, ye + 12, "~", 10.5, "middle", "#b2dfdb"))
                if nome == "AREF":  # the library switches the reference: never wired
                    p.append(testo(x, ye + 12, "leave free", 8.5, "middle", "#ffe082"))
        return p

    def posti_ripetuti(self, nome, sopra, volta):
        """x of the n-th pin of that name on a header (the bottom one has two GND)."""
        fila = self.testata(sopra)
        x = self.x0 + 100 + (0 if sopra else 3 * PASSO)
        n = 0
        for c in fila:
            if c is None:
                x += PASSO / 2
                continue
            if c == nome:
                n += 1
                if n == volta:
                    return x
            x += PASSO
        raise KeyError(nome)

    def scatola(self, s, bordo):
        y = bordo - s.h if s.sopra else bordo
        p = ['<rect x="%.1f" y="%.1f" width="%.1f" height="%.1f" rx="6" fill="#f4f6f8" '
             'stroke="#455a64" stroke-width="1.5"/>' % (s.x, y, s.l, s.h)]
        ty = y + 20 if s.sopra else y + 34 + 12
        for k, riga in enumerate(s.titolo):
            p.append(testo(s.x + s.l / 2, ty + 16 * k, riga, 12.5, "middle", "#1a1a1a", True))
        for k, (_, nome, _) in enumerate(s.vicini):
            yt = bordo - 10 if s.sopra else bordo + 19
            p.append(testo(s.pin_x(k), yt, nome, 11, "middle", "#37474f"))
        for k, (_, nome, uni) in enumerate(s.lontani):
            x = s.lontano_x(k)
            ye = y if s.sopra else y + s.h
            verso = -1 if s.sopra else 1
            p.append('<line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" stroke="%s" '
                     'stroke-dasharray="6 4"/>' % (x, ye, x, ye + verso * 22, PROPRIA))
            p.append(testo(x, ye + verso * 10 + 4, nome, 11, "end",
                           "#37474f", extra=' dx="-8"'))
            p.append(testo(x, ye + verso * 34 + (0 if s.sopra else 4), " and ".join(uni), 11,
                           "middle", PROPRIA, True))
        return p

    def pin(self, s, bordo):
        p = []
        for k, (j, nome, _) in enumerate(s.vicini):
            p.append('<circle id="pin-%d-%d" cx="%.1f" cy="%.1f" r="4" fill="#ffffff" '
                     'stroke="#37474f" stroke-width="1.5"/>' % (s.indice, j, s.pin_x(k), bordo))
        for k, (j, nome, _) in enumerate(s.lontani):
            y = bordo - s.h if s.sopra else bordo + s.h
            p.append('<circle id="pin-%d-%d" cx="%.1f" cy="%.1f" r="4" fill="#ffffff" '
                     'stroke="#37474f" stroke-width="1.5"/>' % (s.indice, j, s.lontano_x(k), y))
        return p

    def punti(self, fili):
        """A dot where three or more wire ends or runs of one group meet."""
        p = []
        orizzontali = [f for f in fili if f[1] == f[3] and f[0] != f[2]]
        verticali = [f for f in fili if f[0] == f[2]]
        visti = set()
        for x1, y, x2, _, col, g in orizzontali:
            for vx, vy1, _, vy2, _, vg in verticali:
                if vg != g or not (x1 <= vx <= x2) or not (min(vy1, vy2) <= y <= max(vy1, vy2)):
                    continue
                rami = (x1 < vx) + (vx < x2)
                rami += any(w[0] == vx and w[5] == g and min(w[1], w[3]) < y for w in verticali)
                rami += any(w[0] == vx and w[5] == g and max(w[1], w[3]) > y for w in verticali)
                if rami >= 3 and (vx, y) not in visti:
                    visti.add((vx, y))
                    p.append('<circle cx="%.1f" cy="%.1f" r="4.2" fill="%s"/>' % (vx, y, col))
        return p

    def note(self, y, larghezza_tot):
        p = []
        x = 24
        voci = [(b, c, "") for b, c in COLORI_BUS.items() if b in self.colori]
        voci.sort(key=lambda v: ["5V", "GND", "3.3V", "Vin"].index(v[0]))
        if any(s.lontani for r in self.righe.values() for s in r):
            voci.append(("a supply of its own", PROPRIA, ' stroke-dasharray="6 4"'))
        voci.append(("other colours: one for each signal", None, ""))
        for nome, col, extra in voci:
            if col:
                p.append('<line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" stroke="%s"%s/>'
                         % (x, y - 4, x + 26, y - 4, col, extra))
                x += 32
            p.append(testo(x, y, nome, 12, colore="#333"))
            x += larghezza(nome, 12) + 22
        p.append('<circle cx="%.1f" cy="%.1f" r="4.2" fill="#333"/>' % (x + 4, y - 4))
        p.append(testo(x + 14, y, "wires joined", 12, colore="#333"))
        y += 12
        colonne = int((larghezza_tot - 60) / (0.56 * 12.5))
        for nota in self.sketch.note:
            righe = textwrap.wrap(" ".join(nota.split()), colonne)
            y += 10
            for k, riga in enumerate(righe):
                y += 17
                if k == 0:
                    p.append(testo(24, y, "\u2022", 12.5, colore="#333"))
                p.append(testo(38, y, riga, 12.5, colore="#222"))
        return y, p


def disegno(sketch):
    """The sketch's wiring as an SVG document."""
    return Disegno(sketch).svg()
