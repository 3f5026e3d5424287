#!/usr/bin/env bash
# The README's Quick start on a machine that has nothing yet: a Debian 12
# minbase root (debootstrap) with only what the README asks a new user to
# install first (git, make, sudo), a clone of the commit checked out here, and
# `make test` typed in it, so the set-up's package list and the tests'
# assumptions are proved where no developer's extra package hides a gap.
#
# `make test` runs as a plain user with passwordless sudo, as on a teacher's
# machine: the set-up then installs every package through sudo as the README
# says, and no test passes only because root may write anywhere.
#
# The base root (debootstrap, git, make, sudo and that user) is kept as a
# tarball in ${XDG_CACHE_HOME:-~/.cache}/lumetto/ and built again when it is
# missing or more than 7 days old, so a run starts in seconds from a base at
# most a week behind the archive; everything the set-up installs is current on
# every run. Each run extracts it into a temporary folder that is unmounted and
# deleted at the end, whatever happened. Two things only save time and change
# nothing of what is proved: the packages apt downloads are kept beside the
# tarball (apt checks each against the archive's index before using it), and
# the compiler cache is the host's, read-only, with the clone at the same
# absolute path as this checkout, so the same compiler on the same headers and
# sources, under the caller's locale, finds the objects a host build already
# made.
#
# With --pacchetto FILE.deb it proves the Debian package instead, as a school
# installs it: `apt-get install ./lumetto_*.deb` on the same fresh root (the
# dependencies from the registry), the programs started from their installed
# paths for a new user, the udev rule read by udevadm, then the package
# purged and nothing of it left but the user's own files.
#
# After the user's run, `make test` runs again in the same root as root, so
# the suite is proved green where root may write anywhere but cannot mount.
#
# It needs root (debootstrap, chroot, mounts) and the package registry; without
# either it says in one line that it did not run, and succeeds; under CI=true,
# or with --severo, it fails with that reason instead: a check either runs or
# fails.
set -euo pipefail
pacchetto=
nome=prova-fresca
# shellcheck source=severo.sh
. "$(dirname "$0")/severo.sh"
while [ $# -gt 0 ]; do
  case $1 in
    --pacchetto)
      pacchetto=$(realpath "$2")
      [ -f "$pacchetto" ] || { echo "prova-fresca: no package $2" >&2; exit 1; }
      shift 2 ;;
    --severo) severo=1; shift ;;
    *) echo "prova-fresca: unknown option $1 (--pacchetto FILE.deb, --severo)" >&2; exit 2 ;;
  esac
done
cd "$(dirname "$0")/.."
sorgente=$(pwd -P)

giorni=7 # the base root's greatest age
utente=prova

[ "$(id -u)" -eq 0 ] || non_eseguita "building a Debian root needs root (debootstrap, chroot, mounts)"

# The checkout may belong to the user who called sudo.
git_() { git -c safe.directory='*' "$@"; }
commit=$(git_ rev-parse HEAD)
if [ -n "$(git_ status --porcelain --untracked-files=no)" ]; then
  echo "$nome: testing commit ${commit:0:12}; changes not committed are not part of it"
fi

if ! command -v debootstrap >/dev/null; then
  if ! { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null 2>&1 \
    || { apt-get update -qq >/dev/null 2>&1 \
      && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null 2>&1; }; }; then
    non_eseguita "debootstrap is missing and apt-get could not install it"
  fi
fi

