#!/usr/bin/env bash
# Builds the distribution archive of a build folder, unpacks it into a temporary folder and
# converts every sample export with the unpacked kdimport-cli, in the unpacked folder, with the
# bundled bank code list and the bundled sample Kandrel data directory. The written files must
# equal, byte for byte, what the build's own kdimport-cli writes for the same sample.
#
#   packaging/check-archive.sh BUILD_DIR [SOURCE_DIR]
set -euo pipefail

build=$(cd "${1:?build folder}" && pwd)
source_dir=$(cd "${2:-$(dirname "$0")/..}" && pwd)
year=18 # the sample Kandrel data directory carries Konfi-18

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FEHLER: $*" >&2
  failures=$((failures + 1))
}

# Each folder of samples/ holds the exports of one program.
program_of() {
  case "$1" in
    agenda) echo Agenda ;;
    bbs) echo BBS ;;
    datev) echo Datev ;;
    dataline) echo Dataline ;;
    exact) echo Exact ;;
    gdi) echo GDI ;;
    lexware) echo Lexware ;;
    sage) echo sage ;;
    sbs) echo SBS ;;
    varial) echo VARIAL ;;
    *) return 1 ;;
  esac
}

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  exit 1
}
archive=$(ls "$work"/package/kdimport-*.tar.gz)
# Unpacked where a person might put it: a folder with a blank in its name.
unpacked="$work/Neuer Ordner"
mkdir "$unpacked"
tar -xzf "$archive" -C "$unpacked"
folder=$(ls -d "$unpacked"/kdimport-*)
echo "Archiv: $(basename "$archive"), $(tar -tzf "$archive" | grep -vc '/$') Dateien"

required=(kdimport-cli BLZ_20170904.txt README.md Anleitung.html samples/kandrel/FIRMA/Konfi-$year
  man/man1/kdimport-cli.1 kdimport.desktop.in install-desktop-entry.sh licenses/README.txt)
[ -x "$build/bin/kdimport" ] && required+=(kdimport kdimport.png)
[ -f "$build/bin/translations/qtbase_de.qm" ] && required+=(translations/qtbase_de.qm)
for f in "${required[@]}"; do
  [ -e "$folder/$f" ] || fail "$f fehlt im Archiv"
done
[ -x "$folder/kdimport-cli" ] || fail "kdimport-cli im Archiv ist nicht ausführbar"
# kdimport-cli needs only what every Debian system has: the C and C++ runtime and Nettle, which
# GnuTLS and so apt itself need. The libraries the program names itself, not what ldd loads: a
# machine that preloads a library of its own (LD_PRELOAD) would add it to ldd's list.
# A build with the sanitizers (the test command's second build) needs their runtimes besides.
allowed='ld-linux[-a-z0-9_]*|libc|libm|libstdc\+\+|libgcc_s|libnettle'
grep -q '^KDIMPORT_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt" && allowed+='|libasan|libubsan'
libraries=$(readelf -d "$folder/kdimport-cli" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' |
  grep -Ev "^($allowed)\.so" || true)
[ -z "$libraries" ] || fail "kdimport-cli braucht weitere Bibliotheken: $(echo $libraries)"
cmp -s "$folder/BLZ_20170904.txt" "$build/bin/BLZ_20170904.txt" ||
  fail "BLZ_20170904.txt im Archiv ist nicht die Bankleitzahlendatei des Builds"

# The guide is one file: every picture of its source inside it as a PNG, nothing it would fetch.
guide="$folder/Anleitung.html"
if [ -f "$guide" ]; then
  pictures=$(awk '/^<!--/ { note = 1 } !note && /^!\[.*\]\(.*\.png\)$/ { n++ } /-->$/ { note = 0 }
    END { print n + 0 }' "$source_dir/docs/anleitung/anleitung.md")
  grep -o 'src="[^"]*"' "$guide" | sed 's/^src="//; s/"$//' >"$work/guide-sources"
  [ "$(grep -c '^data:image/png;base64,' "$work/guide-sources")" -eq "$pictures" ] ||
    fail "Anleitung.html bettet nicht alle $pictures Bilder ein"
  grep -qE '<link|@import|url\(' "$guide" && fail "Anleitung.html lädt Dateien von außen"
  while read -r src; do
    case "$src" in
      "data:image/png;base64,"*)
        data=${src#*,}
        signature=$(printf '%s' "${data:0:12}" | base64 -d | od -An -tx1 -N8)
        [ "${signature// /}" = 89504e470d0a1a0a ] ||
          fail "Anleitung.html: ein eingebettetes Bild ist kein PNG" ;;
      *) fail "Anleitung.html lädt $src" ;;
    esac
  done <"$work/guide-sources"
  grep -q '<html lang="de">' "$guide" || fail "Anleitung.html ist nicht als deutsch ausgezeichnet"
