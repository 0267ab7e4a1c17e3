#!/usr/bin/env bash
# The run command: installs what is missing, builds, and starts the window. Without a display
# it converts the bundled sample export through the command line instead and shows the result.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
bin="$PWD/build/bin"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/kdimport" ]; then
  cd "$bin" && exec ./kdimport
fi

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
