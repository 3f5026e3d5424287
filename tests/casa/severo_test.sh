#!/usr/bin/env bash
# A check that cannot do its work fails under CI=true (and with --severo), and
# outside CI says in one line that it did not run: prova-fresca.sh with
# debootstrap and apt-get hidden from PATH, as a user or as root.
set -uo pipefail
shopt -s nullglob
sorgenti=$1
senza=$(mktemp -d)
trap 'rm -rf "$senza"' EXIT
IFS=: read -ra cartelle <<<"$PATH"
for d in "${cartelle[@]}"; do
  for f in "$d"/*; do
    n=${f##*/}
    case $n in debootstrap | apt-get) continue ;; esac
    [ -e "$senza/$n" ] || ln -s "$f" "$senza/$n"
  done
done

fallito=0
prova() {  # expected status, expected line, then the environment and options
  local attesa=$1 riga=$2
  shift 2
  local uscita stato
  uscita=$(cd "$sorgenti" && env PATH="$senza" "$@" 2>&1)
  stato=$?
  if [ "$stato" != "$attesa" ] || ! grep -q "$riga" <<<"$uscita"; then
    echo "FAILED: $* gave status $stato (expected $attesa, and a line \"$riga\"):"
    echo "$uscita"
    fallito=1
  fi
}
prova 1 "cannot run: " CI=true scripts/prova-fresca.sh
prova 1 "cannot run: " CI= scripts/prova-fresca.sh --severo
prova 0 "not run: " CI= scripts/prova-fresca.sh
exit $fallito
