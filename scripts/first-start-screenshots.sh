#!/usr/bin/env bash
# Pictures of a first start for docs/first-start.md: the Linux archive unpacked into an empty
# home folder, the window started in its folder on a virtual display with the Openbox window
# manager, driven by keystrokes and clicks as a person would: the window with no settings file,
# the file-open dialog, the folder dialog, the conversion of the DATEV sample into the sample
# data directory, and the second start after "&Ende". Needs the archive
# (scripts/build.sh, then "cpack -G TGZ" in the build folder); installs Xvfb, Openbox,
# xdotool and ImageMagick when they are missing.
#
#   scripts/first-start-screenshots.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
dir=$(cd "${1:-build}" && pwd)
archive=$(ls "$dir"/package/kdimport-*-linux-x86_64.tar.gz 2>/dev/null | head -1)
[ -n "$archive" ] || {
  echo "Kein Archiv in $dir/package: zuerst scripts/build.sh, dann cpack -G TGZ" >&2
  exit 1
}

scripts/install-deps.sh xvfb xauth openbox xdotool imagemagick

# A short, fixed home folder: its paths stand in the pictures.
home=/tmp/dist-fs/home
rm -rf /tmp/dist-fs
mkdir -p "$home"
trap 'rm -rf /tmp/dist-fs' EXIT
tar -xzf "$archive" -C "$home"
folder=$(ls -d "$home"/kdimport-*-linux-x86_64)

cat >"$home/session.sh" <<SESSION
set -euo pipefail
export HOME="$home" LANG=de_DE.UTF-8
cd "$folder"
openbox >/dev/null 2>&1 &
sleep 1
win=
start() {
  ./kdimport >/dev/null 2>&1 &
  win=\$(xdotool search --sync --name "Kandrel - Schnittstelle" | head -1)
  xdotool windowmove --sync "\$win" 1 23
  sleep 2
}
# The window with its frame; a dialog over it stays inside. 256 colours keep the pictures small.
shot() {
  sleep "\$2"
  import -window root -crop 807x723+0+0 +repage -colors 256 "png8:$source_dir/docs/\$1"
  echo "  docs/\$1"
}
click() { xdotool mousemove --window "\$win" "\$1" "\$2" click 1; }
key() { xdotool key --delay 150 "\$@"; }
type() { xdotool type --delay 40 "\$1"; }

start
shot first-start-1-window.png 1

# 1. The program list has the focus: typing its first letters picks "Datev".
click 693 352
key Escape
type Datev
# 2. "2.  Suchen woher" opens in the program folder; the sample is typed in.
click 536 377
sleep 2
type samples/datev/
shot first-start-2-open-dialog.png 2
type LG_ASCII_12345_SD.txt
key Return
sleep 2
# 3. The sample data directory is for 2018: line 5 becomes 18 before "3.  Suchen wohin".
click 360 434
key ctrl+End BackSpace BackSpace
type 18
click 536 395
sleep 2
type "$folder/samples/kandrel/FIRMA/"
shot first-start-3-folder-dialog.png 2
key ctrl+a
type "$folder/samples/kandrel/FIRMA/Konfi-18"
key Return
sleep 2
# 4. "4.  Kandrel-Datei  erstellen": the bank file's message, then the import file's.
click 688 436
shot first-start-4-converted.png 2
key Return
sleep 1
key Return
sleep 1
# 5. "&Ende" saves the settings; the second start shows them.
key alt+e
sleep 2
start
shot first-start-5-restarted.png 1
xdotool windowclose "\$win" || true
SESSION

xvfb-run -a -s "-screen 0 1024x768x24" bash "$home/session.sh"
