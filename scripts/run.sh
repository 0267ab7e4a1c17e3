#!/usr/bin/env bash
# The run command: installs what building the programs needs, builds the program it runs and
# starts the window. Without a display it converts the bundled sample export through the
# command line instead and shows the result. The tests are neither installed nor built here:
# scripts/test.sh does that.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build-essential cmake pkg-config nettle-dev qt6-base-dev libgl-dev \
  qt6-translations-l10n libktoblzcheck1v5
# A build folder made here leaves the tests out; one that exists keeps its own settings.
options=()
[ -f build/CMakeCache.txt ] || options=(-DKDIMPORT_BUILD_TESTS=OFF)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
bin="$PWD/build/bin"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cmake --build build -j "$(nproc)" --target kdimport
  cd "$bin" && exec ./kdimport
fi
cmake --build build -j "$(nproc)" --target kdimport-cli

program="${1:-Datev}"
sample="${2:-samples/datev/LG_ASCII_12345_SD.txt}"
year=$(date +%y)
work=$(mktemp -d)
mkdir -p "$work/FIRMA"
touch "$work/FIRMA/Konfi-$year"
echo "Kein Bildschirm gefunden: Beispielübernahme mit kdimport-cli"
echo "  Programm: $program"
echo "  Quelldatei: $sample"
echo "  Datenverzeichnis: $work/FIRMA/"
echo
status=0
(cd "$bin" && ./kdimport-cli --program "$program" --source "$OLDPWD/$sample" --data-dir "$work/FIRMA" --year "$year") || status=$?
# KDIMPORT.TXT stays Windows-1252; the bank file is in the OEM code page 850 when umlauts are
# converted (the default).
show() {
  if [ -f "$1" ]; then
    echo
    echo "== $1 ($2, shown as UTF-8) =="
    iconv -f "$2" -t UTF-8 "$1" | tr -d '\r' || true
  fi
}
show "$work/FIRMA/KDIMPORT.TXT" CP1252
show "$work/FIRMA/Bank-$year" CP850
exit $status
