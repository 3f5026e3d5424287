# The package on the fresh root prepared by prova-fresca.sh (sourced by it,
# with $radice, $pacchetto, $registro, $nome and in_radice set): installed as
# a school installs it, used by a new user, read by udevadm, purged.

versione=$(head -n1 VERSION)
studente=studente
casa=/home/$studente
deb=/tmp/$(basename "$pacchetto")
cp "$pacchetto" "$radice$deb"
: >"$registro"
fallito() {
  tail -n 40 "$registro" >&2
  echo "$nome: $*; the whole log is $registro" >&2
  exit 1
}
passo() { echo "== $*" >>"$registro"; }

inizio_installazione=$(date +%s)
passo "apt-get install $deb"
in_radice apt-get update >>"$registro" 2>&1 || fallito "apt-get update failed"
in_radice env DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >>"$registro" 2>&1 ||
  fallito "apt-get install of the package failed"
installazione=$(($(date +%s) - inizio_installazione))
in_radice dpkg -L lumetto >"$radice/tmp/file-del-pacchetto"

passo "lumetto --version"
[ "$(in_radice lumetto --version | head -n1)" = "lumetto $versione" ] ||
  fallito "lumetto --version does not say $versione"
[ "$(in_radice lumetto-classe --version | head -n1)" = "lumetto-classe $versione" ] ||
  fallito "lumetto-classe --version does not say $versione (libmosquitto missing?)"

# A new user, who has never run it: the virtual board from its installed
# path, then the program offscreen, which must put the default plants on the
# user's c: drive and find the board on COM13 in its port search.
passo "a new user starts lumetto-scheda and lumetto"
in_radice useradd -m -s /bin/bash "$studente"
in_radice su -l "$studente" -c "
  lumetto-scheda --headless --seed 1 >scheda.log 2>&1 &
  for _ in \$(seq 1 50); do [ -e .lumetto/dosdevices/com13 ] && break; sleep 0.1; done
  LUMETTO_TRACCIA=1 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$casa lumetto >lumetto.log 2>&1 &
  for _ in \$(seq 1 200); do
    grep -q 'Arduino collegato su porta seriale=COM13' lumetto.log && break
    sleep 0.1
  done
  sleep 1
  pkill -x lumetto; pkill -x lumetto-scheda; sleep 0.5
  true" >>"$registro" 2>&1
cat "$radice$casa/lumetto.log" >>"$registro" 2>/dev/null || true
grep -q 'Arduino collegato su porta seriale=COM13' "$radice$casa/lumetto.log" ||
  fallito "the installed program did not find the installed virtual board on COM13"
for f in climatica.sca solare.sca irrigazione.sca climatica.jpg solare.jpg irrigazione.jpg; do
  cmp -s "$radice/usr/share/lumetto/$f" "$radice$casa/.lumetto/drive_c/lavoro/arduino/$f" ||
    fallito "c:\\lavoro\\arduino\\$f is not the installed default plant"
done

# udevadm reads the rule where udev looks for it: no line of it refused.
passo "udevadm test"
in_radice env DEBIAN_FRONTEND=noninteractive apt-get install -y udev >>"$registro" 2>&1 ||
  fallito "udev could not be installed"
in_radice udevadm test --action=add /sys/class/tty/ptmx >"$radice/tmp/udevadm.log" 2>&1 || true
cat "$radice/tmp/udevadm.log" >>"$registro"
grep -q 'Reading rules file: /usr/lib/udev/rules.d/60-lumetto.rules' "$radice/tmp/udevadm.log" ||
  fallito "udevadm did not read /usr/lib/udev/rules.d/60-lumetto.rules"
if grep -q '60-lumetto.rules:[0-9]' "$radice/tmp/udevadm.log"; then
  fallito "udevadm refuses lines of 60-lumetto.rules"
fi

# Purged, nothing of the package is left; the user's files stay.
passo "apt-get purge lumetto"
in_radice env DEBIAN_FRONTEND=noninteractive apt-get purge -y lumetto >>"$registro" 2>&1 ||
  fallito "apt-get purge lumetto failed"
rimasti=()
while IFS= read -r f; do
  if [ -e "$radice$f" ] && [ ! -d "$radice$f" ]; then rimasti+=("$f"); fi
done <"$radice/tmp/file-del-pacchetto"
[ ${#rimasti[@]} -eq 0 ] || fallito "left after the purge: ${rimasti[*]}"
for d in /usr/share/lumetto /usr/share/doc/lumetto; do
  [ ! -e "$radice$d" ] || fallito "left after the purge: $d"
done
[ -f "$radice$casa/.lumetto/drive_c/lavoro/arduino/solare.sca" ] ||
  fallito "the purge took the user's own files"

durata=$(($(date +%s) - inizio))
echo "$nome: the package installed with its dependencies in $installazione s, found its plants and the virtual board for a new user, its udev rule read by udevadm, purged clean; $((durata / 60)) min $((durata % 60)) s in all (log in $registro)"
