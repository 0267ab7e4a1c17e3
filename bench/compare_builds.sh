#!/usr/bin/env bash
# kdimport-cli of two builds side by side on big exports, runs alternating A B A B …: CPU time
# (user + system) and wall time of each run, the medians and the median of the ratios B/A taken
# pair by pair, so that a machine whose speed drifts still gives a fair comparison.
# Usage: bench/compare_builds.sh BUILD_A BUILD_B [SIZE_MB]   (e.g. the build before a change
# and the build with it; each folder holds bin/kdimport-cli)
# Exports: the SBS and the DATEV sample's employee lines repeated to SIZE_MB (default 100), once
# as they are ("plain") and once with a wrong check digit in every insurance number and tax
# identification number ("hints": two hints on every record). KDIMPORT_BENCH_RUNS runs of each
# (default 7), bank setting on.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
a="$1/bin/kdimport-cli"
b="$2/bin/kdimport-cli"
size_mb="${3:-100}"
runs="${KDIMPORT_BENCH_RUNS:-7}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/FIRMA"
touch "$work/FIRMA/Konfi-18"

# The sample's column line, then its employee lines over and over; with `hints` the last digit
# of every insurance number (8 digits, a letter, 3 digits) and of every 11-digit number moves on
# by one, which breaks its check digit.
enlarge() {
  LC_ALL=C mawk -v limit=$((size_mb * 1000000)) -v hints="$3" '
    function bump(s, start, len,   d) {
      d = substr(s, start + len - 1, 1)
      return substr(s, 1, start + len - 2) ((d + 1) % 10) substr(s, start + len)
    }
    /^[0-9]/ {
      if (hints) {
        n1 = split($0, f, ";"); line = ""
        for (i = 1; i <= n1; i++) {
          v = f[i]; q = ""
          if (v ~ /^".*"$/) { q = "\""; v = substr(v, 2, length(v) - 2) }
          if (v ~ /^[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][A-Z][0-9][0-9][0-9]$/ ||
              v ~ /^[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]$/) v = bump(v, 1, length(v))
          line = line (i > 1 ? ";" : "") q v q
        }
        lines[n++] = line
      } else lines[n++] = $0
      next
    }
    n == 0 { printf "%s\n", $0; size += length($0) + 1 }
    END { while (size < limit) { l = lines[i2++ % n]; printf "%s\n", l; size += length(l) + 1 } }' "$1" > "$2"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

run() {  # cli export program -> "cpu wall"
  rm -f "$work/FIRMA/KDIMPORT.TXT" "$work/FIRMA/Bank-18"
  /usr/bin/time -f "%U %S %e" -o "$work/time" "$1" --program "$3" --source "$2" \
    --data-dir "$work/FIRMA" --year 18 --bank Ja >/dev/null 2>&1 || true
  awk '{ printf "%.3f %.3f\n", $1 + $2, $3 }' "$work/time"
}

printf '%-6s %-6s %10s %10s %10s %10s %8s %8s\n' layout data "cpu A" "cpu B" "wall A" "wall B" "cpu B/A" "wall B/A"
for layout in sbs datev; do
  case $layout in
    sbs) sample="$root/samples/sbs/Tabelle2929.csv"; program=SBS ;;
    datev) sample="$root/samples/datev/LG_ASCII_12345_SD.txt"; program=Datev ;;
  esac
  for data in plain hints; do
    export_file="$work/$layout-$data.txt"
    enlarge "$sample" "$export_file" "$([ $data = hints ] && echo 1 || echo 0)"
    run "$a" "$export_file" $program >/dev/null  # warm-up
    : >"$work/a" && : >"$work/b" && : >"$work/r"
    for ((r = 0; r < runs; r++)); do
      read -r ca wa < <(run "$a" "$export_file" $program)
      read -r cb wb < <(run "$b" "$export_file" $program)
      echo "$ca $wa" >>"$work/a"
      echo "$cb $wb" >>"$work/b"
      echo "$ca $cb $wa $wb" | awk '{ printf "%.4f %.4f\n", $2 / $1, $4 / $3 }' >>"$work/r"
    done
    printf '%-6s %-6s %10s %10s %10s %10s %8s %8s\n' $layout $data \
      "$(cut -d' ' -f1 "$work/a" | median)" "$(cut -d' ' -f1 "$work/b" | median)" \
      "$(cut -d' ' -f2 "$work/a" | median)" "$(cut -d' ' -f2 "$work/b" | median)" \
      "$(cut -d' ' -f1 "$work/r" | median)" "$(cut -d' ' -f2 "$work/r" | median)"
  done
done
