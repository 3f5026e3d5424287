#!/usr/bin/env python3
"""The sketches' wiring, from firmware/cablaggi.toml: the table at the top of
every sketch, the wiring table of docs/ARCHITECTURE.md and one SVG picture
per sketch.

  cablaggi.py --commenti           rewrites each sketch's wiring block
  cablaggi.py --documento FILE     rewrites the wiring table in FILE (Markdown)
  cablaggi.py --svg DIR            writes DIR/<Sketch>.svg for every sketch
  cablaggi.py --verifica [--documento FILE] [--svg DIR]
                                   exit 1, with a diff, when a file is not what
                                   the table makes

Python's standard library only, so that any machine with python3 runs it.
"""

import argparse
import difflib
import os
import sys
import textwrap

try:
    import tomllib
except ImportError:
    sys.exit("cablaggi: needs Python 3.11 or later (its tomllib reads cablaggi.toml)")

import cablaggi_svg

QUI = os.path.dirname(os.path.abspath(__file__))
TABELLA = os.path.join(QUI, "cablaggi.toml")
ESEMPI = os.path.join(QUI, "examples")

# The Uno's pins a wire may go to; the buses are shared by every part.
DIGITALI = ["D%d" % n for n in range(14)]
ANALOGICI = ["A%d" % n for n in range(6)]
BUS = ["5V", "3.3V", "GND", "Vin"]
PIN_UNO = set(DIGITALI + ANALOGICI + BUS + ["AREF", "IOREF", "RESET"])
# A supply that is not the board's: the wire ends at a label, not at the Uno.
PROPRIA = "own "

INIZIO_COMMENTO = "   ---- wiring: from firmware/cablaggi.toml ----"
FINE_COMMENTO = "   ---- end of wiring ----"
INIZIO_DOCUMENTO = "<!-- wiring: made from firmware/cablaggi.toml by make cablaggi -->"
FINE_DOCUMENTO = "<!-- end of wiring -->"
LARGHEZZA_COMMENTO = 88


class Errore(Exception):
    """A wiring table that cannot be right: the message says where."""


class Parte:
    def __init__(self, voce, dove):
        ammesse = {"nome", "breve", "pin", "campi", "note_comuni"}
        ignote = set(voce) - ammesse
        if ignote:
            raise Errore("%s: unknown keys %s" % (dove, ", ".join(sorted(ignote))))
        self.nome = voce.get("nome", "")
        self.breve = voce.get("breve", self.nome)
        self.fili = []  # (part's pin, Uno pin or own supply)
        for filo in voce.get("pin", []):
            if len(filo) != 2 or not all(isinstance(x, str) for x in filo):
                raise Errore("%s: a wire is [\"part's pin\", \"Uno pin\"], not %r" % (dove, filo))
            pin, uno = filo
            if uno not in PIN_UNO and not uno.startswith(PROPRIA):
                raise Errore("%s: %r is not a pin of the Uno (D0..D13, A0..A5, 5V, 3.3V, GND, "
                             "Vin) nor a supply of its own (\"own 5V\")" % (dove, uno))
            if (pin, uno) in self.fili:
                raise Errore("%s: the wire %s %s twice" % (dove, pin, uno))
            self.fili.append((pin, uno))
        if self.fili and not self.nome:
            raise Errore("%s: a part with pins needs a nome" % dove)
        self.campi = []
        for campo in voce.get("campi", []):
            if len(campo) != 2:
                raise Errore("%s: a field is [\"name\", \"meaning\"], not %r" % (dove, campo))
            self.campi.append(tuple(campo))
        self.note_comuni = voce.get("note_comuni", [])

    def pin(self):
        """The part's own pins, in its order, each with the Uno pins it goes to."""
        gruppi = []
        for pin, uno in self.fili:
            nome = pin or uno
            for g in gruppi:
                if g[0] == nome:
                    g[1].append(uno)
                    break
            else:
                gruppi.append((nome, [uno]))
        return gruppi


