#!/usr/bin/env bash
# A screenshot of the real program at 1366 x 768 under Xvfb, against the
# virtual board: scripts/schermata.sh OUT.png [SECONDS] [X,Y ...]
# After the port search's box is closed, each X,Y is clicked in turn (one
# second apart); the picture is taken SECONDS (default 6) after the last click.
# Needs Xvfb, xdotool, x11-apps (xwd) and imagemagick; the build in build/.
set -euo pipefail
out=$1; attesa=${2:-6}; shift 2 || shift $#
radice=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$radice/build}
casa=$(mktemp -d); schermo=:$((90 + RANDOM % 9))
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$casa"' EXIT
export HOME=$casa DISPLAY=$schermo LANG=${LANG:-it_IT.UTF-8}
Xvfb "$schermo" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
"$build/scheda/lumetto-scheda" --sketch "${SKETCH:-tutti}" --seed 1 --headless >/dev/null 2>&1 &
sleep 1
"$build/app/lumetto" >/dev/null 2>&1 &
sleep 3
xdotool key Return  # the port search's box
for punto in "$@"; do
  sleep 1
  xdotool mousemove "${punto%,*}" "${punto#*,}" click 1
done
sleep "$attesa"
xwd -root -silent | /usr/bin/convert xwd:- "$out"
echo "$out"
