#!/usr/bin/env bash
# A screenshot of the Qt window's folder dialog ("3.  Suchen wohin") under Xvfb, which shows
# Qt's own texts in German: docs/qt-folder-dialog-de.png. Needs the Linux build
# (scripts/build.sh); installs Xvfb, xdotool and ImageMagick when they are missing.
#
#   scripts/qt-dialog-screenshot.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
bin=$(cd "${1:-build}/bin" && pwd)
[ -x "$bin/kdimport" ] || {
  echo "$bin/kdimport fehlt: zuerst scripts/build.sh" >&2
  exit 1
}
scripts/install-deps.sh xvfb xauth xdotool imagemagick qt6-translations-l10n

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/session.sh" <<SESSION
set -euo pipefail
mkdir -p "$work/KDIMPORT/samples"
cd "$work/KDIMPORT"
"$bin/kdimport" >/dev/null 2>&1 &
for _ in \$(seq 30); do
  window=\$(xdotool search --name "Schnittstelle" 2>/dev/null | head -n 1) && [ -n "\$window" ] && break
  sleep 1
done
sleep 2
xdotool windowfocus --sync "\$window"
# Button1 has the focus; the tab key goes on to the list, "2.  Suchen woher", "3.  Suchen wohin".
xdotool key --delay 200 Tab Tab Tab space
sleep 3
import -window root "$source_dir/docs/qt-folder-dialog-de.png"
echo "  docs/qt-folder-dialog-de.png"
kill %1 2>/dev/null || true
SESSION
xvfb-run -a -s "-screen 0 1000x720x24" bash "$work/session.sh"
