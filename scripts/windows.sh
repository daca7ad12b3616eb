#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 and tests them under Wine:
#   - installs what is missing (scripts/install-deps.sh windows);
#   - builds zadodaziderav.exe (the window) and zadodaziderav-cli.exe into
#     build-win/, with every core, intake, app, command-line and window test;
#   - runs those tests under Wine (a prefix in build-win/wine, no display);
#   - checks that the Windows command line writes the same image as the
#     Linux one for the same inputs (Chinese names, a file info table), and
#     a list file that differs only in how the paths' folders are written;
#   - packs build-win/zadodaziderav-windows-x64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh windows

# shellcheck source=wine-env.sh
source scripts/wine-env.sh null
trap zd_wine_stop EXIT

cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DZD_WITH_UI=OFF -DZD_WITH_BENCH=OFF >/dev/null
cmake --build build-win -j2
ctest --test-dir build-win -j2 --output-on-failure

# The Linux command line, for the comparison.
cmake -S . -B build-win/linux -G Ninja -DCMAKE_BUILD_TYPE=Release -DZD_WITH_UI=OFF \
  -DZD_WITH_BENCH=OFF >/dev/null
cmake --build build-win/linux -j2 --target zadodaziderav-cli

compare=build-win/compare
rm -rf "$compare"
mkdir -p "$compare/in/字库" "$compare/linux" "$compare/windows"
head -c 1234 /dev/urandom >"$compare/in/开机画面.bin"
head -c 5000 /dev/urandom >"$compare/in/字库/宋体16.dot"
head -c 777 /dev/urandom >"$compare/in/字库/a.jpg"
cd "$compare"
args=(merge -f 0x1000 -i in/开机画面.bin in/字库)
"$root/build-win/linux/cli/zadodaziderav-cli" "${args[@]}" -o linux/镜像 >/dev/null
wine "$root/build-win/zadodaziderav-cli.exe" "${args[@]}" -o windows/镜像.bin </dev/null >/dev/null
cmp linux/镜像.bin windows/镜像.bin
# Z:\work\...\in\a.jpg on Windows is /work/.../in/a.jpg on Linux.
sed -e 's|"Z:\\|"/|' -e 's|\\|/|g' windows/镜像.h | cmp - linux/镜像.h
echo "The Windows command line wrote the same image and list file as the Linux one."
cd "$root"

package=build-win/zadodaziderav-windows-x64
rm -rf "$package" "$package.zip"
mkdir -p "$package"
cp build-win/zadodaziderav.exe build-win/zadodaziderav-cli.exe README.md "$package/"
[ -f LICENSE ] && cp LICENSE "$package/"
(cd build-win && cmake -E tar cf zadodaziderav-windows-x64.zip --format=zip zadodaziderav-windows-x64)
echo "built $package.zip"
