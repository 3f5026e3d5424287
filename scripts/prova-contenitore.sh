#!/usr/bin/env bash
# The built suite run again, in both locales, as root of a user namespace
# without CAP_SYS_ADMIN, as in a container: root who may write anywhere but
# may make no mount, so no test passes only because it could mount, nor only
# because its user was not root.
#
#   scripts/prova-contenitore.sh [--severo] [BUILD]
#
# Where user namespaces are not allowed it says in one line that it did not
# run, and succeeds; under CI=true, or with --severo, it fails instead.
set -euo pipefail
cd "$(dirname "$0")/.."
nome=prova-contenitore
# shellcheck source=severo.sh
. scripts/severo.sh
if [ "${1:-}" = --severo ]; then severo=1; shift; fi
build=${1:-build}
jobs=${JOBS:-$(nproc)}

[ -f "$build/CTestTestfile.cmake" ] || { echo "$nome: no suite built in $build" >&2; exit 1; }
contenitore=(unshare --user --map-root-user setpriv --inh-caps=-sys_admin --bounding-set=-sys_admin --)
if ! "${contenitore[@]}" true 2>/dev/null; then
  non_eseguita "this system allows no user namespace (unshare --user), or setpriv is missing"
fi
if "${contenitore[@]}" unshare --mount true 2>/dev/null; then
  echo "$nome: the namespace still may mount: CAP_SYS_ADMIN was not dropped" >&2
  exit 1
fi

for lingua in C.UTF-8 it_IT.UTF-8; do
  echo "$nome: the suite as root without CAP_SYS_ADMIN, LANG=$lingua"
  (cd "$build" && LANG=$lingua LC_ALL='' "${contenitore[@]}" ctest --output-on-failure -j "$jobs")
done
