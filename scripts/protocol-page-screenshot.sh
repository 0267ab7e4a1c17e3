#!/usr/bin/env bash
# Takes docs/protocol-page.png again: the printable protocol of the Lexware sample that shows
# what the protocol points out, written by kdimport-cli, printed to PDF on A4 by headless
# Chromium as a browser prints it, and its first page turned into a picture. Chromium and
# poppler-utils are installed for this picture only; the tests do not need them.
#
#   scripts/protocol-page-screenshot.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh chromium poppler-utils
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
cmake --build "$build" -j "$jobs" --target kdimport-cli >/dev/null
cli="$PWD/$build/bin/kdimport-cli"

# Folders with names a person would give them, so that the picture shows readable paths.
work=/tmp/kdimport-protokollseite
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Export" "$work/Kandrel/FIRMA" "$work/chromium"
touch "$work/Kandrel/FIRMA/Konfi-18"
cp samples/lexware/Personalstammblatt_Protokoll.csv "$work/Export/"
(cd "$work" && "$cli" --program Lexware --source Export/Personalstammblatt_Protokoll.csv \
  --data-dir Kandrel/FIRMA --year 18 --protocol Protokoll.html) >/dev/null

chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/chromium" --no-pdf-header-footer \
  --print-to-pdf="$work/Protokoll.pdf" "file://$work/Protokoll.html" >/dev/null 2>&1
echo "Protokoll.pdf: $(pdfinfo "$work/Protokoll.pdf" | sed -n 's/^Pages: *//p') Seiten A4"
pdftoppm -r 96 -f 1 -l 1 -singlefile -png "$work/Protokoll.pdf" docs/protocol-page
echo "docs/protocol-page.png"
