#!/usr/bin/env bash
# make deb: the Debian package lumetto_<VERSION>_<arch>.deb, built from the
# files git tracks (as they are in the working tree) with dpkg-buildpackage,
# then checked as Debian checks packages: lintian, appstreamcli, and
# desktop-file-validate on what the package installs.
set -euo pipefail
radice=$(cd "$(dirname "$0")/.." && pwd)
uscita=${DEB_BUILD:-$radice/build-deb}
versione=$(head -n1 "$radice/VERSION")
sorgente="$uscita/lumetto-$versione"

rm -rf "$sorgente"
mkdir -p "$sorgente"
(cd "$radice" && git ls-files -z | xargs -0 cp --parents -t "$sorgente")

# The changelog carries the version of VERSION, dated by the last commit, so
# that the same commit makes the same package.
data=$(cd "$radice" && git log -1 --format=%aD 2>/dev/null || date -R)
cat >"$sorgente/debian/changelog" <<FINE
lumetto ($versione) unstable; urgency=medium

  * Lumetto $versione.

 -- Lumetto <lumetto@example.org>  $data
FINE

if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$uscita CCACHE_NOHASHDIR=true
fi
rm -f "$uscita"/lumetto_*.deb "$uscita"/lumetto-dbgsym_*.deb "$uscita"/lumetto_*.changes \
  "$uscita"/lumetto_*.buildinfo
(cd "$sorgente" && dpkg-buildpackage -b -us -uc >"$uscita/dpkg-buildpackage.log" 2>&1) || {
  tail -n 60 "$uscita/dpkg-buildpackage.log" >&2
  echo "pacchetto: dpkg-buildpackage failed; the whole log is $uscita/dpkg-buildpackage.log" >&2
  exit 1
}
deb=$(ls "$uscita"/lumetto_"$versione"_*.deb)

echo "pacchetto: lintian"
lintian --fail-on error,warning --info "$deb"
contenuto=$(mktemp -d)
trap 'rm -rf "$contenuto"' EXIT
dpkg-deb -x "$deb" "$contenuto"
echo "pacchetto: appstreamcli validate"
appstreamcli validate --no-net "$contenuto"/usr/share/metainfo/*.metainfo.xml
echo "pacchetto: desktop-file-validate"
desktop-file-validate "$contenuto"/usr/share/applications/*.desktop
echo "pacchetto: $deb ($(du -h "$deb" | cut -f1))"
