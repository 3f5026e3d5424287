#!/usr/bin/env python3
"""make flash against a pseudo-terminal that answers as the Uno's bootloader
(Optiboot, STK500 version 1) would: avrdude builds its command line, syncs,
reads the ATmega328P's signature and, with -n, writes nothing. Prints what
avrdude said; exits 0 when the upload went as far as a board would let it.

    caricamento.py MAKE FIRMWARE_DIR BUILD_DIR SKETCH
"""
import os
import pty
import select
import subprocess
import sys
import threading
import tty

make, cartella, build, sketch = sys.argv[1:5]
OK, INSYNC, EOP = 0x10, 0x14, 0x20
# Bytes that follow each command before its closing 0x20.
ARGOMENTI = {0x30: 0, 0x31: 0, 0x41: 1, 0x42: 20, 0x45: 5, 0x50: 0, 0x51: 0, 0x55: 2,
             0x56: 4, 0x75: 0}
FIRMA = bytes([0x1E, 0x95, 0x0F])  # ATmega328P


def bootloader(fd, fermo):
    dati = b""
    while not fermo.is_set():
        pronti, _, _ = select.select([fd], [], [], 0.1)
        if not pronti:
            continue
        try:
            dati += os.read(fd, 1024)
        except OSError:
            return
        while dati:
            comando = dati[0]
            if comando in (0x64, 0x74):  # program or read a page: length then memory type
                if len(dati) < 4:
                    break
                lunghezza = (dati[1] << 8) | dati[2]
                n = 4 + (lunghezza if comando == 0x64 else 0)
                if len(dati) < n + 1:
                    break
                risposta = bytes([INSYNC]) + (b"\xff" * lunghezza if comando == 0x74 else b"") + bytes([OK])
                dati = dati[n + 1:]
            elif comando in ARGOMENTI:
                n = 1 + ARGOMENTI[comando]
                if len(dati) < n + 1:
                    break
                if comando == 0x75:
                    risposta = bytes([INSYNC]) + FIRMA + bytes([OK])
                elif comando == 0x41:
                    risposta = bytes([INSYNC, 0x08, OK])
                elif comando == 0x56:
                    risposta = bytes([INSYNC, 0x00, OK])
                else:
                    risposta = bytes([INSYNC, OK])
                dati = dati[n + 1:]
            else:
                dati = dati[1:]  # noise before a sync
                continue
            os.write(fd, risposta)


master, slave = pty.openpty()
tty.setraw(master)
nome = os.ttyname(slave)
fermo = threading.Event()
filo = threading.Thread(target=bootloader, args=(master, fermo))
filo.start()
try:
    r = subprocess.run([make, "-C", cartella, "BUILD=" + build, "flash", "SKETCH=" + sketch,
                        "PORT=" + nome, "AVRDUDE_FLAGS=-n"],
                       capture_output=True, text=True, timeout=120)
finally:
    fermo.set()
    filo.join()
uscita = r.stdout + r.stderr
print(uscita)
attese = ["-p m328p -c arduino -b 115200 -P " + nome,
          "flash:w:" + os.path.join(build, sketch, sketch + ".hex") + ":i",
          "1e950f"]
mancano = [a for a in attese if a.lower() not in uscita.lower()]
if r.returncode != 0 or mancano:
    print("caricamento: exit status %d, missing %s" % (r.returncode, mancano), file=sys.stderr)
    sys.exit(1)
