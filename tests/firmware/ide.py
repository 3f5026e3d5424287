#!/usr/bin/env python3
"""Every example of Lumetto.zip compiled by Debian's arduino-builder for the
Uno exactly as the Arduino IDE 1.8.19 calls it (its hardware, tools and
built-in libraries folders, the library unpacked into a sketchbook's
libraries/), with the one preference Debian's core 1.8.7 needs; the flash
and RAM it reports must be those `make firmware` prints. Then the guide's
platform.local.txt, instead of the preference, must build a sketch alike.

    ide.py MAKE FIRMWARE_DIR BUILD_DIR
"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

make, cartella, build, libreria = sys.argv[1:5]
PREFERENZA = "compiler.cpp.extra_flags=-DDECIMAL_DIG=__DECIMAL_DIG__"
# Where Debian puts the IDE and the core, and arduino-builder's own platform.txt.
IDE = "/usr/share/arduino"
BUILDER = "/usr/share/arduino-builder"
CORE = os.path.join(IDE, "hardware", "arduino", "avr")


def esegui(comando, **altro):
    r = subprocess.run(comando, capture_output=True, text=True, **altro)
    if r.returncode != 0:
        sys.stdout.write(r.stdout[-6000:])
        sys.stderr.write(r.stderr[-6000:])
        sys.exit(" ".join(comando[:2]) + f"... failed ({r.returncode})")
    return r.stdout


def cartelle_ide(radice):
    """The IDE's hardware, tools and built-in libraries folders. Without the
    IDE itself installed (CI installs arduino-builder and the core only) they
    are put together as the IDE package lays them out: the core under
    hardware/, arduino-builder's own platform.txt at its top, an empty
    tools-builder (ctags is Debian's, named by that platform.txt)."""
    hardware = os.path.join(IDE, "hardware")
    if not os.path.exists(os.path.join(hardware, "platform.txt")):
        hardware = os.path.join(radice, "hardware")
        os.makedirs(hardware)
        os.symlink(os.path.join(IDE, "hardware", "arduino"), os.path.join(hardware, "arduino"))
        for f in ("platform.txt", "platform.keys.rewrite.txt"):
            os.symlink(os.path.join(BUILDER, f), os.path.join(hardware, f))
    tools = os.path.join(IDE, "tools-builder")
    if not os.path.isdir(tools):
        tools = os.path.join(radice, "tools-builder")
        os.makedirs(tools)
    libraries = os.path.join(IDE, "libraries")
    return hardware, tools, libraries if os.path.isdir(libraries) else None


def compila(sketch, hardware, tools, built_in, libraries, lavoro, preferenze, prova):
    """What arduino-builder reports: flash and RAM of the sketch, built in
    lavoro/prova as the IDE builds in a folder of its own per sketch."""
    prova = os.path.join(lavoro, prova)
    os.makedirs(prova)
    comando = ["arduino-builder", "-compile", "-logger=machine"]
    for h in hardware:
        comando += ["-hardware", h]
    comando += ["-tools", tools]
    if built_in:
        comando += ["-built-in-libraries", built_in]
    comando += ["-libraries", libraries, "-fqbn=arduino:avr:uno", "-ide-version=10819",
                "-build-path", prova, "-warnings=none",
                "-build-cache", os.path.join(lavoro, "cache"),
                "-prefs=build.warn_data_percentage=75"]
    comando += ["-prefs=" + p for p in preferenze]
    uscita = esegui(comando + [sketch])
    flash = re.search(r"Sketch uses \{0\} bytes.*\|\|\| \[(\d+) ", uscita)
    ram = re.search(r"Global variables use \{0\} bytes.*\|\|\| \[(\d+) ", uscita)
    if not flash or not ram:
        sys.exit(f"{sketch}: no size in arduino-builder's output:\n{uscita[-2000:]}")
    return int(flash.group(1)), int(ram.group(1))


def main():
    with tempfile.TemporaryDirectory(prefix="lumetto-ide-") as lavoro:
        os.makedirs(os.path.join(lavoro, "cache"))
        # The .zip a teacher adds (the build's, which the package ships),
        # unpacked where the IDE puts it.
        libraries = os.path.join(lavoro, "Arduino", "libraries")
        with zipfile.ZipFile(libreria) as z:
            z.extractall(libraries)
        esempi = os.path.join(libraries, "Lumetto", "examples")
        nomi = sorted(os.listdir(esempi))
        hardware, tools, built_in = cartelle_ide(os.path.join(lavoro, "ide"))

        tabella = esegui([make, "-s", "-C", cartella, "BUILD=" + build, "dimensioni"])
        attese = {m.group(1): (int(m.group(2)), int(m.group(3)))
                  for m in re.finditer(r"^\| (\w+) \| (\d+) \| (\d+) \|$", tabella, re.M)}
        if sorted(attese) != nomi:
            sys.exit(f"make dimensioni lists {sorted(attese)}, the .zip {nomi}")

        sbagliate = []
        for nome in nomi:
            sketch = os.path.join(esempi, nome, nome + ".ino")
            ide = compila(sketch, [hardware], tools, built_in, libraries, lavoro, [PREFERENZA],
                          "build-" + nome)
            print(f"{nome}: arduino-builder {ide[0]} / {ide[1]}, make {attese[nome][0]} / "
                  f"{attese[nome][1]} (flash / RAM bytes)")
            if ide != attese[nome]:
                sbagliate.append(nome)

        # The guide's recipe: the preference once, in a platform.local.txt
        # beside the core's platform.txt (here a copy of the core made of links).
        locale = os.path.join(lavoro, "locale", "arduino", "avr")
        os.makedirs(locale)
        for voce in os.listdir(CORE):
            os.symlink(os.path.join(CORE, voce), os.path.join(locale, voce))
        with open(os.path.join(locale, "platform.local.txt"), "w") as f:
            f.write(PREFERENZA + "\n")
        nome = nomi[0]
        sketch = os.path.join(esempi, nome, nome + ".ino")
        con_locale = compila(sketch, [hardware, os.path.join(lavoro, "locale")], tools, built_in,
                             libraries, lavoro, [], "build-locale")
        print(f"{nome} with platform.local.txt: {con_locale[0]} / {con_locale[1]}")
        if con_locale != attese[nome]:
            sbagliate.append(nome + " (platform.local.txt)")

        if sbagliate:
            sys.exit("figures differ: " + ", ".join(sbagliate))
        print(f"{len(nomi)} examples built by arduino-builder, figures equal to make firmware's")


main()
