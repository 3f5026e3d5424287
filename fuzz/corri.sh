#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS (60 by
# default) on a temporary copy of its seed corpus, so that nothing the run
# finds is written into the repository. Fails on any crash, leak, time-out or
# sanitizer report, and says per target how many inputs it ran and where the
# input that failed was kept.
#
#   fuzz/corri.sh                   every target
#   fuzz/corri.sh trame classe      some of them
#   FUZZ_SECONDS=600 fuzz/corri.sh  a longer run
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-60}
BUILD=${FUZZ_BUILD:-build-fuzz}
JOBS=${JOBS:-$(nproc)}

# target name, seed corpus, longest input: a little over the largest real
# input, so the run spends its time on the shapes that matter.
#   trame: a frame is at most 77 characters (12 fields and 5 more); 256 leaves
#          room for floods and for field 12 gathering the rest.
#   stato: the pin-state reply is 78 characters.
#   sca:   a scheme file is a few hundred bytes; long lines and more than 39
#          lines need a few thousand.
#   immagine: small JPEG and BMP files reach every marker and header kind.
#   righe: a free stream; 8192 holds a line over the 4096 bytes kept and
#          the next one.
#   classe: a topic and a payload; a run's facts are about 300 bytes, and
#          4096 reaches the bound of a text (1024 bytes), not of a payload
#          (64 KiB: classe_tests tries that one).
#   esperimento: a teacher's file of 14 columns is about 500 bytes; 4096
#          leaves room for long names, escapes and nested tables (the 64 KiB
#          bound is the suite's).
obiettivi=(
  "trame     trame     256"
  "righe     righe     8192"
  "pannelli  stato     256"
  "sca       sca       4096"
  "immagine  immagine  8192"
  "classe    classe    4096"
  "esperimento esperimento 4096"
)

scelti=("$@")
vuole() {
  [ ${#scelti[@]} -eq 0 ] && return 0
  local s
  for s in "${scelti[@]}"; do [ "$s" = "$1" ] && return 0; done
  return 1
}

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# Only the fuzz targets: no tests, no benchmarks.
if [ ! -f "$BUILD/build.ninja" ]; then
  CXX=clang++ CC=clang cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLUMETTO_FUZZ=ON -DLUMETTO_WERROR=ON -DBUILD_TESTING=OFF -DLUMETTO_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
fi
bersagli=()
for riga in "${obiettivi[@]}"; do
  read -r nome _ _ <<<"$riga"
  if vuole "$nome"; then bersagli+=("${nome}_fuzz"); fi
done
if [ ${#bersagli[@]} -eq 0 ]; then
  echo "fuzz: no such target: $*" >&2
  exit 2
fi
cmake --build "$BUILD" -j "$JOBS" --target "${bersagli[@]}"

lavoro=$(mktemp -d "${TMPDIR:-/tmp}/lumetto-fuzz-XXXXXX")
trap 'rm -rf "$lavoro"' EXIT
# The picture decoder never needs a display.
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

fallito=0
sommario=()
for riga in "${obiettivi[@]}"; do
  read -r nome corpus massimo <<<"$riga"
  vuole "$nome" || continue
  dir="$lavoro/$nome"
  mkdir -p "$dir/corpus" "$dir/artefatti"
  cp -r "fuzz/corpus/$corpus/." "$dir/corpus/"
  echo "fuzz: ${nome}_fuzz for ${FUZZ_SECONDS}s"
  rc=0
  # One process: a second would only take the other core from the lead's
  # build; -timeout catches an input that hangs a decoder.
  "$BUILD/fuzz/${nome}_fuzz" "$dir/corpus" -max_total_time="$FUZZ_SECONDS" \
    -max_len="$massimo" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/artefatti/" >"$dir/log" 2>&1 || rc=$?
  esecuzioni=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
  copertura=$(grep -o 'cov: [0-9]*' "$dir/log" | tail -1 || true)
  voci=$(ls "$dir/corpus" | wc -l)
  artefatti=$(ls "$dir/artefatti")
  if [ "$rc" -ne 0 ] || [ -n "$artefatti" ]; then
    fallito=1
    # Kept where the lead can find it: the temporary folder goes at exit.
    mkdir -p "$BUILD/fuzz/artefatti"
    cp "$dir"/artefatti/* "$BUILD/fuzz/artefatti/" 2>/dev/null || true
    cp "$dir/log" "$BUILD/fuzz/artefatti/${nome}.log"
    tail -n 60 "$dir/log"
    sommario+=("${nome}_fuzz: FAILED (exit $rc) after ${esecuzioni:-?} executions; input kept in $BUILD/fuzz/artefatti/: ${artefatti:-none}")
  else
    sommario+=("${nome}_fuzz: ${esecuzioni:-?} executions in ${FUZZ_SECONDS}s, ${copertura:-cov: ?}, corpus $(ls "fuzz/corpus/$corpus" | wc -l) -> $voci inputs, no crash")
  fi
done

echo
for s in "${sommario[@]}"; do echo "fuzz: $s"; done
exit $fallito
