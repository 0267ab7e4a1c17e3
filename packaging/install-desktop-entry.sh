#!/bin/sh
# Adds KDIMPORT to the desktop's program menu, started in this folder, so that the window finds
# its settings file KDIMPORT.INI and the bank code list BLZ_20170904.txt here. Run it once after
# unpacking, and again after moving the folder. `--remove` takes the entry away again.
set -eu

folder=$(cd "$(dirname "$0")" && pwd -P)
applications="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
entry="$applications/kdimport.desktop"

if [ "${1:-}" = "--remove" ]; then
  rm -f "$entry"
  echo "Eintrag entfernt: $entry"
  exit 0
fi

case "$folder" in
  *'"'* | *'\'* | *'`'* | *'$'* | *'%'* | *"
"*)
    echo "Der Ordnername $folder enthält ein Zeichen, das ein Desktop-Eintrag nicht erlaubt" \
         "(\" \\ \` \$ %). Bitte den Ordner umbenennen." >&2
    exit 1
    ;;
esac

mkdir -p "$applications"
tmp="$entry.$$.tmp"
sed "s|@KDIMPORT_FOLDER@|$(printf '%s' "$folder" | sed 's/[&|]/\\&/g')|g" \
  "$folder/kdimport.desktop.in" >"$tmp"
mv -f "$tmp" "$entry"
command -v update-desktop-database >/dev/null 2>&1 &&
  update-desktop-database -q "$applications" 2>/dev/null || true
echo "Eintrag angelegt: $entry"
echo "KDIMPORT startet im Ordner $folder."
