#!/usr/bin/env bash
# Builds the Windows installer package from the two cross-built programs.
#
# Usage: packaging/windows/build-msi.sh VERSION PUBLISHER_HOST PROGRAM_DIR OUTPUT.msi
#
# VERSION is the CMake project version (four numbers), PROGRAM_DIR the folder
# holding zadodaziderav.exe and zadodaziderav-cli.exe. Needs wixl and msibuild
# (Debian's wixl and msitools).
set -euo pipefail
if [ $# -ne 4 ]; then
  echo "usage: $0 VERSION PUBLISHER_HOST PROGRAM_DIR OUTPUT.msi" >&2
  exit 2
fi
version=$1 host=$2
programs=$(realpath "$3")
output=$(realpath -m "$4")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

# wixl takes every file from the folder it runs in.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$programs/zadodaziderav.exe" "$programs/zadodaziderav-cli.exe" "$root/resources/icon133.ico" "$stage/"
# Text files with Windows line ends, for Notepad and the like.
sed -e "s/@VERSION@/$version/g" -e "s/@PUBLISHER_HOST@/$host/g" -e 's/$/\r/' \
  "$here/README.txt.in" >"$stage/README.txt"
sed -e 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"

(cd "$stage" && wixl --arch x64 -D Version="$version" -D PublisherHost="$host" \
  -o package.msi "$here/zadodaziderav.wxs" 2>&1 | { grep -v 'unimplemented$' >&2 || true; })

# What wixl has no element or attribute for:
# - the PATH entry (Environment.idt), and the two actions that write and
#   remove it;
# - replacing a package of the same version: Windows Installer compares only
#   the first three of the version's four numbers, so a package whose version
#   differs in the fourth replaces the installed one instead of being
#   installed beside it (a maximum that includes the version itself: 513 is
#   "migrate the features" plus "maximum included").
upgrade_code=$(msiinfo export "$stage/package.msi" Property | tr -d '\r' | awk '$1 == "UpgradeCode" { print $2 }')
msibuild "$stage/package.msi" -i "$here/Environment.idt" \
  -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('RemoveEnvironmentStrings', 3300)" \
  -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('WriteEnvironmentStrings', 5200)" \
  -q "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'" \
  -q "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty)
      VALUES ('$upgrade_code', '$version', 513, 'WIX_UPGRADE_DETECTED')"
mv "$stage/package.msi" "$output"
