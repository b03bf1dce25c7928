#!/usr/bin/env bash
# Configures a build folder: the one place where each kind of build is
# written down. Further arguments go to cmake as they are.
#   scripts/configure.sh linux DIR    the Linux programs (RelWithDebInfo)
#   scripts/configure.sh release DIR  the Linux programs for the package (Release,
#                                     Debian's build flags, installed under /usr)
#   scripts/configure.sh win32 DIR    the 32-bit Windows program (Release, mingw-w64 i686)
#   scripts/configure.sh win64 DIR    the same sources for 64-bit Windows (x86_64)
#   scripts/configure.sh asan DIR     Linux, AddressSanitizer + UndefinedBehaviorSanitizer (Debug)
#   scripts/configure.sh fuzz DIR     the interpreter's libFuzzer target (clang)
# Tests are built unless -DQUORVISH_TESTS=OFF is passed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { echo "usage: scripts/configure.sh linux|release|win32|win64|asan|fuzz DIR [CMAKE OPTIONS...]" >&2; exit 64; }
kind=$1 dir=$2
shift 2
case $kind in
  linux) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVISH_SANITIZE=OFF) ;;
  release)
    options=(-DCMAKE_BUILD_TYPE=Release -DQUORVISH_SANITIZE=OFF -DCMAKE_INSTALL_PREFIX=/usr
             -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
             -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
             -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)") ;;
  win32) options=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release -DQUORVISH_SANITIZE=OFF) ;;
  win64) options=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DQUORVISH_SANITIZE=OFF) ;;
  asan) options=(-DCMAKE_BUILD_TYPE=Debug -DQUORVISH_SANITIZE=ON) ;;
  fuzz) options=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUORVISH_FUZZ=ON -DQUORVISH_SANITIZE=OFF) ;;
  *) echo "scripts/configure.sh: no build kind '$kind'" >&2; exit 64 ;;
esac
cmake --no-warn-unused-cli -S . -B "$dir" "${options[@]}" "$@" >/dev/null
