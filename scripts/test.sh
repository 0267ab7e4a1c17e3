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

echo "== Build and tests"
rm -rf build-test
scripts/build.sh build-test
(cd build-test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
rm -rf build-test-asan
scripts/build.sh build-test-asan -DKDIMPORT_SANITIZE=ON -DKDIMPORT_BUILD_APP=OFF
(cd build-test-asan &&
  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j "$jobs")

echo "== Fuzzing"
rm -rf build-test-fuzz
KDIMPORT_FUZZ_BUILD=build-test-fuzz KDIMPORT_FUZZ_JOBS="$jobs" \
  scripts/fuzz.sh "${KDIMPORT_FUZZ_SECONDS:-60}"

echo "== Windows: cross-build with mingw-w64, tests under Wine"
rm -rf build-test-win
scripts/windows-build.sh build-test-win
