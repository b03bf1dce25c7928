#!/usr/bin/env bash
# Sets up, builds and runs every test: the Linux build (unit, integration
# against real telnet servers, GUI under Xvfb, the Windows program and its
# unit tests under Wine), the unit tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded fuzzing run of the interpreter.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

scripts/setup.sh test || exit 1

step() { printf '\n=== %s\n' "$*"; }
die() { echo "test.sh: $*" >&2; exit 1; }

step "Windows build (mingw-w64 i686)"
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null \
  && cmake --build build-win -j"$jobs" || die "Windows build failed"

step "Linux build"
cmake -S . -B build -DQUORVISH_WIN_BUILD="$root/build-win" >/dev/null \
  && cmake --build build -j"$jobs" || die "Linux build failed"

step "Sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -DQUORVISH_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
  -DQUORVISH_TEST_AREAS="terminal;net;headless;render;views;app;menu" >/dev/null \
  && cmake --build build-asan -j"$jobs" || die "sanitizer build failed"

step "Fuzz build (clang, libFuzzer)"
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUORVISH_FUZZ=ON \
  -DQUORVISH_TEST_AREAS=fuzz >/dev/null \
  && cmake --build build-fuzz --target interpret_fuzz -j"$jobs" || die "fuzz build failed"

passed=0
failed=0
run_ctest() {
  local dir=$1; shift
  step "ctest in $dir $*"
  local log
  log=$(mktemp)
  (cd "$dir" && ctest --output-on-failure "$@") 2>&1 | tee "$log"
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  rm -f "$log"
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    return
  fi
  local total bad
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_ctest build
run_ctest build-asan -L unit
run_ctest build-fuzz -L fuzz

echo
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
