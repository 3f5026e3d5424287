#!/usr/bin/env python3
"""The udev rule against a description of each chip, as udev reads it for a
tty: the keys of its lines matched in order, GOTO and LABEL followed, the
first failing match ending a line. udevadm itself reads the installed rule on
a fresh root (scripts/prova-pacchetto.sh); this proves which boards it takes.
"""
import fnmatch
import re
import sys

REGOLA = sys.argv[1]

# (what, subsystem, action, idVendor, idProduct, taken)
CHIP = [
    ("Arduino Uno R3 (ATmega16U2)", "tty", "add", "2341", "0043", True),
    ("Arduino Mega 2560", "tty", "add", "2341", "0042", True),
    ("Arduino Leonardo", "tty", "add", "2341", "8036", True),
    ("Arduino Srl Uno", "tty", "add", "2a03", "0043", True),
    ("CH340 clone", "tty", "add", "1a86", "7523", True),
    ("CH9102 clone", "tty", "add", "1a86", "55d4", True),
    ("FTDI FT232R (Nano, Duemilanove)", "tty", "add", "0403", "6001", True),
    ("Silicon Labs CP2102", "tty", "add", "10c4", "ea60", True),
    ("an Uno's USB interface, not its tty", "usb", "add", "2341", "0043", False),
    ("an Uno unplugged", "tty", "remove", "2341", "0043", False),
    ("a Huawei 3G modem", "tty", "add", "12d1", "1506", False),
    ("a CH341 in parallel-port mode", "tty", "add", "1a86", "5512", False),
    ("an FTDI chip of another product", "tty", "add", "0403", "ffa8", False),
]

CHIAVE = re.compile(r'\s*([A-Z_]+)(?:\{([^}]*)\})?\s*(==|!=|\+=|=|:=)\s*"([^"]*)"\s*(?:,|$)')


def righe():
    for numero, riga in enumerate(open(REGOLA, encoding="utf-8"), 1):
        riga = riga.strip()
        if not riga or riga.startswith("#"):
            continue
        chiavi, resto = [], riga
        while resto:
            m = CHIAVE.match(resto)
            if not m:
                sys.exit(f"{REGOLA}:{numero}: not understood: {resto}")
            chiavi.append(m.groups())
            resto = resto[m.end():]
        yield chiavi


def valuta(sottosistema, azione, vendor, prodotto):
    regole = list(righe())
    etichette = {c[0][3]: i for i, c in enumerate(regole) if c[0][0] == "LABEL"}
    tag, env, i = set(), {}, 0
    while i < len(regole):
        salta = None
        for nome, attr, op, valore in regole[i]:
            if op in ("==", "!="):
                vero = {"ACTION": azione, "SUBSYSTEM": sottosistema,
                        "ATTRS": {"idVendor": vendor, "idProduct": prodotto}.get(attr, "")}[nome]
                uguale = any(fnmatch.fnmatchcase(vero, v) for v in valore.split("|"))
                if uguale != (op == "=="):
                    break
            elif nome == "GOTO":
                salta = valore
            elif nome == "TAG":
                tag.add(valore)
            elif nome == "ENV":
                env[attr] = valore
        else:
            if salta:
                i = etichette[salta]
                continue
        i += 1
    return tag, env


sbagli = 0
for cosa, sottosistema, azione, vendor, prodotto, preso in CHIP:
    tag, env = valuta(sottosistema, azione, vendor, prodotto)
    atteso = ({"uaccess"}, {"ID_MM_DEVICE_IGNORE": "1"}) if preso else (set(), {})
    if (tag, env) != atteso:
        print(f"{cosa} ({vendor}:{prodotto}, {sottosistema}, {azione}): {tag} {env}, "
              f"expected {atteso}")
        sbagli += 1
print(f"{len(CHIP) - sbagli} of {len(CHIP)} chips as expected")
sys.exit(1 if sbagli else 0)
