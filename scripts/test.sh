#!/usr/bin/env bash
# Sets up, builds and runs every test: the Linux build (unit, integration
# against real telnet servers, GUI under Xvfb, the Windows program and its
# unit tests under Wine), the unit tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded fuzzing run of the interpreter.
#
#   scripts/test.sh           the Windows tests take the 32-bit path where
#                             this machine runs 32-bit code, else the 64-bit one
#   scripts/test.sh --win64   the 64-bit path even where 32-bit code runs
#
# The product is always the 32-bit QuorvishTelnet.exe, built and checked for
# its imports on both paths. The 32-bit path runs it and the 32-bit test
# programs under 32-bit Wine; the 64-bit path runs a 64-bit build of the same
# sources under 64-bit Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

force64=0
for arg in "$@"; do
  case $arg in
    --win64) force64=1 ;;
    *) echo "usage: scripts/test.sh [--win64]" >&2; exit 64 ;;
  esac
done

scripts/setup.sh test || exit 1

step() { printf '\n=== %s\n' "$*"; }
die() { echo "test.sh: $*" >&2; exit 1; }

# Which Windows path: try to run 32-bit code, the dynamic loader and then
# Wine's own 32-bit loader. Some machines refuse every 32-bit binary.
if [ $force64 -eq 1 ]; then
  wine_arch=win64
  path_line="Windows tests: 64-bit path (Win64 build under wine64), forced by --win64"
elif probe=$(/lib/ld-linux.so.2 --version 2>&1 | head -n 1) &&
     probe=$(/usr/lib/wine/wine --version 2>&1); then
  wine_arch=win32
  path_line="Windows tests: 32-bit path (the 32-bit programs under wine, $probe)"
else
  wine_arch=win64
  path_line="Windows tests: 64-bit path (Win64 build under wine64): this machine does not run 32-bit code: ${probe:-no answer}"
fi
step "$path_line"

step "Windows build (mingw-w64 i686): the product"
scripts/configure.sh win32 build-win -DQUORVISH_TESTS=ON && cmake --build build-win -j"$jobs" || die "Windows build failed"
win_build=$root/build-win
if [ $wine_arch = win64 ]; then
  step "Windows build (mingw-w64 x86_64): the programs the Windows tests run"
  scripts/configure.sh win64 build-win64 -DQUORVISH_TESTS=ON && cmake --build build-win64 -j"$jobs" || die "Win64 build failed"
  win_build=$root/build-win64
fi

step "Linux build"
scripts/configure.sh linux build -DQUORVISH_TESTS=ON -DQUORVISH_PRODUCT_WIN_BUILD="$root/build-win" \
  -DQUORVISH_WIN_BUILD="$win_build" -DQUORVISH_WINE_ARCH=$wine_arch -DQUORVISH_TEST_AREAS=all \
  && cmake --build build -j"$jobs" || die "Linux build failed"

step "Sanitizer build (ASan + UBSan)"
scripts/configure.sh asan build-asan -DQUORVISH_TESTS=ON -DQUORVISH_TEST_AREAS="terminal;net;headless;render;app" \
  && cmake --build build-asan -j"$jobs" || die "sanitizer build failed"

step "Fuzz build (clang, libFuzzer)"
scripts/configure.sh fuzz build-fuzz -DQUORVISH_TESTS=ON -DQUORVISH_TEST_AREAS=fuzz && cmake --build build-fuzz --target interpret_fuzz -j"$jobs" || die "fuzz build failed"

passed=0
failed=0
# Every test counts as passed or failed: ctest counts a test it could not
# run as failed, and one it skipped is counted as failed here.
run_ctest() {
  local dir=$1; shift
  step "ctest in $dir $*"
  local log
  log=$(mktemp)
  (cd "$dir" && ctest --output-on-failure "$@") 2>&1 | tee "$log"
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  local skipped
  skipped=$(grep -cE '\*\*\*Skipped' "$log")
  rm -f "$log"
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    return
  fi
  local total bad
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad - skipped))
  failed=$((failed + bad + skipped))
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_ctest build
run_ctest build-asan -L unit
run_ctest build-fuzz -L fuzz

echo
echo "$path_line"
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
