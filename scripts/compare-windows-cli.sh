#!/usr/bin/env bash
# Checks that a Windows command line writes the same image as the Linux one
# for the same inputs (Chinese names, a file info table), and a list file
# that differs only in how the paths' folders are written.
#
# Usage: scripts/compare-windows-cli.sh PROGRAM FOLDER
#   PROGRAM  the Windows command line as Wine takes it: a path on this
#            machine, or a Windows path such as C:\...\zadodaziderav-cli.exe
#   FOLDER   made anew, for the inputs and both programs' outputs
# Needs the Linux command line in build-win/linux (scripts/windows.sh builds
# it) and a Wine prefix (scripts/wine-env.sh).
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 PROGRAM FOLDER" >&2
  exit 2
fi
program=$1
[ -e "$program" ] && program=$(realpath "$program")
root=$(cd "$(dirname "$0")/.." && pwd)
linux_cli=$root/build-win/linux/cli/zadodaziderav-cli

rm -rf "$2"
mkdir -p "$2/in/字库" "$2/linux" "$2/windows"
cd "$2"
head -c 1234 /dev/urandom >"in/开机画面.bin"
head -c 5000 /dev/urandom >"in/字库/宋体16.dot"
head -c 777 /dev/urandom >"in/字库/a.jpg"
args=(merge -f 0x1000 -i in/开机画面.bin in/字库)
"$linux_cli" "${args[@]}" -o linux/镜像 >/dev/null
wine "$program" "${args[@]}" -o windows/镜像.bin </dev/null >/dev/null
cmp linux/镜像.bin windows/镜像.bin
# Z:\work\...\in\a.jpg on Windows is /work/.../in/a.jpg on Linux.
sed -e 's|"Z:\\|"/|' -e 's|\\|/|g' windows/镜像.h | cmp - linux/镜像.h
echo "$program wrote the same image and list file as the Linux command line."
