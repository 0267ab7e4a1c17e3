#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer on)
# and runs each of them for a fixed time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]        default 60
# Environment: KDIMPORT_FUZZ_BUILD (build folder, default build-fuzz), KDIMPORT_FUZZ_JOBS
# (parallel compile jobs, default 2), KDIMPORT_FUZZ_TARGETS (default: every target),
# KDIMPORT_FUZZ_PARALLEL=1 (run the targets side by side instead of one after the other).
# The corpus a run grows is kept in the build folder and seeds the next run; a crash, leak,
# timeout or sanitizer report leaves its input in BUILD/fuzz-artifacts and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${KDIMPORT_FUZZ_BUILD:-build-fuzz}"
jobs="${KDIMPORT_FUZZ_JOBS:-2}"
targets=(${KDIMPORT_FUZZ_TARGETS:-fuzz_readers fuzz_fields fuzz_conversion fuzz_recognition})

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKDIMPORT_BUILD_FUZZ=ON -DKDIMPORT_BUILD_APP=OFF -DKDIMPORT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target fuzz_targets

build=$(cd "$build" && pwd)
fuzz/make_corpus.sh "$build/fuzz-seeds"
mkdir -p "$build/fuzz-corpus" "$build/fuzz-artifacts" "$build/fuzz-logs"
# Each target keeps its work folder under its own temporary folder.
tmp="$build/fuzz-tmp"
rm -rf "$tmp"

run_target() {
  local target="$1" status=0
  mkdir -p "$build/fuzz-corpus/$target" "$tmp/$target"
  TMPDIR="$tmp/$target" "$build/bin/$target" "$build/fuzz-corpus/$target" \
    "$build/fuzz-seeds/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$target-" \
    >"$build/fuzz-logs/$target.log" 2>&1 || status=$?
  echo "$status" >"$build/fuzz-logs/$target.status"
}

if [ "${KDIMPORT_FUZZ_PARALLEL:-0}" = 1 ]; then
  echo "== ${targets[*]}: ${seconds}s each, side by side"
  for target in "${targets[@]}"; do run_target "$target" & done
  wait
else
  for target in "${targets[@]}"; do
    echo "== $target: ${seconds}s"
    run_target "$target"
  done
fi
rm -rf "$tmp"

failed=()
echo
for target in "${targets[@]}"; do
  log="$build/fuzz-logs/$target.log"
  status=$(cat "$build/fuzz-logs/$target.status")
  # libFuzzer's last status line: "#<runs> DONE cov: <edges> ft: <features> corp: ..."
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  runs=$(grep -E '^stat::number_of_executed_units:' "$log" | awk '{print $2}' || true)
  echo "$target: ${runs:-?} executions; ${last:-no status line}"
  if [ "$status" -ne 0 ] ||
    grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|kdimport fuzz check failed' "$log"; then
    failed+=("$target")
    echo "-- $target FAILED (status $status), log: $log"
    grep -E 'ERROR:|runtime error:|kdimport fuzz check failed|SUMMARY|Test unit written' "$log" |
      head -n 20 || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "Fuzzing found nothing."