class Sketch:
    def __init__(self, nome, voce, comuni):
        ammesse = {"note", "condivisi", "colonna", "parte"}
        ignote = set(voce) - ammesse
        if ignote:
            raise Errore("%s: unknown keys %s" % (nome, ", ".join(sorted(ignote))))
        self.nome = nome
        self.colonna = voce.get("colonna")
        self.condivisi = voce.get("condivisi", [])
        self.parti = [Parte(p, "%s, part %d" % (nome, i + 1))
                      for i, p in enumerate(voce.get("parte", []))]
        self.note = list(voce.get("note", []))
        for parte in self.parti:
            for chiave in parte.note_comuni:
                if chiave not in comuni:
                    raise Errore("%s: no note %r in [note_comuni]" % (nome, chiave))
                if comuni[chiave] not in self.note:
                    self.note.append(comuni[chiave])
        # Two pins of the board itself that a teacher is told of wherever they
        # matter: D13, which the bootloader flashes at every reset, where it is
        # wired; AREF, free while the library switches the converter's
        # reference, wherever an analog input is.
        usati = self.usati()
        for chiave, vale in (("d13", "D13" in usati), ("aref", bool(usati & set(ANALOGICI)))):
            if vale and chiave in comuni and comuni[chiave] not in self.note:
                self.note.append(comuni[chiave])
        self.controlla_condivisi()

    def cablate(self):
        return [p for p in self.parti if p.fili]

    def usati(self):
        """Every Uno pin a wire goes to."""
        return {uno for p in self.parti for _, uno in p.fili if uno in PIN_UNO}

    def controlla_condivisi(self):
        parti_di = {}
        for i, parte in enumerate(self.parti):
            for _, uno in parte.fili:
                if uno in PIN_UNO and uno not in BUS:
                    parti_di.setdefault(uno, set()).add(i)
        for uno, parti in sorted(parti_di.items()):
            if len(parti) > 1 and uno not in self.condivisi:
                nomi = " and ".join(self.parti[i].nome for i in sorted(parti))
                raise Errore("%s: %s share %s: mark it in condivisi if it is meant" %
                             (self.nome, nomi, uno))
        for uno in self.condivisi:
            if len(parti_di.get(uno, ())) < 2:
                raise Errore("%s: %s is in condivisi but no two parts share it" %
                             (self.nome, uno))


def carica(percorso=TABELLA, testo=None):
    """The sketches of the wiring table, in its order."""
    try:
        if testo is None:
            with open(percorso, "rb") as f:
                dati = tomllib.load(f)
        else:
            dati = tomllib.loads(testo)
    except tomllib.TOMLDecodeError as e:
        raise Errore("%s: %s" % (percorso, e)) from e
    comuni = {k: " ".join(v.split()) for k, v in dati.pop("note_comuni", {}).items()}
    return [Sketch(nome, voce, comuni) for nome, voce in dati.items()]


# ---- The sketches' comments --------------------------------------------------


def righe_pin(parte, larghezza=0):
    """The Pins column of a part: one line for each of its pins, names
    padded to larghezza, and runs of unnamed pins (D2 .. D7) in one line."""
    righe, serie = [], []

    def chiudi():
        if serie:
            righe.append(serie[0] if len(serie) == 1 else "%s .. %s" % (serie[0], serie[-1]))
            serie.clear()

    for nome, uni in parte.pin():
        if nome in [u for p, u in parte.fili if not p]:
            serie.append(nome)
            continue
        chiudi()
        righe.append(("%-*s %s" % (larghezza, nome, " and ".join(uni))).rstrip())
    chiudi()
    return righe


def commento(sketch):
    """The wiring block of a sketch's top comment, between its markers."""
    parte_l = 22
    nomi_l = max((len(p) for parte in sketch.parti for p, _ in parte.fili), default=0)
    pin_l = max([13] + [len(r) + 1 for p in sketch.parti for r in righe_pin(p, nomi_l)])
    campo_l = max([6] + [len(c) for p in sketch.parti for c, _ in p.campi]) + 1
    rientro = "   "
    if sketch.colonna:
        campo_l = 0
    senso_l = LARGHEZZA_COMMENTO - len(rientro) - (parte_l + 1) - pin_l - campo_l
    testa = rientro + "%-*s %-*s" % (parte_l, "Part", pin_l, "Pins")
    testa += sketch.colonna if sketch.colonna else "%-*sMeaning" % (campo_l, "Field")
    righe = [INIZIO_COMMENTO, testa]
    for parte in sketch.parti:
        nome = textwrap.wrap(parte.nome, parte_l) if parte.nome else []
        pin = righe_pin(parte, nomi_l)
        destra = []
        for campo, senso in parte.campi:
            pezzi = textwrap.wrap(" ".join(senso.split()), senso_l) or [""]
            destra.append("%-*s%s" % (campo_l, campo, pezzi[0]))
            destra += [" " * campo_l + p for p in pezzi[1:]]
        for i in range(max(len(nome), len(pin), len(destra))):
            riga = "%-*s %-*s%s" % (parte_l, nome[i] if i < len(nome) else "", pin_l,
                                    pin[i] if i < len(pin) else "",
                                    destra[i] if i < len(destra) else "")
            righe.append((rientro + riga).rstrip())
    for nota in sketch.note:
        righe.append("")
        righe += textwrap.wrap(" ".join(nota.split()), LARGHEZZA_COMMENTO - len(rientro),
                               initial_indent=rientro, subsequent_indent=rientro)
    righe.append(FINE_COMMENTO)
    return righe


def sostituisci(testo, inizio, fine, blocco, dove):
    righe = testo.split("\n")
    try:
        a = righe.index(inizio)
        b = righe.index(fine, a)
    except ValueError:
        raise Errore("%s: no wiring block (the lines %r and %r)" % (dove, inizio, fine)) from None
    return "\n".join(righe[:a] + blocco + righe[b + 1:])


def file_sketch(nome):
    return os.path.join(ESEMPI, nome, nome + ".ino")


