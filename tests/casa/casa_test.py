#!/usr/bin/env python3
"""The house's shape, read from the source tree: the rooms (top-level folders)
link one another without a circle, so every arrow runs one way, and no source
file grows past 700 lines."""

import os
import re
import sys
import unittest

SORGENTI = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
LUNGHEZZA = 700
FUORI = {".git", "build", "debian", "docs", "data"}
ESTENSIONI = (".cpp", ".h", ".ino", ".py", ".sh", ".cmake")


def cartelle():
    for cartella, sotto, file in os.walk(SORGENTI):
        rel = os.path.relpath(cartella, SORGENTI)
        sotto[:] = [s for s in sotto if not (rel == "." and (s in FUORI or s.startswith("build")))]
        yield rel, file


def chiamate(testo, comando):
    """Each call of a CMake command: its words, comments and strings dropped."""
    testo = re.sub(r"#[^\n]*", "", testo)
    for m in re.finditer(r"\b%s\s*\(([^)]*)\)" % comando, testo):
        yield m.group(1).split()


def stanze():
    """room -> the rooms its targets link, from every CMakeLists.txt."""
    dove, collegati = {}, {}
    for rel, file in cartelle():
        if "CMakeLists.txt" not in file or rel == ".":
            continue
        stanza = rel.split(os.sep)[0]
        with open(os.path.join(SORGENTI, rel, "CMakeLists.txt"), encoding="utf-8") as f:
            testo = f.read()
        for comando in ("add_library", "add_executable"):
            for parole in chiamate(testo, comando):
                dove[parole[0]] = stanza
        for parole in chiamate(testo, "target_link_libraries"):
            collegati.setdefault(parole[0], set()).update(parole[1:])
    grafo = {}
    for bersaglio, altri in collegati.items():
        if bersaglio not in dove:
            continue
        da = dove[bersaglio]
        grafo.setdefault(da, set()).update(dove[a] for a in altri if a in dove and dove[a] != da)
    return grafo


def cerchio(grafo):
    """A circle of rooms, or None."""
    stato, via = {}, []

    def visita(n):
        stato[n] = 1
        via.append(n)
        for m in sorted(grafo.get(n, ())):
            if stato.get(m) == 1:
                return via[via.index(m):] + [m]
            if m not in stato:
                trovato = visita(m)
                if trovato:
                    return trovato
        stato[n] = 2
        via.pop()
        return None

    for n in sorted(grafo):
        if n not in stato:
            trovato = visita(n)
            if trovato:
                return trovato
    return None


class Casa(unittest.TestCase):
    def test_rooms_link_one_way(self):
        grafo = stanze()
        # The rooms this check must see, or it checks nothing.
        for stanza in ("serial", "link", "acquisition", "classroom", "teacher", "app"):
            self.assertIn(stanza, grafo)
        self.assertIn("classroom", grafo["acquisition"])
        self.assertIsNone(cerchio(grafo), "rooms that link one another in a circle")

    def test_a_circle_is_seen(self):
        self.assertEqual(cerchio({"a": {"b"}, "b": {"c"}, "c": {"a"}}), ["a", "b", "c", "a"])
        self.assertIsNone(cerchio({"a": {"b"}, "b": {"c"}, "c": set()}))

    def test_no_file_past_the_length(self):
        lunghi = []
        for rel, file in cartelle():
            for nome in file:
                if nome.endswith(ESTENSIONI):
                    with open(os.path.join(SORGENTI, rel, nome), encoding="utf-8", errors="replace") as f:
                        n = sum(1 for _ in f)
                    if n > LUNGHEZZA:
                        lunghi.append("%s (%d)" % (os.path.join(rel, nome), n))
        self.assertEqual(lunghi, [], "files over %d lines" % LUNGHEZZA)


if __name__ == "__main__":
    unittest.main(verbosity=2)
