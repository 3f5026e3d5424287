#!/usr/bin/env sh
# The icon at the sizes desktops ask for, from lumetto.svg (librsvg2-bin's
# rsvg-convert); run after changing the drawing, and commit the PNGs.
set -eu
cd "$(dirname "$0")"
for n in 16 22 24 32 48 64 128 256; do
  mkdir -p "${n}x${n}"
  rsvg-convert -w "$n" -h "$n" lumetto.svg -o "${n}x${n}/lumetto.png"
done
