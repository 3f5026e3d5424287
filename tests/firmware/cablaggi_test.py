#!/usr/bin/env python3
"""The wiring table against the sketches' code and the pictures: every pin a
sketch's code uses is in its table and wired in its picture, the picture joins
exactly what the table joins, and the comments, the wiring table of
docs/ARCHITECTURE.md and the pictures are what firmware/cablaggi.py makes
(cablaggi_test.py SOURCE_DIR)."""

import os
import re
import sys
import unittest
import xml.etree.ElementTree as ET

SORGENTI = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(SORGENTI, "firmware"))
import cablaggi  # noqa: E402
import cablaggi_svg  # noqa: E402

ARCHITETTURA = os.path.join(SORGENTI, "docs", "ARCHITECTURE.md")
DISEGNI = os.path.join(SORGENTI, "docs", "guide", "wiring")
SVG = "{http://www.w3.org/2000/svg}"

# The calls that take a pin, and which of their arguments it is.
CHIAMATE = {"pinMode": 0, "digitalWrite": 0, "digitalRead": 0, "analogWrite": 0, "analogRead": 0,
            "pulseIn": 0, "lumettoMisura": 0, "lumettoMisuraLM35": 0, "lumettoLM35": 0,
            "lumettoVolt": 0, "lumettoFrazione": 0, "lumettoUscita": 0, "lumettoAttiva": 0,
            "lumettoChiuso": 0, "lumettoGiri::inizia": 0, "lumettoServo::muovi": 1}
# Library calls that read pins of their own.
IMPLICITI = {"lumettoStatoPin": ["D2", "D3", "D4", "D5", "D6", "D7",
                                 "A0", "A1", "A2", "A3", "A4", "A5"]}


def nome_pin(n):
    return "D%d" % n if n < 14 else "A%d" % (n - 14)


def argomenti(testo, inizio):
    """The arguments of the call whose '(' is at inizio."""
    profondita, pezzo, args = 0, "", []
    for c in testo[inizio + 1:]:
        if c in "([{":
            profondita += 1
        elif c in ")]}":
            if profondita == 0:
                args.append(pezzo.strip())
                return args
            profondita -= 1
        if c == "," and profondita == 0:
            args.append(pezzo.strip())
            pezzo = ""
        else:
            pezzo += c
    return args


def pin_del_codice(percorso):
    """The Uno pins a sketch's code uses: constants and loop variables are
    followed to their values, an array stands for all of its values."""
    with open(percorso, encoding="utf-8") as f:
        testo = re.sub(r"/\*.*?\*/|//[^\n]*", "", f.read(), flags=re.S)
    valori = {"A%d" % n: {14 + n} for n in range(6)}

    def valuta(espr):
        """Every value the expression may take, or None when it is not known."""
        espr = espr.strip()
        m = re.fullmatch(r"static_cast<\w+>\((.*)\)", espr)
        if m:
            espr = m.group(1)
        m = re.fullmatch(r"(\w+)\[.*\]", espr)
        if m:
            return valori.get(m.group(1))
        nomi = re.findall(r"[A-Za-z_]\w*", espr)
        scelte = [sorted(valori[n]) for n in nomi if n in valori]
        if any(n not in valori for n in nomi) or not re.fullmatch(r"[\w\s+\-*()]*", espr):
            return None
        risultati = set()

        def prova(i, legami):
            if i == len(nomi):
                risultati.add(eval(re.sub(r"[A-Za-z_]\w*", lambda m: str(legami[m.group(0)]),
                                          espr), {"__builtins__": {}}))
                return
            if nomi[i] in legami:
                prova(i + 1, legami)
                return
            for v in scelte[i]:
                prova(i + 1, dict(legami, **{nomi[i]: v}))

        prova(0, {})
        return risultati

    for dichiarazione in re.findall(r"const\s+uint8_t\s+([^;]*);", testo):
        for nome, indice, valore in re.findall(
                r"(\w+)\s*(\[[^\]]*\])?\s*=\s*(\{[^}]*\}|[^,{]+)", dichiarazione):
            if valore.startswith("{"):
                elementi = [valuta(v) for v in valore[1:-1].split(",")]
                if all(e is not None for e in elementi):
                    valori[nome] = set().union(*elementi)
            else:
                v = valuta(valore)
                if v is not None:
                    valori[nome] = v
    for nome, da, confronto, a in re.findall(
            r"for\s*\(\s*uint8_t\s+(\w+)\s*=\s*([^;]+);\s*\1\s*(<=?)\s*([^;]+);", testo):
        inizio, fine = valuta(da), valuta(a)
        if inizio and fine and len(inizio) == 1 and len(fine) == 1:
            fine = max(fine) + (1 if confronto == "<=" else 0)
            valori[nome] = valori.get(nome, set()) | set(range(min(inizio), fine))
    usati = set()
    for m in re.finditer(r"([\w:]+)\s*\(", testo):
        funzione = m.group(1)
        if funzione in IMPLICITI:
            usati |= set(IMPLICITI[funzione])
        if funzione not in CHIAMATE:
            continue
        args = argomenti(testo, m.end() - 1)
        v = valuta(args[CHIAMATE[funzione]])
        if v is None:
            raise AssertionError("%s: the pin of %s(%s) is not known" % (
                percorso, funzione, ", ".join(args)))
        usati |= {nome_pin(n) for n in v}
    return usati


