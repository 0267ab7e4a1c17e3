#!/usr/bin/env bash
# Screenshots of the Windows window kdimport.exe under Wine on a virtual display, for
# docs/windows.md: the first start, the file-open dialog, a message box of a conversion and the
# window after it. Needs the Windows build (scripts/windows-build.sh); installs Xvfb, xdotool
# and ImageMagick when they are missing.
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

packages=(wine64 xvfb xauth xdotool imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$dir/wine-screenshots" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# A program folder as the .zip unpacks it, with the sample Kandrel data directory.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder="$work/KDIMPORT"
mkdir -p "$folder"
cp "$winbin/kdimport.exe" "$winbin/kdimport-cli.exe" "$winbin/BLZ_20170904.txt" "$folder/"
cp -r "$source_dir/samples" "$folder/"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

cat >"$work/session.sh" <<SESSION
set -euo pipefail
cd "$folder"
shot() { sleep "\$2"; import -window root "$source_dir/docs/\$1"; echo "  docs/\$1"; }
key() { xdotool key --delay 150 "\$@"; }
start() {
  "$wine" explorer /desktop=KDIMPORT,900x780 kdimport.exe >/dev/null 2>&1 &
  for _ in \$(seq 60); do
    xdotool search --name "Schnittstelle" >/dev/null 2>&1 && break
    sleep 1
  done
  sleep 3
}

# 1. The first start: no settings file.
"$wine" wineboot -i >/dev/null 2>&1 || true
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
"$wine" wineserver -k >/dev/null 2>&1 || true
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
"$wine" wineserver -k >/dev/null 2>&1 || true
SESSION
xvfb-run -a -s "-screen 0 900x780x24" bash "$work/session.sh"
