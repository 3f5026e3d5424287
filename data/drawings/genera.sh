#!/bin/sh
# Turns the plant drawings into the pictures the schemes show (953 x 645,
# the size of the picture control on a 1366 x 768 screen). Needs rsvg-convert
# (librsvg2-bin) and ImageMagick's convert; the JPEGs are kept in the
# repository, so building the program needs neither.
set -eu
qui=$(cd "$(dirname "$0")" && pwd)
dati=$(dirname "$qui")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
for nome in climatica solare irrigazione; do
    rsvg-convert -w 953 -h 645 -f png -o "$tmp/$nome.png" "$qui/$nome.svg"
    # A JPEG has no transparency: flatten on white; strip the metadata so the
    # file only changes when the drawing does.
    convert "$tmp/$nome.png" -background white -flatten -strip \
        -sampling-factor 4:2:0 -quality 90 "$dati/$nome.jpg"
    echo "$dati/$nome.jpg"
done
