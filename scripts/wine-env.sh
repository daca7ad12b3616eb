# Sourced by the Windows scripts: a Wine prefix for this checkout, set up
# once, and one persistent Wine server for all the programs run after it.
#
#   source scripts/wine-env.sh null   # windows drawn nowhere (tests)
#   source scripts/wine-env.sh x11    # windows on $DISPLAY (screenshots)
#
# With ZD_WINE_DPI set (96 is 100 %, 120 is 125 %, 144 is 150 %), the
# display's scale too. Sets WINEPREFIX (default build-win/wine), WINEDEBUG
# and ZD_WINESERVER.
zd_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$zd_root/build-win/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: nothing here needs .NET or a browser engine.
export WINEDLLOVERRIDES="mscoree=;mshtml="
ZD_WINESERVER=$(command -v wineserver || true)
[ -n "$ZD_WINESERVER" ] || ZD_WINESERVER=$(dpkg -L wine64 | grep -m1 '/wineserver$')

zd_reg=$(mktemp)
# Chinese texts in the dialogs' and the window's fonts: the dialog fonts are
# substituted, and the system font falls back to the CJK font. Wine rewrites
# "MS Shell Dlg" whenever a program starts under another code page than the
# one it noted last: the window and its tests run under UTF-8 (their
# manifest says so), so UTF-8 is noted here, after reg.exe has started.
cat > "$zd_reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]
"Graphics"="${1:-null}"

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts]
"Codepages"="65001,65001"

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]
"MS Shell Dlg"="WenQuanYi Micro Hei"
"MS Shell Dlg 2"="WenQuanYi Micro Hei"
"Microsoft Sans Serif"="WenQuanYi Micro Hei"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]
"System"=hex(7):77,00,71,00,79,00,2d,00,6d,00,69,00,63,00,72,00,6f,00,68,00,65,00,69,00,2e,00,74,00,74,00,63,00,2c,00,57,00,65,00,6e,00,51,00,75,00,61,00,6e,00,59,00,69,00,20,00,4d,00,69,00,63,00,72,00,6f,00,20,00,48,00,65,00,69,00,00,00,00,00
"Tahoma"=hex(7):77,00,71,00,79,00,2d,00,6d,00,69,00,63,00,72,00,6f,00,68,00,65,00,69,00,2e,00,74,00,74,00,63,00,2c,00,57,00,65,00,6e,00,51,00,75,00,61,00,6e,00,59,00,69,00,20,00,4d,00,69,00,63,00,72,00,6f,00,20,00,48,00,65,00,69,00,00,00,00,00
REG
# The scale goes in with the rest: a reg.exe started on its own, after the
# code page is noted, would have the fonts rewritten.
if [ -n "${ZD_WINE_DPI:-}" ]; then
  printf '\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' \
    "$ZD_WINE_DPI" >>"$zd_reg"
fi
# A brand-new prefix: wineboot returns while the programs it started (the
# devices, the services, the registry's first writes) still run under its
# server. Wait for that server to end, so the first program started after
# this does not race the prefix's own set-up.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wine wineboot --init </dev/null >/dev/null 2>&1
  "$ZD_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
fi
# A persistent server, its standard streams away from any pipe of ours.
"$ZD_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
# In UTF-16, as reg.exe keeps the multi-string bytes as they are (from an
# 8-bit file it would widen them once more). reg.exe draws nothing, so it
# does not make Wine rewrite the fonts as a window program would.
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$zd_reg"; } >"$zd_reg.utf16"
wine reg import "$(winepath -w "$zd_reg.utf16" 2>/dev/null)" </dev/null >/dev/null 2>&1
rm -f "$zd_reg" "$zd_reg.utf16"
zd_wine_stop() { "$ZD_WINESERVER" -k </dev/null >/dev/null 2>&1 || true; }
