#!/usr/bin/env bash
# Builds the conversion core, the readers, the window kdimport.exe (Win32), kdimport-cli and
# their tests for 64-bit Windows with Debian's mingw-w64 toolchain; runs the tests under Wine,
# and the window test under Wine with a virtual display (Xvfb); checks that the programs import
# only Windows' own system libraries; and checks kdimport-cli.exe against the Linux
# kdimport-cli on every sample export: Windows paths with "\", a data directory given without
# its trailing backslash, files replaced on a second run without leftovers, CR LF line ends.
# Finally it packs the Windows program folder as a .zip. Installs what it needs on a fresh
# Debian 12.
#
#   scripts/windows-build.sh [BUILD_DIR]      (default: build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
dir="${1:-build-win}"
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
started=$(date +%s)
step() { echo "== $* ($(($(date +%s) - started)) s)"; }

step "Pakete"
scripts/install-deps.sh build-essential cmake mingw-w64 wine64 googletest libktoblzcheck1v5 xvfb xauth

wine=$(command -v wine64 || true)
[ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
[ -n "$wine" ] || {
  echo "wine64 nicht gefunden" >&2
  exit 1
}
# A Wine prefix of its own in the build folder; no Mono or Gecko, no debug chatter.
export WINEPREFIX="$dir/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
toolchain="$source_dir/cmake/mingw-w64.cmake"

step "GoogleTest für Windows"
prefix="$dir/mingw-prefix"
if [ ! -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$dir/googletest" --toolchain "$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF \
    -DINSTALL_GTEST=ON >/dev/null
  cmake --build "$dir/googletest" -j "$jobs" >/dev/null
  cmake --install "$dir/googletest" >/dev/null
fi

step "Windows-Build"
cmake -S . -B "$dir/windows" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DKDIMPORT_BUILD_APP=OFF -DKDIMPORT_MINGW_PREFIX="$prefix" >/dev/null
cmake --build "$dir/windows" -j "$jobs"
winbin="$dir/windows/bin"

step "Tests unter Wine"
"$wine" "$winbin/kdimport_tests.exe" --gtest_brief=1 >"$dir/windows-tests.log" 2>&1 || true
cat "$dir/windows-tests.log"
grep -q '^\[  PASSED  \]' "$dir/windows-tests.log" || {
  echo "Keine Testergebnisse von kdimport_tests.exe" >&2
  exit 1
}
if grep -q '^\[  FAILED  \]' "$dir/windows-tests.log"; then
  echo "Tests unter Wine fehlgeschlagen" >&2
  exit 1
fi

step "Fenstertest unter Wine mit Xvfb"
# The real window driven through its controls; Wine draws it on a virtual display.
timeout 600 xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$winbin/win32form_test.exe" --gtest_brief=1 \
  >"$dir/window-tests.log" 2>&1 || true
grep -v '^X connection' "$dir/window-tests.log"
grep -q '^\[  PASSED  \]' "$dir/window-tests.log" || {
  echo "Keine Testergebnisse von win32form_test.exe" >&2
  exit 1
}
if grep -q '^\[  FAILED  \]' "$dir/window-tests.log"; then
  echo "Fenstertest unter Wine fehlgeschlagen" >&2
  exit 1
fi

step "Nur Systembibliotheken von Windows"
# Each program is one file: everything else is linked in statically.
system_dlls='^(kernel32|user32|gdi32|comdlg32|comctl32|advapi32|shell32|ole32|msvcrt|bcrypt)\.dll$'
for exe in kdimport.exe kdimport-cli.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$winbin/$exe" | sed -n 's/^\s*DLL Name: //p')
  echo "  $exe: $(echo $dlls)"
  others=$(echo "$dlls" | tr 'A-Z' 'a-z' | grep -Ev "$system_dlls" || true)
  if [ -n "$others" ]; then
    echo "$exe braucht DLLs außerhalb von Windows: $others" >&2
    exit 1
  fi
done

step "Linux-kdimport-cli zum Vergleich"
cmake -S . -B "$dir/linux" -DCMAKE_BUILD_TYPE=Release -DKDIMPORT_BUILD_APP=OFF \
  -DKDIMPORT_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir/linux" -j "$jobs" --target kdimport-cli >/dev/null

step "kdimport-cli.exe gegen kdimport-cli"
year=18
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FEHLER: $*" >&2
  failures=$((failures + 1))
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

program_of() {
  case "$1" in
    agenda) echo Agenda ;; bbs) echo BBS ;; datev) echo Datev ;; dataline) echo Dataline ;;
    exact) echo Exact ;; gdi) echo GDI ;; lexware) echo Lexware ;; sage) echo sage ;;
    sbs) echo SBS ;; varial) echo VARIAL ;; *) return 1 ;;
  esac
}

