#!/usr/bin/env bash
# Pictures of the Qt window under Xvfb for the README: the window after converting the Agenda
# sample (docs/window.png) and the protocol window after converting the protocol's Lexware
# sample (docs/protocol-window.png). Both come from the program itself ("kdimport --bild FILE",
# "kdimport --protokoll-bild FILE"), which converts with the settings file of its working folder
# and saves the picture. Needs the Linux build (scripts/build.sh); installs Xvfb when missing.
#
#   scripts/qt-screenshots.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
bin=$(cd "${1:-build}/bin" && pwd)
[ -x "$bin/kdimport" ] || {
  echo "$bin/kdimport fehlt: zuerst scripts/build.sh" >&2
  exit 1
}
scripts/install-deps.sh xvfb xauth

# A short, fixed folder: its paths stand in the pictures.
work=/tmp/kdimport-bild
rm -rf "$work"
trap 'rm -rf "$work"' EXIT

# picture NAME PROGRAM SAMPLE OPTION
picture() {
  local folder="$work/$1"
  mkdir -p "$folder/FIRMA"
  touch "$folder/FIRMA/Konfi-18"
  cp "$source_dir/samples/$3" "$folder/"
  printf '%s\r\n' "$2" "$folder/$(basename "$3")" "$folder/FIRMA/" Ja "Ja " 18 >"$folder/KDIMPORT.INI"
  (cd "$folder" && xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/kdimport" "$4" \
    "$source_dir/docs/$1.png" >/dev/null)
  echo "  docs/$1.png"
}
picture window Agenda agenda/Personaldaten.csv --bild
picture protocol-window Lexware lexware/Personalstammblatt_Protokoll.csv --protokoll-bild
