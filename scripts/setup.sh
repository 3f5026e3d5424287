#!/usr/bin/env bash
# Installs what building, running and testing Lumetto needs on Debian 12, and
# only what is missing; generates the Italian locale our users run.
set -euo pipefail

packages=(
  cmake ninja-build g++ ccache pkg-config clang-format
  clang libclang-rt-14-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n fonts-liberation fonts-dejavu-core fonts-urw-base35
  libjpeg62-turbo-dev libsqlite3-dev libtomlplusplus-dev
  libgsl-dev python3-scipy python3-numpy
  libmosquitto-dev mosquitto mosquitto-clients openssl
  libgtest-dev libgmock-dev
  python3-xlrd gnumeric libreoffice-calc-nogui desktop-file-utils imagemagick poppler-utils
  pandoc xvfb xdotool x11-apps
  gcc-avr avr-libc arduino-core-avr avrdude arduino-builder
  simavr libsimavr-dev libsimavrparts1 libelf-dev libgl-dev
  debhelper dpkg-dev fakeroot lintian appstream udev librsvg2-bin
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The program and its tests run under it_IT.UTF-8 too.
if ! locale -a 2>/dev/null | grep -qi '^it_IT\.utf-\?8$'; then
  echo "setup: generating it_IT.UTF-8"
  as_root localedef -i it_IT -f UTF-8 it_IT.UTF-8
fi