def reti_del_disegno(percorso):
    """The picture as drawn: which part pins (pin-<part>-<pin>) and Uno pins
    (uno-<name>) its wires join, as sets of joined names."""
    radice = ET.parse(percorso).getroot()
    punti = {}
    for e in radice.iter():
        ident = e.get("id", "")
        if e.tag == SVG + "circle" and ident.startswith("pin-"):
            punti[ident] = (float(e.get("cx")), float(e.get("cy")))
        elif e.tag == SVG + "rect" and ident.startswith("uno-"):
            punti[ident] = (float(e.get("x")) + float(e.get("width")) / 2,
                            float(e.get("y")) + float(e.get("height")) / 2)
    fili = [tuple(float(e.get(a)) for a in ("x1", "y1", "x2", "y2"))
            for e in radice.iter(SVG + "line") if e.get("class") == "filo"]

    def su(p, f):
        (x, y), (x1, y1, x2, y2) = p, f
        return (min(x1, x2) - 0.05 <= x <= max(x1, x2) + 0.05
                and min(y1, y2) - 0.05 <= y <= max(y1, y2) + 0.05
                and abs((x2 - x1) * (y - y1) - (y2 - y1) * (x - x1)) < 0.05)

    # Two wires are joined where an end of one lies on the other.
    padre = list(range(len(fili)))

    def capo(i):
        while padre[i] != i:
            i = padre[i]
        return i

    for i, a in enumerate(fili):
        for j, b in enumerate(fili):
            if i != j and (su(a[:2], b) or su(a[2:], b)):
                padre[capo(i)] = capo(j)
    reti = {}
    for nome, p in punti.items():
        tocca = [capo(i) for i, f in enumerate(fili) if su(p, f)]
        for r in tocca:
            # The bottom header's other GND (uno-GND-2) is GND.
            reti.setdefault(r, set()).add(re.sub(r"-\d+$", "", nome) if nome.startswith("uno-")
                                          else nome)
    return list(reti.values())


class Cablaggi(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sketches = cablaggi.carica()

    def test_the_files_are_what_the_table_makes(self):
        self.assertEqual(cablaggi.main(["--verifica", "--documento", ARCHITETTURA, "--svg", DISEGNI]), 0)

    def test_every_pin_the_code_uses_is_wired_in_the_table_and_the_picture(self):
        for sketch in self.sketches:
            with self.subTest(sketch=sketch.nome):
                codice = pin_del_codice(cablaggi.file_sketch(sketch.nome))
                self.assertTrue(codice)
                self.assertLessEqual(codice, sketch.usati(), "pins the table lacks")
                self.assertLessEqual(sketch.usati() - set(cablaggi.BUS), codice,
                                     "pins the code does not use")
                disegnati = {n[4:] for rete in reti_del_disegno(
                    os.path.join(DISEGNI, sketch.nome + ".svg")) for n in rete
                    if n.startswith("uno-")}
                self.assertLessEqual(codice, disegnati, "pins with no wire in the picture")

    def test_the_picture_joins_what_the_table_joins_and_nothing_else(self):
        for sketch in self.sketches:
            with self.subTest(sketch=sketch.nome):
                attese = {}  # the Uno pins, and the part pins on each
                for i, parte in enumerate(sketch.parti):
                    for j, (_, uni) in enumerate(parte.pin()):
                        for u in uni:
                            if u in cablaggi.PIN_UNO:
                                attese.setdefault("uno-" + u, set()).add("pin-%d-%d" % (i, j))
                reti = reti_del_disegno(os.path.join(DISEGNI, sketch.nome + ".svg"))
                for uno, pin in attese.items():
                    rete = [r for r in reti if uno in r]
                    # GND is on both headers, joined by the board.
                    self.assertEqual(len(rete) if uno != "uno-GND" else min(len(rete), 1), 1, uno)
                    self.assertLessEqual(pin, set().union(*rete), uno)
                gruppi = cablaggi_svg.Disegno(sketch).gruppi
                for rete in reti:
                    uni = {n for n in rete if n.startswith("uno-")}
                    # One part pin may join two Uno pins (the ADXL335's VCC is
                    # 3.3V and A3): then the two are one net, and so drawn.
                    self.assertEqual(len({gruppi[u[4:]] for u in uni}), 1, rete)
                    legati = set().union(*(attese[u] for u in uni))
                    self.assertLessEqual({n for n in rete if n.startswith("pin-")}, legati,
                                         "a part pin joined to a pin the table does not say")

    def test_a_table_that_cannot_be_right_is_refused(self):
        casi = [
            ("two parts on one signal pin",
             '[S]\n[[S.parte]]\nnome="a"\npin=[["IN","D8"]]\n[[S.parte]]\nnome="b"\n'
             'pin=[["IN","D8"]]\n', "share D8"),
            ("a shared pin no two parts share",
             '[S]\ncondivisi=["D8"]\n[[S.parte]]\nnome="a"\npin=[["IN","D8"]]\n',
             "no two parts share"),
            ("a pin the Uno has not", '[S]\n[[S.parte]]\nnome="a"\npin=[["IN","D14"]]\n',
             "not a pin of the Uno"),
            ("a key misspelt", '[S]\n[[S.parte]]\nnome="a"\npins=[["IN","D8"]]\n',
             "unknown keys"),
            ("a common note that does not exist",
             '[S]\n[[S.parte]]\nnome="a"\npin=[["IN","D8"]]\nnote_comuni=["relè"]\n',
             "no note"),
        ]
        for nome, testo, messaggio in casi:
            with self.subTest(nome):
                with self.assertRaisesRegex(cablaggi.Errore, messaggio):
                    cablaggi.carica("prova.toml", testo)
        # Every part shares 5V and GND; a pin marked as shared may be.
        cablaggi.carica("prova.toml", '[S]\ncondivisi=["D8"]\n[[S.parte]]\nnome="a"\n'
                        'pin=[["IN","D8"],["GND","GND"]]\n[[S.parte]]\nnome="b"\n'
                        'pin=[["IN","D8"],["GND","GND"]]\n')


if __name__ == "__main__":
    unittest.main(verbosity=2)