# Both programs run in a folder of their own holding the bank code list, as in the program
# folder; VARIAL's bank file PWASCUEB.EXP lies there too.
mkdir -p "$work/win" "$work/linux"
cp "$winbin/kdimport-cli.exe" "$winbin/BLZ_20170904.txt" "$work/win/"
cp "$dir/linux/bin/BLZ_20170904.txt" "$work/linux/"
count=0
for sample in samples/*/*; do
  sub=$(basename "$(dirname "$sample")")
  name=$(basename "$sample")
  [ "$sub" = kandrel ] || [ "$name" = PWASCUEB.EXP ] && continue
  program=$(program_of "$sub") || {
    fail "kein Programm für samples/$sub bekannt"
    continue
  }
  count=$((count + 1))
  label="samples/$sub/$name ($program)"
  run="$work/runs/$sub-$name"
  mkdir -p "$run/WIN" "$run/LINUX"
  touch "$run/WIN/Konfi-$year" "$run/LINUX/Konfi-$year"
  rm -f "$work/win/PWASCUEB.EXP" "$work/linux/PWASCUEB.EXP"
  if [ -f "samples/$sub/PWASCUEB.EXP" ]; then
    cp "samples/$sub/PWASCUEB.EXP" "$work/win/"
    cp "samples/$sub/PWASCUEB.EXP" "$work/linux/"
  fi

  (cd "$work/linux" && "$dir/linux/bin/kdimport-cli" --program "$program" \
    --source "$source_dir/$sample" --data-dir "$run/LINUX" --year "$year") \
    >"$run/linux-out" 2>&1 || fail "$label: Linux-Lauf fehlgeschlagen"

  # The data directory in Windows form without its trailing backslash; the program adds it.
  data_dir=$(windows_path "$run/WIN")
  for attempt in 1 2; do
    status=0
    (cd "$work/win" && "$wine" kdimport-cli.exe --program "$program" \
      --source "$(windows_path "$source_dir/$sample")" --data-dir "$data_dir" --year "$year") \
      >"$run/out" 2>"$run/err" || status=$?
    if [ "$status" -ne 0 ] || [ -s "$run/err" ]; then
      fail "$label, Lauf $attempt: Rückgabewert $status, $(tr -d '\r' <"$run/err")"
      continue 2
    fi
    # The second run must replace the existing files (here changed after the first run).
    if [ "$attempt" = 1 ]; then
      cp "$run/WIN/KDIMPORT.TXT" "$run/first-KDIMPORT.TXT"
      printf 'alt\r\n' >"$run/WIN/KDIMPORT.TXT"
      [ -e "$run/WIN/Bank-$year" ] && printf 'alt\r\n' >"$run/WIN/Bank-$year"
    fi
  done
  records=$(($(grep -c '' "$run/WIN/KDIMPORT.TXT" || true) - 1))
  expected="[Datei erfolgreich hergestellt.] $records Datensätze in der Datei $data_dir\\KDIMPORT.TXT gespeichert."
  # The last message; the protocol's summary lines follow it.
  last=$(tr -d '\r' <"$run/out" | grep -v '^\[Protokoll\] ' | tail -n 1)
  [ "$last" = "$expected" ] || fail "$label: Meldung $last, erwartet $expected"
  cmp -s "$run/WIN/KDIMPORT.TXT" "$run/first-KDIMPORT.TXT" ||
    fail "$label: der zweite Lauf schrieb eine andere KDIMPORT.TXT"
  ls "$run/WIN" | grep -qE '\.(tmp|alt|jnl)$' &&
    fail "$label: temporäre Datei, Sicherung oder Journal liegen geblieben"
  for file in KDIMPORT.TXT "Bank-$year"; do
    if [ ! -e "$run/WIN/$file" ] && [ ! -e "$run/LINUX/$file" ]; then
      continue
    elif ! cmp -s "$run/WIN/$file" "$run/LINUX/$file"; then
      fail "$label: $file unter Windows anders als unter Linux"
    elif grep -q $'[^\r]$' "$run/WIN/$file"; then
      fail "$label: $file hat eine Zeile ohne CR LF"
    fi
  done
  echo "  $label: $records Datensätze, gleich unter Windows und Linux"
done
[ "$count" -ge 10 ] || fail "nur $count Beispielexporte gefunden"

step "Windows-Programmordner als .zip"
(cd "$dir/windows" && cpack -B "$dir/package" >/dev/null)
zip=$(ls "$dir"/package/kdimport-*.zip)
listing=$(cmake -E tar tf "$zip")
echo "$listing" | sed 's/^/  /'
for f in kdimport.exe kdimport-cli.exe BLZ_20170904.txt README.md Anleitung.html docs/windows.md \
  samples/kandrel/FIRMA/Konfi-18 licenses/README.txt; do
  echo "$listing" | grep -q "^kdimport-[^/]*/$f\$" || fail "$f fehlt im Programmordner"
done
unpacked="$work/unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
size() { stat -c %s "$1"; }
echo "Größen: kdimport.exe $(size "$unpacked"/kdimport-*/kdimport.exe) Bytes," \
  "kdimport-cli.exe $(size "$unpacked"/kdimport-*/kdimport-cli.exe) Bytes, $(basename "$zip") $(size "$zip") Bytes"

step "Fertig"
if [ "$failures" -ne 0 ]; then
  echo "$failures Fehler" >&2
  exit 1
fi
echo "Windows: $(grep '^\[  PASSED  \]' "$dir/windows-tests.log"), Fenster: $(grep '^\[  PASSED  \]' "$dir/window-tests.log"), $count Beispielexporte gleich, $zip ($(($(date +%s) - started)) s)"