# The host's own mirror for bookworm; the registry must answer.
# shellcheck disable=SC2016 # apt expands $(REPO_URI) itself
specchio=$(apt-get indextargets --format '$(REPO_URI)' 'Release: bookworm' 'Identifier: Packages' 2>/dev/null | head -n 1)
specchio=${specchio:-http://deb.debian.org/debian/}
specchio=${specchio%/}
if ! wget -q -T 30 -t 2 -O /dev/null "$specchio/dists/bookworm/InRelease"; then
  non_eseguita "the package registry $specchio cannot be reached"
fi

cache=${XDG_CACHE_HOME:-$HOME/.cache}/lumetto
base=$cache/bookworm-minbase.tar.gz
archivi=$cache/apt-archivi
registro=$cache/$nome.log
mkdir -p "$cache" "$archivi/partial"
# One run at a time shares the base root, the packages and the log.
exec 9>"$cache/.lock"
if ! flock -n 9; then
  echo "$nome: waiting for another run to end"
  flock 9
fi
tmp=${TMPDIR:-/var/tmp}

inizio=$(date +%s)
radice=
smonta_tutto() {
  # Deepest first; only what lies under this run's root.
  [ -n "$radice" ] || return 0
  local punti
  punti=$(awk -v r="$radice" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/self/mounts | sort -r)
  local p
  for p in $punti; do umount "$p" 2>/dev/null || umount -l "$p" || true; done
}
# What still runs in the root (an interrupted run) ends before its mounts go.
ferma_processi() {
  local segnale p dentro
  for segnale in TERM TERM TERM KILL; do
    dentro=
    for p in /proc/[0-9]*; do
      if [ "$(readlink "$p/root" 2>/dev/null)" = "$radice" ]; then
        kill -"$segnale" "${p#/proc/}" 2>/dev/null || true
        dentro=1
      fi
    done
    [ -n "$dentro" ] || return 0
    sleep 1
  done
}
# Unmounts and deletes the root; never deletes through a mount left behind.
elimina_radice() {
  ferma_processi
  smonta_tutto
  if awk -v r="$radice" 'index($2, r "/") == 1 { t = 1 } END { exit !t }' /proc/self/mounts; then
    echo "$nome: something is still mounted under $radice: left in place" >&2
  else
    rm -rf --one-file-system "$radice"
  fi
  radice=
}
pulisci() {
  local esito=$?
  [ -z "$radice" ] || elimina_radice
  return "$esito"
}
trap pulisci EXIT
trap 'exit 130' INT TERM

# Runs a command in the root as root.
in_radice() { chroot "$radice" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }

prepara_radice() {
  cp /etc/resolv.conf "$radice/etc/resolv.conf"
  printf '127.0.0.1\tlocalhost %s\n::1\tlocalhost\n' "$(hostname)" >"$radice/etc/hosts"
  # The proxy, if the host reaches the registry through one.
  apt-config dump | grep -i '^Acquire::https\?::Proxy ' >"$radice/etc/apt/apt.conf.d/90proxy" || rm -f "$radice/etc/apt/apt.conf.d/90proxy"
  mount -t proc proc "$radice/proc"
  mount --bind /sys "$radice/sys"
  mount -o remount,bind,ro "$radice/sys"
  # Device nodes are the root's own (debootstrap made them); pseudo-terminals
  # come from an instance of their own, shared memory from a tmpfs.
  mount -t devpts devpts "$radice/dev/pts" -o newinstance,ptmxmode=0666,mode=0620,gid=5
  rm -f "$radice/dev/ptmx"
  ln -s pts/ptmx "$radice/dev/ptmx"
  mkdir -p "$radice/dev/shm"
  mount -t tmpfs -o mode=1777,nosuid,nodev shm "$radice/dev/shm"
}

# ---- The base root: debootstrap, then what the README asks for first --------
if [ ! -f "$base" ] || [ -n "$(find "$base" -mtime +$((giorni - 1)) 2>/dev/null)" ]; then
  echo "$nome: building the Debian 12 base root from $specchio (a few minutes; log in $registro)"
  radice=$(mktemp -d "$tmp/lumetto-base-XXXXXX")
  chmod 0755 "$radice" # mktemp's 0700 would shut the root's users out of /
  if ! debootstrap --variant=minbase bookworm "$radice" "$specchio" >"$registro" 2>&1; then
    tail -n 30 "$registro" >&2
    echo "$nome: debootstrap failed; the whole log is $registro" >&2
    exit 1
  fi
  prepara_radice
  if ! {
    in_radice apt-get update &&
      in_radice env DEBIAN_FRONTEND=noninteractive apt-get install -y git make sudo &&
      in_radice useradd -m -s /bin/bash -G sudo "$utente" &&
      echo "$utente ALL=(ALL:ALL) NOPASSWD: ALL" >"$radice/etc/sudoers.d/$utente" &&
      chmod 0440 "$radice/etc/sudoers.d/$utente" &&
      in_radice apt-get clean
  } >>"$registro" 2>&1; then
    tail -n 30 "$registro" >&2
    echo "$nome: the base root could not be set up; the whole log is $registro" >&2
    exit 1
  fi
  smonta_tutto
  rm -rf "$radice/var/lib/apt/lists/"* "$radice/etc/apt/apt.conf.d/90proxy"
  tar -C "$radice" --numeric-owner -czf "$base.nuovo" .
  mv "$base.nuovo" "$base"
  elimina_radice
  echo "$nome: base root ready in $(($(date +%s) - inizio)) s"
fi

# ---- This run's root ---------------------------------------------------------
radice=$(mktemp -d "$tmp/lumetto-fresca-XXXXXX")
tar -C "$radice" --numeric-owner -xzf "$base"
chmod 0755 "$radice"
prepara_radice
mount --bind "$archivi" "$radice/var/cache/apt/archives"

if [ -n "$pacchetto" ]; then
  # shellcheck source=scripts/prova-pacchetto.sh
  . scripts/prova-pacchetto.sh
  exit 0
fi

# The host's compiler cache, read-only, with the settings that decide its keys:
# under sudo, the calling user's.
ccache_conf=
ospite=()
if [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  ospite=(runuser -u "$SUDO_USER" -- env HOME="$(getent passwd "$SUDO_USER" | cut -d: -f6)")
fi
if command -v ccache >/dev/null; then
  cartella=$("${ospite[@]}" ccache -k cache_dir)
  if [ -d "$cartella" ]; then
    mkdir -p "$radice/var/cache/ccache-ospite"
    mount --bind "$cartella" "$radice/var/cache/ccache-ospite"
    mount -o remount,bind,ro "$radice/var/cache/ccache-ospite"
    ccache_conf="cache_dir = /var/cache/ccache-ospite
read_only = true
temporary_dir = /tmp/ccache-$utente"
    for chiave in base_dir hash_dir compiler_check namespace sloppiness; do
      ccache_conf+=$'\n'"$chiave = $("${ospite[@]}" ccache -k "$chiave")"
    done
  fi
fi
if [ -n "$ccache_conf" ]; then
  mkdir -p "$radice/home/$utente/.config/ccache"
  echo "$ccache_conf" >"$radice/home/$utente/.config/ccache/ccache.conf"
fi

# What is committed, at this checkout's own path.
mkdir -p "$(dirname "$radice$sorgente")"
git_ clone -q --no-checkout "$sorgente" "$radice$sorgente"
git_ -C "$radice$sorgente" checkout -q --detach "$commit"
uid=$(awk -F: -v u="$utente" '$1 == u { print $3 ":" $4 }' "$radice/etc/passwd")
chown -R "$uid" "$radice$sorgente" "$radice/home/$utente"

# The user's locale is the caller's: the compiler's messages follow it, so the
# compiler cache keys on it too.
ambiente=()
for v in LANG LC_ALL LC_CTYPE LC_MESSAGES; do
  if [ -n "${!v:-}" ]; then ambiente+=("$v=${!v}"); fi
done
# Strict here, strict there: a test missing its tool fails in the root too.
if [ -n "$severo" ]; then ambiente+=(CI=true); fi
elenco=$(IFS=,; echo "${ambiente[*]%%=*}")

echo "$nome: make test on a fresh Debian 12 root, commit ${commit:0:12} (log in $registro)"
# In the background, so that an interruption is served at once (a shell
# serves its traps only between commands, and wait is one).
chroot "$radice" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "${ambiente[@]}" \
  su -l ${elenco:+-w "$elenco"} "$utente" -c "cd '$sorgente' && make test" >"$registro" 2>&1 &
esito=0
wait $! || esito=$?
chi="a user"
if [ "$esito" -eq 0 ]; then
  # Root in a chroot: every write allowed, no mount possible ("/" is no mount
  # point). The build is the user's, already made: only the tests run again.
  chi=root
  echo "=== make test as root ===" >>"$registro"
  chroot "$radice" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "${ambiente[@]}" \
    bash -c "cd '$sorgente' && make test" >>"$registro" 2>&1 &
  wait $! || esito=$?
fi
# Downloaded packages the archive no longer has are of no further use.
in_radice apt-get -qq autoclean >/dev/null 2>&1 || true

durata=$(($(date +%s) - inizio))
if [ "$esito" -ne 0 ]; then
  tail -n 60 "$registro" >&2
  echo "$nome: make test as $chi failed on the fresh root after $((durata / 60)) min $((durata % 60)) s; the whole log is $registro" >&2
  exit 1
fi
echo "$nome: make test passed on a fresh Debian 12 root, as a user and as root, in $((durata / 60)) min $((durata % 60)) s (log in $registro)"