fi

# The desktop entry starts the window in the unpacked folder.
XDG_DATA_HOME="$work/xdg" "$folder/install-desktop-entry.sh" >/dev/null
entry="$work/xdg/applications/kdimport.desktop"
if [ ! -f "$entry" ]; then
  fail "install-desktop-entry.sh legte keinen Eintrag an"
else
  grep -qxF "Path=$folder" "$entry" || fail "Desktop-Eintrag: Path ist nicht $folder"
  grep -qxF "Exec=\"$folder/kdimport\"" "$entry" || fail "Desktop-Eintrag: Exec ist nicht $folder/kdimport"
  grep -qxF "Icon=$folder/kdimport.png" "$entry" || fail "Desktop-Eintrag: Icon ist nicht $folder/kdimport.png"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "Desktop-Eintrag ungültig"
  fi
fi

# The reference: the build's own command line, in a folder with the build's bank code list.
mkdir "$work/reference-cwd"
cp "$build/bin/BLZ_20170904.txt" "$work/reference-cwd/"

count=0
for sample in "$folder"/samples/*/*; do
  dir=$(basename "$(dirname "$sample")")
  name=$(basename "$sample")
  [ "$dir" = kandrel ] && continue
  [ "$name" = PWASCUEB.EXP ] && continue # VARIAL's bank file, read beside the program
  program=$(program_of "$dir") || {
    fail "kein Programm für samples/$dir bekannt"
    continue
  }
  count=$((count + 1))
  run="$work/runs/$dir-$name"
  mkdir -p "$run"
  cp -r "$folder/samples/kandrel/FIRMA" "$run/FIRMA"
  cp -r "$folder/samples/kandrel/FIRMA" "$run/REFERENCE"
  # VARIAL's bank connections are read as PWASCUEB.EXP from the current folder, which is the
  # program folder after the window's file dialogs: the user copies the file there.
  if [ -f "$(dirname "$sample")/PWASCUEB.EXP" ]; then
    cp "$(dirname "$sample")/PWASCUEB.EXP" "$folder/"
    cp "$(dirname "$sample")/PWASCUEB.EXP" "$work/reference-cwd/"
  else
    rm -f "$folder/PWASCUEB.EXP" "$work/reference-cwd/PWASCUEB.EXP"
  fi

  status=0
  (cd "$folder" && ./kdimport-cli --program "$program" --source "$sample" \
    --data-dir "$run/FIRMA" --year "$year") >"$run/out" 2>"$run/err" || status=$?
  (cd "$work/reference-cwd" && "$build/bin/kdimport-cli" --program "$program" \
    --source "$source_dir/samples/$dir/$name" --data-dir "$run/REFERENCE" --year "$year") \
    >"$run/reference-out" 2>&1 || true

  label="samples/$dir/$name ($program)"
  if [ "$status" -ne 0 ] || [ -s "$run/err" ]; then
    fail "$label: Rückgabewert $status, Meldungen: $(cat "$run/err" "$run/out")"
    continue
  fi
  records=$(($(grep -c "" "$run/FIRMA/KDIMPORT.TXT" || true) - 1))
  expected="[Datei erfolgreich hergestellt.] $records Datensätze in der Datei $run/FIRMA/KDIMPORT.TXT gespeichert."
  # The last message; the protocol's summary lines follow it.
  last=$(grep -v '^\[Protokoll\] ' "$run/out" | tail -n 1)
  [ "$last" = "$expected" ] || fail "$label: letzte Meldung: $last"
  [ "$records" -gt 0 ] || fail "$label: keine Datensätze"
  for file in KDIMPORT.TXT "Bank-$year"; do
    if [ ! -e "$run/FIRMA/$file" ] && [ ! -e "$run/REFERENCE/$file" ]; then
      continue # no bank file from a program without bank data
    elif ! cmp -s "$run/FIRMA/$file" "$run/REFERENCE/$file"; then
      fail "$label: $file weicht vom Build ab"
    elif grep -q $'[^\r]$' "$run/FIRMA/$file"; then
      fail "$label: $file hat eine Zeile ohne CR LF"
    fi
  done
  if [ -e "$run/FIRMA/Bank-$year" ]; then
    banks="$(grep -c "" "$run/FIRMA/Bank-$year" || true) Bankverbindungen"
  else
    banks="keine Bankdatei"
  fi
  echo "  $label: $records Datensätze, $banks"
done
rm -f "$folder/PWASCUEB.EXP"

[ "$count" -ge 10 ] || fail "nur $count Beispielexporte gefunden"
if [ "$failures" -ne 0 ]; then
  echo "$failures Fehler" >&2
  exit 1
fi
echo "Alle $count Beispielexporte mit dem entpackten Archiv übernommen."
