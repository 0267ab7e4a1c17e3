#!/usr/bin/env bash
# Takes docs/protocol-page.png again: the printable protocol of the Lexware sample that shows
# what the protocol points out, written by kdimport-cli, printed to PDF on A4 by headless
# Chromium as a browser prints it, and its first page turned into a picture. Given the Windows
# build too, also the guide's picture docs/anleitung/bild-10-protokollseite.png: the same page
# written by kdimport-cli.exe under Wine, with the guide's folders C:\Export and
# C:\KANDREL\FIRMA and the year 26. Chromium, poppler-utils and ImageMagick are installed for these
# pictures only; the tests do not need them.
#
#   scripts/protocol-page-screenshot.sh [BUILD_DIR [WINDOWS_BUILD_DIR]]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh chromium poppler-utils imagemagick
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

# The first A4 page of `page` as the picture `picture` (without .png).
first_page() {
  local page=$1 picture=$2
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/chromium" --no-pdf-header-footer \
    --print-to-pdf="$work/Protokoll.pdf" "file://$page" >/dev/null 2>&1
  echo "Protokoll.pdf: $(pdfinfo "$work/Protokoll.pdf" | sed -n 's/^Pages: *//p') Seiten A4"
  pdftoppm -r 96 -f 1 -l 1 -singlefile -png "$work/Protokoll.pdf" "$picture"
  # Black text on white: sixteen greys keep it sharp at a third of the size.
  convert "$picture.png" -colorspace Gray -colors 16 -strip "PNG8:$picture.png"
  echo "$picture.png"
}
first_page "$work/Protokoll.html" docs/protocol-page

[ -n "${2:-}" ] || exit 0
winbin="$(cd "$2" && pwd)/windows/bin"
[ -f "$winbin/kdimport-cli.exe" ] || {
  echo "$winbin/kdimport-cli.exe fehlt: zuerst scripts/windows-build.sh" >&2
  exit 1
}
scripts/install-deps.sh wine64
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$wine" wineboot -i >/dev/null 2>&1 || true
drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/Export" "$drive/KANDREL/FIRMA" "$drive/KDIMPORT"
touch "$drive/KANDREL/FIRMA/Konfi-26"
cp samples/lexware/Personalstammblatt_Protokoll.csv "$drive/Export/"
cp "$winbin/kdimport-cli.exe" "$winbin/BLZ_20170904.txt" "$drive/KDIMPORT/"
(cd "$drive/KDIMPORT" && "$wine" kdimport-cli.exe --program Lexware \
  --source 'C:\Export\Personalstammblatt_Protokoll.csv' --data-dir 'C:\KANDREL\FIRMA' --year 26 \
  --protocol 'C:\Export\Protokoll.html') >/dev/null
first_page "$drive/Export/Protokoll.html" docs/anleitung/bild-10-protokollseite
