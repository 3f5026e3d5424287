#!/usr/bin/env python3
"""Writes the default scheme files data/climatica.sca, solare.sca and
irrigazione.sca as the program writes them: 39 lines, CR LF, Windows-1252,
positions right-aligned in 6 characters.

The label positions come from the drawings: the white box with id
"valore-N" is where the label of variable N stands, so moving a box in the
SVG and running this script moves the label with it."""

import os
import re
import sys

QUI = os.path.dirname(os.path.abspath(__file__))
DATI = os.path.dirname(QUI)

# Where the label's text starts inside its box (the box is drawn a little
# larger so that the text never touches its border).
MARGINE_X = 6
MARGINE_Y = 3

# Headers and type masks are those of the board's sketches (the frames the
# program reads); colours: 0 black, 1 red, 2 blue, 3 green; sizes: 0 14 pt,
# 1 16 pt, 2 18 pt.
IMPIANTI = {
    "climatica": {
        "testata": "Test..Tint..Set...Umid..CO2...Cald..Cond..Vent..Fin...",
        "tipo": "111112224",
        # temperatures red, humidity blue, CO2 black, the actuators green
        "colori": "110203333",
        "dimensioni": "122111111",
        "condizioni": ["2>26", "2<18", "5>1200", "4>65", "4<30", "1<0"],
    },
    "solare": {
        "testata": "Tcoll.Tbass.Talto.Irr...DeltaTPompa.Integ.Deviat",
        "tipo": "11111224",
        # hot collector and tank top red, cold tank bottom blue
        "colori": "12100333",
        "dimensioni": "22211111",
        "condizioni": ["1>90", "3>75", "3<40", "5<2", "7=on", "8=apre"],
    },
    "irrigazione": {
        "testata": "Umid1.Umid2.PioggiLiv...Pompa.EV1...EV2...Temp..",
        "tipo": "11212441",
        # water things blue, the actuators green, the air temperature red
        "colori": "22223331",
        "dimensioni": "22121111",
        "condizioni": ["1<25", "2<25", "4<15", "3=on", "8>35"],
    },
}

RIGHE = 39
SLOT = 12


def posizioni(svg, n):
    testo = open(svg, encoding="utf-8").read()
    pos = {}
    for rect in re.findall(r"<rect\b[^>]*>", testo):
        ident = re.search(r'\bid="valore-(\d+)"', rect)
        if not ident:
            continue
        x = float(re.search(r'\bx="([\d.]+)"', rect).group(1))
        y = float(re.search(r'\by="([\d.]+)"', rect).group(1))
        pos[int(ident.group(1))] = (int(x) + MARGINE_X, int(y) + MARGINE_Y)
    mancano = [i for i in range(1, n + 1) if i not in pos]
    if mancano or any(i > n for i in pos):
        sys.exit(f"{svg}: caselle valore-N sbagliate (mancano {mancano})")
    return pos


def scheda(nome, d):
    n = len(d["testata"]) // 6
    assert len(d["testata"]) == 6 * n and len(d["tipo"]) == n
    assert len(d["colori"]) == n and len(d["dimensioni"]) == n
    assert all(len(c) <= 10 for c in d["condizioni"]) and len(d["condizioni"]) <= 10
    pos = posizioni(os.path.join(QUI, nome + ".svg"), n)
    righe = [d["testata"], d["tipo"], d["colori"], d["dimensioni"]]
    righe += (d["condizioni"] + [""] * 10)[:10]
    righe.append("c:\\lavoro\\arduino\\" + nome + ".jpg")
    for i in range(1, SLOT + 1):
        x, y = pos.get(i, (0, 0))
        righe += [f"{x:>6}", f"{y:>6}"]
    assert len(righe) == RIGHE
    dati = "".join(r + "\r\n" for r in righe).encode("cp1252")
    with open(os.path.join(DATI, nome + ".sca"), "wb") as f:
        f.write(dati)
    return pos


if __name__ == "__main__":
    for nome, d in IMPIANTI.items():
        pos = scheda(nome, d)
        print(nome, " ".join(f"{i}:{x},{y}" for i, (x, y) in sorted(pos.items())))
