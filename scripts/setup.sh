#!/usr/bin/env bash
# Installs what QuorvishTelnet needs on Debian 12.
#   scripts/setup.sh run      building and running the Linux program and the demo host
#   scripts/setup.sh package  what scripts/package.sh needs as well: dpkg-dev,
#                             zip and the 32-bit Windows cross compiler
#   scripts/setup.sh test     everything the tests need as well: the Windows cross
#                             compilers (32-bit product, 64-bit test build), Wine
#                             for both widths, Xvfb, real telnet servers, clang,
#                             the artwork check's fonts, lintian
#   scripts/setup.sh bench    the reference programs bench/compare-views.sh runs
#                             beside the views (glmatrix, starwars) and Xvfb
set -euo pipefail
profile=${1:-run}

SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi

RUN_PACKAGES=(
  cmake g++ make pkg-config python3 libx11-dev
  libsdl2-dev libfltk1.3-dev libfreetype-dev libfontconfig-dev fonts-liberation2
  libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libegl-mesa0
  busybox-static
)
PACKAGE_PACKAGES=(
  dpkg-dev zip
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
)
TEST_PACKAGES=(
  libgtest-dev libgmock-dev clang libclang-rt-14-dev
  lintian desktop-file-utils
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 libxrender1:i386 libxrandr2:i386
  libxi6:i386 libxcursor1:i386 libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386
  libxxf86vm1:i386
  xvfb xdotool imagemagick x11-utils xauth xfonts-base
  inetutils-telnetd socat iproute2 util-linux login
  libvterm-dev python3-pil python3-xlib jwm fonts-dejavu-core fonts-dejavu-extra
)
BENCH_PACKAGES=(
  xscreensaver-gl xscreensaver-gl-extra xvfb python3-xlib
)

packages=("${RUN_PACKAGES[@]}")
if [ "$profile" = package ]; then
  packages+=("${PACKAGE_PACKAGES[@]}")
elif [ "$profile" = test ]; then
  packages+=("${PACKAGE_PACKAGES[@]}" "${TEST_PACKAGES[@]}")
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
elif [ "$profile" = bench ]; then
  packages+=("${BENCH_PACKAGES[@]}")
elif [ "$profile" != run ]; then
  echo "usage: scripts/setup.sh [run|package|test|bench]" >&2
  exit 64
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The tests run Debian's telnetd themselves, on loopback only; make sure the
# package did not also switch on a telnet service for every interface.
if [ "$profile" = test ] && command -v update-inetd >/dev/null 2>&1; then
  $SUDO update-inetd --disable telnet >/dev/null 2>&1 || true
fi
