#!/usr/bin/env bash
# A class on one computer: a Mosquitto with the school's configuration as
# shipped (TLS, users, ACL) on a free local port, three benches (each a
# virtual board and a Lumetto with no window, each running another
# experiment) and the teacher's window. Everything lives in a temporary
# folder that goes when the teacher's window closes.
#   scripts/classe-demo.sh BUILD_DIR
set -euo pipefail

build="$(cd "${1:-build}" && pwd)"
sorgenti="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
lumetto="$build/app/lumetto"
scheda="$build/board/lumetto-scheda"
docente="$(find "$build" -name lumetto-classe -type f -perm -u+x | head -n 1)"
for p in "$lumetto" "$scheda" "$docente"; do
  [ -x "$p" ] || { echo "classe-demo: manca ${p:-lumetto-classe}: make build" >&2; exit 1; }
done
# Debian keeps the broker in /usr/sbin, which a user's PATH lacks.
broker="$(command -v mosquitto || echo /usr/sbin/mosquitto)"
[ -x "$broker" ] || { echo "classe-demo: manca mosquitto: make setup" >&2; exit 1; }
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "classe-demo needs a graphical session (no DISPLAY): try 'xvfb-run make classe-demo'" >&2
  exit 1
fi

d="$(mktemp -d "${TMPDIR:-/tmp}/lumetto-classe-demo-XXXXXX")"
figli=()
fine() {
  for p in "${figli[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$d"
}
trap fine EXIT INT TERM

# A port nobody listens on (the kernel's pick).
porta="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
"$sorgenti/classroom/mosquitto/crea-classe.sh" --classe demo --broker 127.0.0.1 --banchi 3 \
  --porta "$porta" --indirizzo 127.0.0.1 --scuola "$d/classe" --percorso-broker "$d/classe/broker" >/dev/null

# The school's configuration, after what a broker started by hand needs.
{
  echo "user $(id -un)"
  echo "persistence_location $d/"
  echo "log_dest file $d/mosquitto.log"
  cat "$d/classe/broker/mosquitto.conf"
} >"$d/mosquitto.conf"
"$broker" -c "$d/mosquitto.conf" &
figli+=($!)
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$porta") 2>/dev/null && break
  sleep 0.1
done

# Each bench: its own home (its COM13, its archive) and its class settings.
casa() {  # folder, settings folder
  mkdir -p "$1/.config/lumetto"
  cp "$2/classe.conf" "$2/ca.crt" "$1/.config/lumetto/"
}
esperimenti=(termostato sonar regolazione-pi)
for i in 1 2 3; do
  b="$d/banco0$i"
  casa "$b" "$d/classe/classi/demo/banchi/banco0$i"
  HOME="$b" XDG_CONFIG_HOME="$b/.config" XDG_DATA_HOME="$b/.local/share" \
    "$scheda" --headless --sketch tutti >"$b/scheda.log" 2>&1 &
  figli+=($!)
done
sleep 1
for i in 1 2 3; do
  b="$d/banco0$i"
  HOME="$b" XDG_CONFIG_HOME="$b/.config" XDG_DATA_HOME="$b/.local/share" \
    QT_QPA_PLATFORM=offscreen LUMETTO_TRACCIA=solo \
    "$lumetto" --esperimento "${esperimenti[$((i - 1))]}" >"$b/lumetto.log" 2>&1 &
  figli+=($!)
done

echo "classe-demo: broker su 127.0.0.1:$porta, banchi banco01-03 (${esperimenti[*]})"
echo "classe-demo: chiudi la finestra dell'insegnante per finire"
casa "$d/docente" "$d/classe/classi/demo/docente"
HOME="$d/docente" XDG_CONFIG_HOME="$d/docente/.config" XDG_DATA_HOME="$d/docente/.local/share" \
  "$docente"
