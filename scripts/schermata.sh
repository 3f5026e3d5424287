#!/usr/bin/env bash
# A screenshot of the real program under Xvfb, against the virtual board:
# scripts/schermata.sh OUT.png [SECONDS] [X,Y ...]; the screen is 1366 x 768
# unless SCHERMO says otherwise (SCHERMO=1920x1080).
# After the port search's box is closed, each X,Y is clicked in turn (one
# second apart), and each "scrivi:TEXT" types TEXT and Enter (a leading ~ is
# the session's HOME: "scrivi:~/.lumetto/drive_c/lavoro/arduino/solare.sca"
# in a file dialog), "tasto:KEYS" presses keys as xdotool names them
# ("alt+i", "ctrl+a"), "attendi:S" waits S seconds, "maiusc:X1,Y1,X2,Y2"
# drags from one point to the other with Shift held, and "foto:FILE" takes a
# picture there and then; the last picture is taken SECONDS (default 6)
# after the last step.
# PREPARA, when set, is run by the shell in the session's HOME before the
# program starts (to put a teacher's own picture on the c: drive, say).
# ARGOMENTI, when set, are the program's own options ("--esperimento libero");
# SKETCH is the virtual board's sketch (default tutti).
# Needs Xvfb, xdotool, x11-apps (xwd) and imagemagick; the build in build/.
set -euo pipefail
out=$1; attesa=${2:-6}; shift 2 || shift $#
radice=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$radice/build}
casa=$(mktemp -d); schermo=:$((90 + RANDOM % 9))
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$casa"' EXIT
export HOME=$casa DISPLAY=$schermo LANG=${LANG:-it_IT.UTF-8}
if [ -n "${PREPARA:-}" ]; then (cd "$HOME" && bash -c "$PREPARA"); fi
Xvfb "$schermo" -screen 0 "${SCHERMO:-1366x768}x24" -nolisten tcp >/dev/null 2>&1 &
sleep 1
"$build/board/lumetto-scheda" --sketch "${SKETCH:-tutti}" --seed 1 --headless >/dev/null 2>&1 &
sleep 1
# shellcheck disable=SC2086  # the options split at blanks, as typed
"$build/app/lumetto" ${ARGOMENTI:-} >/dev/null 2>&1 &
sleep 3
xdotool key Return  # the port search's box
for punto in "$@"; do
  sleep 1
  case $punto in
    scrivi:*) testo=${punto#scrivi:}; xdotool type --delay 20 "${testo/#\~/$HOME}"; xdotool key Return ;;
    tasto:*) xdotool key ${punto#tasto:} ;;
    attendi:*) sleep "${punto#attendi:}" ;;
    maiusc:*)
      IFS=, read -r x1 y1 x2 y2 <<<"${punto#maiusc:}"
      xdotool mousemove "$x1" "$y1" keydown shift mousedown 1 mousemove "$(((x1 + x2) / 2))" "$y2" \
        mousemove "$x2" "$y2" mouseup 1 keyup shift ;;
    foto:*) sleep 1; xwd -root -silent | /usr/bin/convert xwd:- "${punto#foto:}"; echo "${punto#foto:}" ;;
    *) xdotool mousemove "${punto%,*}" "${punto#*,}" click 1 ;;
  esac
done
sleep "$attesa"
xwd -root -silent | /usr/bin/convert xwd:- "$out"
echo "$out"
