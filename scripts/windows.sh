#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 and tests them under Wine:
#   - installs what is missing (scripts/install-deps.sh windows);
#   - builds zadodaziderav.exe (the window) and zadodaziderav-cli.exe into
#     build-win/, with every core, intake, app, command-line and window test;
#   - runs those tests under Wine (a prefix in build-win/wine, no display);
#   - checks that the Windows command line writes the same image as the
#     Linux one for the same inputs (Chinese names, a file info table), and
#     a list file that differs only in how the paths' folders are written;
#   - builds the installer package build-win/zadodaziderav-<version>-x64.msi
#     (packaging/windows/) and tests it under Wine (scripts/test-msi.sh);
#   - packs build-win/zadodaziderav-windows-x64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows

# shellcheck source=wine-env.sh
source scripts/wine-env.sh null
trap zd_wine_stop EXIT

cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DZD_WITH_UI=OFF -DZD_WITH_BENCH=OFF >/dev/null
cmake --build build-win -j2
# Under load, Wine has now and then ended a test program at once, before it
# printed a line (seen once in CI, never reproduced in hundreds of runs): a
# test that fails is run once more, on its own, and must pass then. Its first
# failure stays in the log above the rerun.
if ! ctest --test-dir build-win -j2 --output-on-failure; then
  echo "windows.sh: running the failed tests once more, one at a time"
  ctest --test-dir build-win --rerun-failed --output-on-failure
fi

# The Linux command line, for the comparison.
cmake -S . -B build-win/linux -G Ninja -DCMAKE_BUILD_TYPE=Release -DZD_WITH_UI=OFF \
  -DZD_WITH_BENCH=OFF >/dev/null
cmake --build build-win/linux -j2 --target zadodaziderav-cli

scripts/compare-windows-cli.sh build-win/zadodaziderav-cli.exe build-win/compare
# The installer package, installed, upgraded and removed in a prefix of its own.
scripts/test-msi.sh

package=build-win/zadodaziderav-windows-x64
rm -rf "$package" "$package.zip"
mkdir -p "$package"
cp build-win/zadodaziderav.exe build-win/zadodaziderav-cli.exe README.md "$package/"
[ -f LICENSE ] && cp LICENSE "$package/"
(cd build-win && cmake -E tar cf zadodaziderav-windows-x64.zip --format=zip zadodaziderav-windows-x64)
echo "built $package.zip"
