#!/usr/bin/env bash
# Takes every picture of the German guide (docs/anleitung/bild-*.png) again: the Windows window
# kdimport.exe under Wine in German, so that Windows' own dialogs in them are German ("Suchen
# in", "Öffnen", "Abbrechen"), on a virtual display, driven by keystrokes as a person would:
# the first start, the program list, the export chosen in C:\Export, the data directory
# C:\KANDREL\FIRMA, the messages of a conversion, the window after it, a refusal, the protocol
# window and the question before a doubtful run. The last one is skipped with a notice as long
# as the window does not ask. Needs the Windows build (scripts/windows-build.sh); installs Xvfb,
# xdotool, ImageMagick, the German locale and Wine's own fonts (fonts-wine: without them the
# title bars show "0 1 r" instead of their buttons) when they are missing.
#
#   scripts/anleitung-screenshots.sh [BUILD_DIR]      (default: build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
dir=$(cd "${1:-build-win}" && pwd)
winbin="$dir/windows/bin"
[ -f "$winbin/kdimport.exe" ] || {
  echo "$winbin/kdimport.exe fehlt: zuerst scripts/windows-build.sh" >&2
  exit 1
}

scripts/install-deps.sh wine64 xvfb xauth xdotool imagemagick locales
# Wine takes its language from the locale, which must exist on the system.
if ! locale -a | grep -qix 'de_DE.utf8'; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  $SUDO locale-gen >/dev/null
fi
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$dir/wine-anleitung" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source scripts/wine-fonts.sh
wine_prefix_with_fonts LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8

# The folders of a clerk's machine on drive C: the program folder, the exports, the data
# directory of a client with the marker of this year, and one without it.
drive="$WINEPREFIX/drive_c"
year=$(date +%y)
rm -rf "$drive/KDIMPORT" "$drive/Export" "$drive/KANDREL"
mkdir -p "$drive/KDIMPORT" "$drive/Export" "$drive/KANDREL/FIRMA" "$drive/KANDREL/NEU"
cp "$winbin/kdimport.exe" "$winbin/kdimport-cli.exe" "$winbin/BLZ_20170904.txt" "$drive/KDIMPORT/"
cp samples/datev/LG_ASCII_12345_SD.txt samples/lexware/Personalstammblatt_Protokoll.csv \
  samples/sbs/Tabelle2929.csv "$drive/Export/"
touch "$drive/KANDREL/FIRMA/Konfi-$year"
out="$source_dir/docs/anleitung"

cat >"$dir/anleitung-session.sh" <<SESSION
set -euo pipefail
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
cd "$drive/KDIMPORT"
size=900x780
# The Wine desktop in 256 colours, which keeps the pictures small.
shot() {
  sleep "\$2"
  import -window root -crop "\$size+0+0" +repage -colors 256 "png8:$out/\$1"
  echo "  docs/anleitung/\$1"
}
key() { xdotool key --delay 150 "\$@"; }
# A click at a place of the 900x780 desktop, where the window stands centred.
click() { xdotool mousemove "\$1" "\$2" click 1; }
type() { xdotool type --delay 60 "\$1"; }
start() {
  size=\${1:-900x780}
  "$wine" explorer /desktop=KDIMPORT-\$size,\$size kdimport.exe >/dev/null 2>&1 &
  sleep 6
}
stop() {
  "$wineserver" -k >/dev/null 2>&1 || true
  sleep 1
}
# The settings file of a previous start: program, export, data directory, umlauts, bank, year.
settings() {
  printf '%s\r\n' "\$1" "\$2" "\$3" Ja "Ja " "$year" >KDIMPORT.INI
}

rm -f KDIMPORT.INI
start
shot bild-1-fenster.png 1
# Step 1: the program list opened by its arrow; Datev is its third entry.
click 773 401
sleep 1
key Down Down Down
shot bild-2-programm.png 1
key Return
# Step 2: "2.  Suchen woher", in C:\Export with the DATEV export.
click 583 426
sleep 3
type 'C:\Export\'
key Return
sleep 2
type LG_ASCII_12345_SD.txt
shot bild-3-quelldatei.png 1
key Return
sleep 2
# Step 3: "3.  Suchen wohin", in C:\KANDREL\FIRMA, confirming the proposed Konfi-$year.
click 583 445
sleep 3
type 'C:\KANDREL\FIRMA\'
key Return
sleep 2
type Konfi-$year
shot bild-4-datenverzeichnis.png 1
key Return
sleep 2
# Step 4: "4.  Kandrel-Datei  erstellen": the bank file's message, then the import file's.
click 735 486
shot bild-5-meldung.png 3
key Return
sleep 1
key Return
shot bild-6-fertig.png 2
stop

# A refusal: a data directory without Konfi-$year.
settings Datev 'C:\Export\LG_ASCII_12345_SD.txt' 'C:\KANDREL\NEU\'
start
key space
shot bild-7-stopp.png 3
stop

# The question before a doubtful run: the SBS export with Datev chosen (without the question the
# run would write KDIMPORT.TXT at once). Neither file is there yet, so the question says
# "schreiben" as the guide quotes it.
settings Datev 'C:\Export\Tabelle2929.csv' 'C:\KANDREL\FIRMA\'
rm -f "$drive/KANDREL/FIRMA/KDIMPORT.TXT" "$drive/KANDREL/FIRMA/Bank-$year"
start
sleep 2
key space
sleep 3
if [ -e "$drive/KANDREL/FIRMA/KDIMPORT.TXT" ]; then
  echo "  docs/anleitung/bild-9-frage.png übersprungen: KDIMPORT fragt vor dem Schreiben noch nicht"
else
  shot bild-9-frage.png 2
  key Return  # "Nein", the default: nothing is written, nothing left behind
  sleep 1
fi
stop

# The protocol window after the Lexware export with what the protocol points out: two notices
# of shortened personnel numbers and the two files' messages, then "Protokoll" and line 4.
settings Lexware 'C:\Export\Personalstammblatt_Protokoll.csv' 'C:\KANDREL\FIRMA\'
start 1100x780
key space
for _ in 1 2 3 4; do
  sleep 2
  key Return
done
sleep 1
key shift+Tab space
sleep 2
key Down Down Down Return
shot bild-8-protokoll.png 2
stop
SESSION
xvfb-run -a -s "-screen 0 1100x780x24" bash "$dir/anleitung-session.sh"
