#!/usr/bin/env bash
# Tests the Windows installer package under Wine, in a prefix of its own
# (build-win/wine-msi, made anew on every run):
#   1. a quiet install puts the programs, the readme and the licence in
#      Program Files, the Start-menu shortcut, the installed programs' entry
#      and the PATH entry in place; the installed command line, found on the
#      PATH, prints its version and writes the same image as the Linux one;
#      the installed window starts from the shortcut;
#   2. a package of a higher version replaces it: one entry, its files;
#   3. the first package then refuses to downgrade it;
#   4. a package of the same version but without the PATH feature
#      (ADDLOCAL=Programs) replaces that one, and takes the PATH entry away;
#   5. uninstalling leaves nothing of the product on disk or in the registry,
#      and the PATH as it was.
# Then the package's tables for what Wine does not show.
#
# Needs what scripts/windows.sh builds in build-win/: the package, the
# programs and the Linux command line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

cache=build-win/CMakeCache.txt
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cache")
host=$(sed -n 's/^ZD_PUBLISHER_HOST:STRING=//p' "$cache")
package=build-win/zadodaziderav-$version-x64.msi
work=build-win/msi-test
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "test-msi.sh: $*" >&2
  exit 1
}
# (grep reads its whole input after a pipe, not -q: with pipefail, a writer
# cut short by grep's early exit would fail the check.)
[ -f "$package" ] || fail "$package not built (scripts/windows.sh)"

# A higher version, the third number one up: Windows Installer compares only
# the first three. Then a second package of that version, with a product
# code of its own, as a rebuild would have.
IFS=. read -r major minor patch tweak <<<"$version"
newer=$major.$minor.$((patch + 1)).$tweak
newer_package=$work/zadodaziderav-$newer-x64.msi
rebuilt_package=$work/zadodaziderav-$newer-rebuilt-x64.msi
packaging/windows/build-msi.sh "$newer" "$host" build-win "$newer_package"
packaging/windows/build-msi.sh "$newer" "$host" build-win "$rebuilt_package"

# --- Reading the packages' tables (msitools) -------------------------------

# The value of PROPERTY in a package's Property table.
msi_property() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }

# A GUID as Windows Installer writes it into key names: the first three
# groups reversed, the other bytes' two hex digits swapped.
packed_guid() {
  local g=${1//[\{\}-]/}
  echo "$(rev <<<"${g:0:8}")$(rev <<<"${g:8:4}")$(rev <<<"${g:12:4}")$(sed 's/\(.\)\(.\)/\2\1/g' <<<"${g:16}")"
}

# --- The Wine prefix -------------------------------------------------------

export WINEPREFIX=$root/build-win/wine-msi
rm -rf "$WINEPREFIX"
# No menu entries, icons or file types for this machine's desktop from the
# shortcut or the prefix.
overrides="mscoree=;mshtml=;winemenubuilder.exe=d"
export WINEDLLOVERRIDES=$overrides
wine wineboot --init </dev/null >/dev/null 2>&1
wineserver -w
# shellcheck source=wine-env.sh
source scripts/wine-env.sh null
export WINEDLLOVERRIDES=$overrides
trap zd_wine_stop EXIT
# The desktop that making the prefix started has no graphics driver (the null
# one is noted only now), and windows opened on it fail: a new server starts
# a new desktop.
zd_wine_stop
wineserver -w
"$ZD_WINESERVER" -p </dev/null >/dev/null 2>&1

windows_path() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
drive_c=$WINEPREFIX/drive_c
folder="$drive_c/Program Files/zadodaziderav"
windows_folder='C:\Program Files\zadodaziderav\'
environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# msiexec quietly, with a full log in $work/NAME.log; its exit status.
msiexec() {
  local name=$1
  shift
  wine msiexec "$@" /qn /l*v "$(windows_path "$work/$name.log")" </dev/null
}

# The system PATH as the registry holds it.
system_path() {
  wine reg query "$environment" /v PATH </dev/null | tr -d '\r' |
    awk -F'    ' '$2 == "PATH" { print $4 }'
}

# The installed programs' entries named zadodaziderav: one line
# "KEY<TAB>NAME<TAB>VALUE" for each of their values.
entries() {
  wine reg query "$uninstall" /s </dev/null | tr -d '\r' |
    awk -F'    ' '/^HKEY_/ { key = $0 } NF >= 3 { print key "\t" $2 "\t" $4 }' |
    awk -F'\t' '{ line[NR] = $0; key[NR] = $1 }
                $2 == "DisplayName" && $3 == "zadodaziderav" { ours[$1] = 1 }
                END { for (i = 1; i <= NR; i++) if (key[i] in ours) print line[i] }'
}
entry_count() { entries | cut -f1 | sort -u | wc -l; }
entry_value() { entries | awk -F'\t' -v n="$1" '$2 == n { print $3 }'; }

# Fails unless the one installed entry is that of PACKAGE, with its version.
expect_entry() {
  local product_code
  product_code=$(msi_property "$1" ProductCode)
  [ "$(entry_count)" = 1 ] || fail "$(entry_count) entries instead of one after $1"
  entries | grep -F "$product_code" >/dev/null || fail "the entry is not that of $1"
  [ "$(entry_value DisplayVersion)" = "$2" ] || fail "the entry's version: $(entry_value DisplayVersion)"
}

# The texts of the shown windows of CLASS, from "info wnd": handle, class,
# style, procedure, thread, then the text's first 14 characters.
window_texts() {
  local style text
  while read -r style text; do
    if (( 0x$style & 0x10000000 )); then echo "$text"; fi
  done < <(wine winedbg --command "info wnd" </dev/null 2>/dev/null | tr -d '\r' |
    awk -v class="$1" '$2 == class { style = $3
                                     for (i = 0; i < 5; i++) sub(/^ *[^ ]+ +/, "")
                                     print style, $0 }')
}
running() { wine winedbg --command "info proc" </dev/null 2>/dev/null | grep "'$1'" >/dev/null; }
# Waits up to 30 seconds for a shown window of CLASS whose text holds TEXT;
# fails naming WHAT otherwise.
wait_for_window() {
  for _ in $(seq 30); do
    window_texts "$1" | grep -F "$2" >/dev/null && return 0
    sleep 1
  done
  fail "no $3"
}
# Closes a program's windows, as their close box would, and waits until it ends.
close_program() {
  wine taskkill /im "$1" </dev/null >/dev/null
  for _ in $(seq 30); do running "$1" || return 0; sleep 1; done
  fail "$1 did not end"
}

# The PATH's folders, one a line, without empty ones: Wine leaves the
# separator of a folder it takes away.
path_folders() { tr ';' '\n' <<<"$1" | sed '/^$/d'; }
path_before=$(system_path)
folders_without=$(path_folders "$path_before")
folders_with=$(path_folders "$path_before;$windows_folder")
# Fails unless the PATH holds FOLDERS; WHEN names the step.
expect_path() { [ "$(path_folders "$(system_path)")" = "$1" ] || fail "the PATH $2: $(system_path)"; }

# --- 1. Quiet install -------------------------------------------------------

msiexec install /i "$(windows_path "$package")" || fail "the quiet install failed ($work/install.log)"

[ "$(cd "$folder" && ls | sort | tr '\n' ' ')" = "LICENSE.txt README.txt zadodaziderav-cli.exe zadodaziderav.exe " ] ||
  fail "the program folder holds: $(ls "$folder")"
cmp build-win/zadodaziderav.exe "$folder/zadodaziderav.exe"
cmp build-win/zadodaziderav-cli.exe "$folder/zadodaziderav-cli.exe"
sed 's/\r$//' "$folder/LICENSE.txt" | cmp - LICENSE
# The version resources (UTF-16 text) name the package's version.
for program in zadodaziderav.exe zadodaziderav-cli.exe; do
  tr -d '\0' <"$folder/$program" | grep -a -F "FileVersion$version" >/dev/null ||
    fail "$program's version resource does not name $version"
done
grep -q "^zadodaziderav $version" "$folder/README.txt" || fail "the readme does not name $version"

# The shortcut: to the installed window, with the package's icon. Wine puts
# it in the user's Start menu even for a package for all users.
mapfile -t shortcuts < <(find "$drive_c" -path '*/Start Menu/Programs/*' -iname 'zadodaziderav*.lnk')
[ ${#shortcuts[@]} = 1 ] || fail "${#shortcuts[@]} Start-menu shortcuts instead of one"
shortcut=${shortcuts[0]}
# Its strings are partly UTF-16: without the zero bytes they read as text.
tr -d '\0' <"$shortcut" | grep -a -F "${windows_folder}zadodaziderav.exe" >/dev/null || fail "the shortcut's target"
icon=$(tr -d '\0' <"$shortcut" | grep -a -o 'C:\\windows\\Installer\\{[-0-9A-F]*}\\zadodaziderav.ico' | head -n 1 || true)
[ -n "$icon" ] || fail "the shortcut has no icon"
cmp resources/icon133.ico "$drive_c/$(tr '\\' / <<<"${icon#C:\\}")"

# The installed programs' entry, and the icon the installer keeps for it.
expect_entry "$package" "$version"
[ "$(entry_value Publisher)" = "The zadodaziderav developers" ] || fail "the publisher: $(entry_value Publisher)"
[ "$(entry_value HelpLink)" = "http://$host" ] || fail "the help link: $(entry_value HelpLink)"
product_key="HKLM\\Software\\Classes\\Installer\\Products\\$(packed_guid "$(msi_property "$package" ProductCode)")"
product_icon=$(wine reg query "$product_key" /v ProductIcon </dev/null | tr -d '\r' |
  awk -F'    ' '$2 == "ProductIcon" { print $4 }' || true)
[ "$product_icon" = "$icon" ] || fail "the entry's icon: $product_icon"

# The PATH: the program folder added at its end, and through it the command
# line found by name.
expect_path "$folders_with" "after the install"
[ "$(wine cmd /c zadodaziderav-cli --version </dev/null | tr -d '\r')" = "zadodaziderav-cli $version" ] ||
  fail "the command line found on the PATH does not print its version"
scripts/compare-windows-cli.sh "${windows_folder}zadodaziderav-cli.exe" "$work/compare"

# The window, started from the shortcut, shows its main window.
wine start /unix "$shortcut" </dev/null
wait_for_window ZADODAZIDERAV "Tessarine Tool" "main window of the installed window"
close_program zadodaziderav.exe
echo "test-msi.sh: installed quietly; the files, shortcut, entry and PATH are there; the window starts"

# --- 2. Upgrade -------------------------------------------------------------

msiexec upgrade /i "$(windows_path "$newer_package")" || fail "the upgrade failed ($work/upgrade.log)"
expect_entry "$newer_package" "$newer"
grep -q "^zadodaziderav $newer" "$folder/README.txt" || fail "the readme after the upgrade does not name $newer"
cmp build-win/zadodaziderav-cli.exe "$folder/zadodaziderav-cli.exe"
expect_path "$folders_with" "after the upgrade"
echo "test-msi.sh: $newer replaced $version"

# --- 3. No downgrade --------------------------------------------------------

# With the basic interface (/qb) the refusal shows its message in a box.
(
  status=0
  wine msiexec /i "$(windows_path "$package")" /qb </dev/null >/dev/null 2>&1 || status=$?
  echo "$status" >"$work/downgrade.status"
) &
wait_for_window Static "A newer versio" "message refusing the downgrade"
close_program msiexec.exe
wait
[ "$(cat "$work/downgrade.status")" != 0 ] || fail "$version was installed over $newer"
expect_entry "$newer_package" "$newer"
echo "test-msi.sh: $version refused to replace $newer"

# --- 4. Same version, without the PATH feature -------------------------------

msiexec rebuilt /i "$(windows_path "$rebuilt_package")" ADDLOCAL=Programs ||
  fail "the package without the PATH feature failed ($work/rebuilt.log)"
expect_entry "$rebuilt_package" "$newer"
[ -f "$folder/zadodaziderav-cli.exe" ] || fail "the command line is missing without the PATH feature"
expect_path "$folders_without" "without the PATH feature"
echo "test-msi.sh: a rebuilt $newer without the PATH feature replaced $newer"

# --- 5. Uninstall -----------------------------------------------------------

msiexec uninstall /x "$(windows_path "$rebuilt_package")" || fail "the uninstall failed ($work/uninstall.log)"
[ "$(entry_count)" = 0 ] || fail "an entry is left after the uninstall"
expect_path "$folders_without" "after the uninstall"
# What would name the product: its name, and every package's product code,
# its upgrade code and its components' codes, as written and packed.
codes=$(for p in "$package" "$newer_package" "$rebuilt_package"; do msi_property "$p" ProductCode; done
        msi_property "$package" UpgradeCode
        msiinfo export "$package" Component | awk -F'\t' 'NR > 3 && $2 != "" { print $2 }')
{
  echo zadodaziderav
  for code in $codes; do echo "$code"; packed_guid "$code"; done
} >"$work/names"
zd_wine_stop # the registry written out to the prefix's files
wineserver -w
if grep -i -F -f "$work/names" "$WINEPREFIX"/*.reg; then fail "the registry still names the product"; fi
leftovers=$(find "$drive_c" -iname '*zadodaziderav*'; find "$drive_c/windows/Installer" -mindepth 1 2>/dev/null)
[ -z "$leftovers" ] || fail "left on disk: $leftovers"
echo "test-msi.sh: uninstalled; nothing of the product is left"

# --- The tables, for what Wine does not show --------------------------------

# For all users, with the elevation Windows asks for (Wine asks none, and
# puts the shortcut in the user's menu): ALLUSERS=1 and no per-user choice;
# the summary's word count without bit 8 ("no elevation needed"). A 64-bit
# package, which 32-bit Windows refuses.
[ "$(msi_property "$package" ALLUSERS)" = 1 ] || fail "the package is not for all users"
[ -z "$(msi_property "$package" MSIINSTALLPERUSER)" ] || fail "the package offers a per-user install"
summary=$(msiinfo suminfo "$package")
grep -q '^Template: x64;' <<<"$summary" || fail "not a 64-bit package"
word_count=$(sed -n 's/^Source: \([0-9]*\).*/\1/p' <<<"$summary")
(( (word_count & 8) == 0 )) || fail "the package does not ask for elevation"
# A later package keeps the features as they were chosen (Wine installs them
# all again): the upgrade row migrates the feature states (attribute 1), and
# the action that does it is in the sequence.
upgrade_attributes=$(msiinfo export "$package" Upgrade | tr -d '\r' |
  awk -F'\t' '$7 == "WIX_UPGRADE_DETECTED" { print $5 }')
(( upgrade_attributes & 1 )) || fail "an upgrade does not keep the chosen features"
msiinfo export "$package" InstallExecuteSequence | grep '^MigrateFeatureStates' >/dev/null ||
  fail "no MigrateFeatureStates action"
# The PATH row says to take the folder away again on uninstalling ("-");
# Wine takes it away without.
msiinfo export "$package" Environment | tr -d '\r' | awk -F'\t' '$2 ~ /^[=*]*-[=*]*PATH$/' | grep . >/dev/null ||
  fail "the PATH row does not remove the folder on uninstalling"
echo "test-msi.sh: every check passed"
