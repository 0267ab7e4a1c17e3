#!/usr/bin/env bash
# The test command: installs what is missing, builds from scratch and runs every test.
#   1. the normal build and every test (the window's tests offscreen);
#   2. core, readers, command line and their tests built with AddressSanitizer and
#      UndefinedBehaviorSanitizer, every test again;
#   3. the libFuzzer targets, each for a short time (KDIMPORT_FUZZ_SECONDS, default 60);
#   4. the Windows build of everything without Qt, its tests under Wine, its kdimport-cli.exe
#      compared with the Linux one on every sample.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs="$(nproc)"
# ctest in the given build folder; when a test fails, its output again at the very end, where a
# log that keeps only its last lines still shows why.
run_tests() {
  local dir=$1
  shift
  (cd "$dir" && env "$@" ctest --output-on-failure -j "$jobs") && return 0
  echo "== Failed in $dir, once more with their output:"
  (cd "$dir" && env "$@" ctest --rerun-failed --output-on-failure) | tail -n 150
  return 1
}

echo "== Build and tests"
rm -rf build-test
scripts/build.sh build-test
run_tests build-test QT_QPA_PLATFORM=offscreen

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
rm -rf build-test-asan
scripts/build.sh build-test-asan -DKDIMPORT_SANITIZE=ON -DKDIMPORT_BUILD_APP=OFF
run_tests build-test-asan \
  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== Fuzzing"
rm -rf build-test-fuzz
KDIMPORT_FUZZ_BUILD=build-test-fuzz KDIMPORT_FUZZ_JOBS="$jobs" \
  scripts/fuzz.sh "${KDIMPORT_FUZZ_SECONDS:-60}"

echo "== Windows: cross-build with mingw-w64, tests under Wine"
rm -rf build-test-win
scripts/windows-build.sh build-test-win