def commenti_nuovi(sketches):
    """Each sketch's file as the table makes it: {path: text}."""
    nuovi = {}
    cartelle = sorted(d for d in os.listdir(ESEMPI) if os.path.isdir(os.path.join(ESEMPI, d)))
    nomi = [s.nome for s in sketches]
    for cartella in cartelle:
        if cartella not in nomi:
            raise Errore("examples/%s has no wiring in cablaggi.toml" % cartella)
    for sketch in sketches:
        percorso = file_sketch(sketch.nome)
        if not os.path.exists(percorso):
            raise Errore("%s: no sketch %s" % (sketch.nome, percorso))
        with open(percorso, encoding="utf-8") as f:
            testo = f.read()
        nuovi[percorso] = sostituisci(testo, INIZIO_COMMENTO, FINE_COMMENTO, commento(sketch),
                                      percorso)
    return nuovi


# ---- The Markdown table ------------------------------------------------------


def tabella_md(sketches):
    """The Markdown table: each sketch's parts and the pins besides 5V and GND."""
    righe = [INIZIO_DOCUMENTO, "| sketch | parts and the Uno pins they take (besides 5V and GND) |",
             "|---|---|"]
    for sketch in sketches:
        parti = []
        for parte in sketch.cablate():
            fili = [[p, u] for p, u in parte.fili if u not in ("5V", "GND")]
            if len(fili) == 1:
                parti.append("%s: %s" % (parte.breve, fili[0][1]))
            elif fili:
                pin = righe_pin(Parte({"nome": parte.nome, "pin": fili}, sketch.nome))
                parti.append("%s: %s" % (parte.breve, ", ".join(" ".join(r.split()) for r in pin)))
            else:
                parti.append(parte.breve)
        righe.append("| `%s` | %s |" % (sketch.nome, "; ".join(parti)))
    righe.append(FINE_DOCUMENTO)
    return righe


def documento_nuovo(sketches, percorso):
    with open(percorso, encoding="utf-8") as f:
        testo = f.read()
    return sostituisci(testo, INIZIO_DOCUMENTO, FINE_DOCUMENTO, tabella_md(sketches), percorso)


# ---- Writing and checking --------------------------------------------------------


def tutti(sketches, percorso_documento, cartella_svg, commenti):
    """Every file the table makes: {path: text}."""
    nuovi = {}
    if commenti:
        nuovi.update(commenti_nuovi(sketches))
    if percorso_documento:
        nuovi[percorso_documento] = documento_nuovo(sketches, percorso_documento)
    if cartella_svg:
        for sketch in sketches:
            nuovi[os.path.join(cartella_svg, sketch.nome + ".svg")] = cablaggi_svg.disegno(sketch)
    return nuovi


def scrivi(nuovi):
    for percorso, testo in nuovi.items():
        vecchio = None
        if os.path.exists(percorso):
            with open(percorso, encoding="utf-8") as f:
                vecchio = f.read()
        if vecchio != testo:
            os.makedirs(os.path.dirname(percorso) or ".", exist_ok=True)
            with open(percorso, "w", encoding="utf-8") as f:
                f.write(testo)
            print("written", os.path.relpath(percorso))


def verifica(nuovi, cartella_svg):
    """The files that differ from what the table makes, as a diff."""
    diff = []
    for percorso, testo in nuovi.items():
        vecchio = ""
        if os.path.exists(percorso):
            with open(percorso, encoding="utf-8") as f:
                vecchio = f.read()
        if vecchio != testo:
            diff += difflib.unified_diff(vecchio.splitlines(True), testo.splitlines(True),
                                         percorso, percorso + " (from cablaggi.toml)")
            if not diff[-1].endswith("\n"):
                diff[-1] += "\n"
    if cartella_svg and os.path.isdir(cartella_svg):
        for nome in sorted(os.listdir(cartella_svg)):
            percorso = os.path.join(cartella_svg, nome)
            if nome.endswith(".svg") and percorso not in nuovi:
                diff.append("%s: no sketch of that name in cablaggi.toml\n" % percorso)
    return "".join(diff)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--commenti", action="store_true", help="the sketches' wiring blocks")
    parser.add_argument("--documento", metavar="FILE",
                        help="the Markdown file whose wiring table is rewritten")
    parser.add_argument("--svg", metavar="DIR", help="one picture per sketch in DIR")
    parser.add_argument("--verifica", action="store_true",
                        help="check instead of writing (the comments always, and the document and "
                             "pictures given)")
    parser.add_argument("--tabella", default=TABELLA, help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    if not (args.commenti or args.documento or args.svg or args.verifica):
        parser.error("nothing to do: give --commenti, --documento, --svg or --verifica")
    try:
        sketches = carica(args.tabella)
        nuovi = tutti(sketches, args.documento, args.svg, args.commenti or args.verifica)
    except (Errore, OSError) as e:
        print("cablaggi: %s" % e, file=sys.stderr)
        return 2
    if args.verifica:
        diff = verifica(nuovi, args.svg)
        if diff:
            sys.stdout.write(diff)
            print("cablaggi: these files are not what cablaggi.toml makes: run make cablaggi",
                  file=sys.stderr)
            return 1
        return 0
    scrivi(nuovi)
    return 0


if __name__ == "__main__":
    sys.exit(main())
