#!/usr/bin/env bash
# Opens the guide Anleitung.html of a build in headless Chromium, as a double-click would open
# it: takes the picture of its first screen for the README (docs/anleitung-chromium.png)
# and prints it on A4 as a PDF. Fails unless the print holds every picture of the guide, German
# text with its umlauts and the headings of every section. Installs Chromium, the PDF tools and
# ImageMagick when they are missing.
#
#   scripts/anleitung-chromium.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
scripts/install-deps.sh chromium poppler-utils imagemagick
[ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DKDIMPORT_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" --target kdimport-anleitung >/dev/null
html=$(cd "$dir" && pwd)/Anleitung.html

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
browser() {
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --hide-scrollbars "$@" "file://$html" 2>/dev/null
}
browser --window-size=1000,1000 --screenshot="$work/screen.png"
convert "$work/screen.png" -colors 256 png8:docs/anleitung-chromium.png
browser --no-pdf-header-footer --print-to-pdf="$work/Anleitung.pdf"

failures=0
fail() {
  echo "FEHLER: $*" >&2
  failures=$((failures + 1))
}
pages=$(pdfinfo "$work/Anleitung.pdf" | awk '/^Pages:/ { print $2 }')
size=$(pdfinfo "$work/Anleitung.pdf" | sed -n 's/^Page size: *//p')
pictures=$(awk '/^<!--/ { note = 1 } !note && /^!\[.*\]\(.*\.png\)$/ { n++ } /-->$/ { note = 0 }
  END { print n + 0 }' docs/anleitung/anleitung.md)
printed=$(pdfimages -list "$work/Anleitung.pdf" | tail -n +3 | awk '$3 == "image"' | wc -l)
[ "$printed" -eq "$pictures" ] || fail "gedruckt $printed von $pictures Bildern"
case "$size" in 595* | 594* | 596*) ;; *) fail "Seitengröße $size ist nicht A4" ;; esac
pdftotext "$work/Anleitung.pdf" "$work/Anleitung.txt"
grep '^## ' docs/anleitung/anleitung.md | sed 's/^## //; s/ {#.*}$//' | while read -r heading; do
  grep -qF "$heading" "$work/Anleitung.txt" || echo "$heading"
done >"$work/missing"
while read -r heading; do fail "Abschnitt fehlt im Druck: $heading"; done <"$work/missing"
grep -qF "Übernahme" "$work/Anleitung.txt" || fail "keine Umlaute im Druck"
echo "Anleitung.html in Chromium: $pages Seiten A4 ($size), $printed Bilder," \
  "erste Seite in docs/anleitung-chromium.png"
[ "$failures" -eq 0 ]
