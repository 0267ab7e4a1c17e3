# Sourced by the scripts that take pictures of kdimport.exe under Wine; they set $wine and
# WINEPREFIX first. wine_prefix_with_fonts makes the prefix (wineboot) and puts Wine's own fonts
# into it: Wine draws the buttons of a title bar with its symbol font Marlett, and its dialogs in
# Tahoma and MS Sans Serif. Debian's fonts-wine puts them in /usr/share/wine/fonts, where this
# Wine does not look (it asks for .../wine/../fonts); it finds them in the prefix's Windows font
# folder. Without them the title bars show "0 1 r" instead of their buttons. It also sets
# $wineserver, the program that stops every Wine program of the prefix.
#
#   source scripts/wine-fonts.sh
#   wine_prefix_with_fonts [NAME=VALUE...]      (the environment of wineboot, e.g. the locale)
wine_fonts_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Ends every Wine program of the prefix between the starts ("wine64 wineserver" would look for
# a Windows program of that name).
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

wine_prefix_with_fonts() {
  "$wine_fonts_scripts/install-deps.sh" fonts-wine
  env "$@" "$wine" wineboot -i >/dev/null 2>&1 || true
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
}
