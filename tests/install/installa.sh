#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the program, the
# virtual board, the default plants, the guide, the menu entries and the icon
# are there, and that the menu entries name programs and an icon that were
# installed.
set -euo pipefail
cmake=$1; build=$2
prefisso=$(mktemp -d)
trap 'rm -rf "$prefisso"' EXIT
"$cmake" --install "$build" --prefix "$prefisso" >/dev/null
errori=0
manca() { echo "missing: $1"; errori=1; }
for f in bin/lumetto bin/lumetto-scheda bin/lumetto-classe; do
  [ -x "$prefisso/$f" ] || manca "$f"
done
for f in climatica.sca solare.sca irrigazione.sca climatica.jpg solare.jpg irrigazione.jpg; do
  [ -s "$prefisso/share/lumetto/$f" ] || manca "share/lumetto/$f"
done
[ -s "$prefisso/share/doc/Lumetto/LICENSE" ] || manca "share/doc/Lumetto/LICENSE"
# The teacher's guide, where F1 looks for it beside bin/, with its pictures.
guida=share/doc/lumetto/guida
for f in index.html grafico.html stile.css immagini/mainform.png; do
  [ -s "$prefisso/$guida/$f" ] || manca "$guida/$f"
done
icona=share/icons/hicolor/scalable/apps/lumetto.svg
[ -s "$prefisso/$icona" ] || manca "$icona"
for voce in lumetto lumetto-scheda lumetto-classe; do
  d="$prefisso/share/applications/$voce.desktop"
  if [ ! -s "$d" ]; then manca "share/applications/$voce.desktop"; continue; fi
  exec_=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$d")
  [ -x "$prefisso/bin/$exec_" ] || { echo "$voce.desktop runs '$exec_', not installed"; errori=1; }
  [ "$(sed -n 's/^Icon=//p' "$d")" = lumetto ] || { echo "$voce.desktop: wrong icon"; errori=1; }
  grep -q '^Type=Application$' "$d" || { echo "$voce.desktop: no Type"; errori=1; }
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefisso"/share/applications/*.desktop || errori=1
fi
exit $errori
