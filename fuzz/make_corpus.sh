#!/usr/bin/env bash
# Builds the seed corpus of the fuzz targets from the sample exports in samples/.
#   fuzz/make_corpus.sh OUTPUT_FOLDER
# Each target gets a folder of the same name; the first bytes of every seed select the reader
# and the settings in the layout the target describes at its top.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:?usage: fuzz/make_corpus.sh OUTPUT_FOLDER}"
rm -rf "$out"
mkdir -p "$out/fuzz_readers" "$out/fuzz_fields" "$out/fuzz_conversion" "$out/fuzz_recognition"

# Row of the reader table and index of the program name in fuzz_conversion's list.
reader_row() {
  case "$1" in
    lexware) echo 0 ;; exact) echo 2 ;; bbs) echo 3 ;; agenda) echo 4 ;; varial) echo 5 ;;
    dataline) echo 6 ;; sbs) echo 7 ;; sage) echo 8 ;; datev) echo 9 ;; gdi) echo 10 ;;
  esac
}
program_index() {
  case "$1" in
    agenda) echo 0 ;; bbs) echo 1 ;; datev) echo 2 ;; dataline) echo 3 ;; exact) echo 4 ;;
    gdi) echo 5 ;; lexware) echo 6 ;; sage) echo 7 ;; sbs) echo 8 ;; varial) echo 9 ;;
  esac
}
byte() { printf "\\x$(printf %02x "$1")"; }

# Writes one seed: two selector bytes, then the contents of the given files in turn.
seed() {
  local file="$1" first="$2" second="$3"
  shift 3
  { byte "$first"; byte "$second"; cat "$@"; } >"$file"
}

n=0
for dir in samples/*/; do
  program=$(basename "$dir")
  row=$(reader_row "$program")
  index=$(program_index "$program")
  [ -n "$row" ] || continue
  for sample in "$dir"*; do
    [ -f "$sample" ] || continue
    case "$(basename "$sample")" in PWASCUEB.EXP) continue ;; esac
    files=("$sample")
    split=0
    if [ "$program" = varial ] && [ -f "$dir/PWASCUEB.EXP" ]; then
      files+=("$dir/PWASCUEB.EXP")
      # Start of the bank connection file within the bytes, in 32nds.
      total=$(cat "${files[@]}" | wc -c)
      split=$(($(wc -c <"$sample") * 32 / total))
    fi
    n=$((n + 1))
    # Umlauts and bank data yes; both no; bank data yes with '.' as decimal separator.
    seed "$out/fuzz_readers/$n-a" "$row" $((3 | split << 3)) "${files[@]}"
    seed "$out/fuzz_readers/$n-b" "$row" $((split << 3)) "${files[@]}"
    seed "$out/fuzz_readers/$n-c" "$row" $((6 | split << 3)) "${files[@]}"
    # The export under the name its program gives it, and under another.
    { byte "$n"; cat "$sample"; } >"$out/fuzz_recognition/$n"
    # The whole run with the marker present, umlauts and bank data yes.
    seed "$out/fuzz_conversion/$n-a" "$index" $((0x10)) "${files[@]}"
    seed "$out/fuzz_conversion/$n-b" "$index" $((0x10 | 0x80 | 2 << 2)) "${files[@]}"
    # The same export saved as UTF-8 and as UTF-16 with a byte-order mark.
    if command -v iconv >/dev/null; then
      iconv -f CP1252 -t UTF-8 "$sample" >"$out/utf8.tmp" 2>/dev/null || true
      { printf '\xff\xfe'; iconv -f CP1252 -t UTF-16LE "$sample" 2>/dev/null || true; } >"$out/utf16.tmp"
      seed "$out/fuzz_readers/$n-utf8" "$row" 3 "$out/utf8.tmp"
      seed "$out/fuzz_readers/$n-utf16" "$row" 3 "$out/utf16.tmp"
      { byte 0; cat "$out/utf16.tmp"; } >"$out/fuzz_recognition/$n-utf16"
      rm -f "$out/utf8.tmp" "$out/utf16.tmp"
    fi
    # The column line and the first data line for the field functions, at several columns.
    head -n 2 "$sample" | tr -d '\r' >"$out/lines.tmp"
    for column in 1 2 5 17; do
      { byte $((column + 3)); byte 0; byte $((column % 2 ? 4 : 16)); cat "$out/lines.tmp"; } \
        >"$out/fuzz_fields/$n-$column"
    done
    rm -f "$out/lines.tmp"
  done
done
echo "seed corpus: $(ls "$out/fuzz_readers" | wc -l) fuzz_readers, $(ls "$out/fuzz_fields" | wc -l) fuzz_fields, $(ls "$out/fuzz_conversion" | wc -l) fuzz_conversion, $(ls "$out/fuzz_recognition" | wc -l) fuzz_recognition"
