#!/usr/bin/env bash
# A screenshot of the Qt window's question before a doubtful run under Xvfb with the Openbox
# window manager: the SBS sample converted as Datev asks "Übernahme prüfen" before it writes
# (docs/qt-question.png); the picture's "Nein" then leaves the data directory as it was. Needs
# the Linux build (scripts/build.sh); installs what it misses.
#
#   scripts/qt-question-screenshot.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
bin=$(cd "${1:-build}/bin" && pwd)
[ -x "$bin/kdimport" ] || {
  echo "$bin/kdimport fehlt: zuerst scripts/build.sh" >&2
  exit 1
}
scripts/install-deps.sh xvfb xauth openbox xdotool imagemagick qt6-translations-l10n

# A short, fixed folder: its paths stand in the picture.
work=/tmp/kdimport-frage
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/FIRMA"
touch "$work/FIRMA/Konfi-18"
cp "$source_dir/samples/sbs/Tabelle2929.csv" "$work/"
cp "$bin/BLZ_20170904.txt" "$work/"
cp -r "$bin/translations" "$work/" 2>/dev/null || true
printf '%s\r\n' Datev "$work/Tabelle2929.csv" "$work/FIRMA/" Ja "Ja " 18 >"$work/KDIMPORT.INI"
cat >"$work/session.sh" <<SESSION
set -euo pipefail
export LANG=de_DE.UTF-8
cd "$work"
openbox >/dev/null 2>&1 &
sleep 1
"$bin/kdimport" >/dev/null 2>&1 &
win=\$(xdotool search --sync --name "Kandrel - Schnittstelle" | head -1)
xdotool windowmove --sync "\$win" 1 23
sleep 2
# "4.  Kandrel-Datei  erstellen" has the focus at the start.
xdotool windowfocus --sync "\$win" key space
sleep 3
import -window root -crop 807x723+0+0 +repage -colors 256 "png8:$source_dir/docs/qt-question.png"
echo "  docs/qt-question.png"
xdotool key Return
sleep 1
[ ! -e "$work/FIRMA/KDIMPORT.TXT" ] || { echo "Nein hat geschrieben" >&2; exit 1; }
kill %2 %1 2>/dev/null || true
SESSION
xvfb-run -a -s "-screen 0 1000x760x24" bash "$work/session.sh"
