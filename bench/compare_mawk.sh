#!/usr/bin/env bash
# kdimport-cli end to end on a big export against an equivalent mawk script, for the SBS and the
# DATEV layout: time, peak memory, and whether both write the same records.
# Usage: bench/compare_mawk.sh [BUILD_DIR] [SIZE_MB]   (BUILD_DIR defaults to build-bench)
# Every run is repeated KDIMPORT_BENCH_RUNS times (default 5); the median time counts, and the
# highest peak memory.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-bench}"
size_mb="${2:-100}"
bin="$build/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/FIRMA"
touch "$work/FIRMA/Konfi-18"

# Repeats the sample's employee lines (those beginning with a digit) after its column line until
# the file reaches the size asked for.
enlarge() {
  LC_ALL=C mawk -v limit=$((size_mb * 1000000)) '
    /^[0-9]/ { lines[n++] = $0; next }
    n == 0 { printf "%s\n", $0; size += length($0) + 1 }
    END { while (size < limit) { l = lines[i++ % n]; printf "%s\n", l; size += length(l) + 1 } }' "$1" > "$2"
}

runs="${KDIMPORT_BENCH_RUNS:-5}"

measure() {  # label, command...
  local label=$1; shift
  local times=() peak=0 secs kb
  for ((r = 0; r < runs; r++)); do
    rm -f "$work/FIRMA/KDIMPORT.TXT" "$work/FIRMA/Bank-18"
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2> "$work/stderr" || { cat "$work/stderr"; exit 1; }
    read -r secs kb < "$work/time"
    times+=("$secs")
    (( kb > peak )) && peak=$kb
  done
  secs=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  echo "$label $secs $peak"
}

printf '%-8s %-22s %8s %9s %10s   (median of %d runs)\n' layout run seconds "MB/s" "peak MB" "$runs"
for layout in sbs datev; do
  case $layout in
    sbs) sample="$root/samples/sbs/Tabelle2929.csv"; program=SBS ;;
    datev) sample="$root/samples/datev/LG_ASCII_12345_SD.txt"; program=Datev ;;
  esac
  export_file="$work/$layout.txt"
  enlarge "$sample" "$export_file"
  mb=$(( $(stat -c %s "$export_file") / 1000000 ))
  results=()
  for run in cli-bank-off cli-bank-on mawk; do
    case $run in
      cli-bank-off) line=$(cd "$bin" && measure $run ./kdimport-cli --program $program --source "$export_file" --data-dir "$work/FIRMA" --year 18 --bank Nein) ;;
      cli-bank-on) line=$(cd "$bin" && measure $run ./kdimport-cli --program $program --source "$export_file" --data-dir "$work/FIRMA" --year 18 --bank Ja) ;;
      mawk) line=$(measure $run sh -c "LC_ALL=C mawk -v umlauts=1 -f '$root/bench/awk/$layout.awk' '$export_file' > '$work/mawk.txt'") ;;
    esac
    read -r _ secs kb <<< "$line"
    [ $run = cli-bank-off ] && cp "$work/FIRMA/KDIMPORT.TXT" "$work/cli.txt"
    printf '%-8s %-22s %8s %9.0f %10.0f\n' $layout $run "$secs" "$(echo "$mb / $secs" | bc -l)" "$(echo "$kb / 1024" | bc -l)"
    results+=("$secs")
  done
  if cmp -s "$work/cli.txt" "$work/mawk.txt"; then
    same="same records"
  else
    same="RECORDS DIFFER"
  fi
  printf '%-8s %s MB export: mawk/cli %.1fx, bank on/off %.2fx, %s\n' $layout $mb \
    "$(echo "${results[2]} / ${results[0]}" | bc -l)" "$(echo "${results[1]} / ${results[0]}" | bc -l)" "$same"
done
