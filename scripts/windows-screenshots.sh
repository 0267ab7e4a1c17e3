#!/usr/bin/env bash
# Screenshots of the Windows window kdimport.exe under Wine on a virtual display, for
# docs/windows.md: the first start, the file-open dialog, a message box of a conversion, the
# window after it, the recognition hint beside the program list and the protocol window. Needs
# the Windows build (scripts/windows-build.sh); installs Xvfb, xdotool, ImageMagick and Wine's
# own fonts (fonts-wine: without them the title bars show "0 1 r" instead of their buttons) when
# they are missing.
#
#   scripts/windows-screenshots.sh [BUILD_DIR]      (default: build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
dir=$(cd "${1:-build-win}" && pwd)
winbin="$dir/windows/bin"
[ -f "$winbin/kdimport.exe" ] || {
  echo "$winbin/kdimport.exe fehlt: zuerst scripts/windows-build.sh" >&2
  exit 1
}

scripts/install-deps.sh wine64 xvfb xauth xdotool imagemagick
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$dir/wine-screenshots" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source scripts/wine-fonts.sh
wine_prefix_with_fonts

# A program folder as the .zip unpacks it, with the sample Kandrel data directory.
# A short, fixed folder: its paths stand in the pictures, which stay the same from run to run.
work=/tmp/kdimport-win
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
folder="$work/KDIMPORT"
mkdir -p "$folder"
cp "$winbin/kdimport.exe" "$winbin/kdimport-cli.exe" "$winbin/BLZ_20170904.txt" "$folder/"
cp -r "$source_dir/samples" "$folder/"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

cat >"$work/session.sh" <<SESSION
set -euo pipefail
cd "$folder"
# The Wine desktop of the last start, and the picture of it.
size=900x780
shot() {
  sleep "\$2"
  import -window root -crop "\$size+0+0" +repage "$source_dir/docs/\$1"
  echo "  docs/\$1"
}
key() { xdotool key --delay 150 "\$@"; }
start() {
  size=\${1:-900x780}
  "$wine" explorer /desktop=KDIMPORT-\$size,\$size kdimport.exe >/dev/null 2>&1 &
  for _ in \$(seq 60); do
    xdotool search --name "Schnittstelle" >/dev/null 2>&1 && break
    sleep 1
  done
  sleep 3
}

# 1. The first start: no settings file.
start
shot windows-1-first-start.png 1

# 2. The program typed into the list, then "2.  Suchen woher" by the tab key.
key Tab
xdotool type --delay 80 Agenda
key Tab space
shot windows-2-open-dialog.png 4
key Escape
sleep 1
key alt+e
sleep 3
"$wineserver" -k >/dev/null 2>&1 || true
sleep 1

# 3. With the settings of a first start that chose the Agenda sample and the sample data
#    directory, "4.  Kandrel-Datei  erstellen" (it has the focus) converts it.
printf '%s\r\n' Agenda "$(windows_path "$folder/samples/agenda/Personaldaten.csv")" \\
  "$(windows_path "$folder/samples/kandrel/FIRMA")\\\\" Ja "Ja " 18 >KDIMPORT.INI
start
key space
shot windows-3-message-box.png 3
key Return
sleep 1
key Return
shot windows-4-converted.png 2
"$wineserver" -k >/dev/null 2>&1 || true
sleep 1

# 4. The hint: the settings name Datev, the export is the Agenda sample.
printf '%s\r\n' Datev "$(windows_path "$folder/samples/agenda/Personaldaten.csv")" \\
  "$(windows_path "$folder/samples/kandrel/FIRMA")\\\\" Ja "Ja " 18 >KDIMPORT.INI
start
shot windows-5-hint.png 1
"$wineserver" -k >/dev/null 2>&1 || true
sleep 1

# 5. The protocol's Lexware sample converted (two notices of shortened personnel numbers, the
#    bank file, the import file), then "Protokoll" (before "4.  Kandrel-Datei  erstellen" in
#    the tab order's circle) and the row of line 4 shown in the source-file view. The desktop
#    is tall enough for that view to show below the protocol window (1040 x 640 and its frame).
printf '%s\r\n' Lexware \\
  "$(windows_path "$folder/samples/lexware/Personalstammblatt_Protokoll.csv")" \\
  "$(windows_path "$folder/samples/kandrel/FIRMA")\\\\" Ja "Ja " 18 >KDIMPORT.INI
start 1100x960
key space
for _ in 1 2 3 4; do
  sleep 2
  key Return
done
sleep 1
key shift+Tab space
sleep 2
key Down Down Down Return
shot windows-6-protocol.png 2
"$wineserver" -k >/dev/null 2>&1 || true
SESSION
xvfb-run -a -s "-screen 0 1100x960x24" bash "$work/session.sh"
