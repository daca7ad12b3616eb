#!/usr/bin/env bash
# Installs the Debian packages a group of tasks needs, only those missing.
# Usage: scripts/install-deps.sh build|test|run|shot|fuzz|bench|windows|icons|package ...
set -euo pipefail

packages=()
for group in "$@"; do
  case "$group" in
    # help2man and librsvg2-bin: the command line's manual page and the PNG
    # icons, made at build time, which cmake --install installs.
    build) packages+=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libgl-dev libcli11-dev
                      zlib1g-dev libisal-dev nlohmann-json3-dev help2man librsvg2-bin) ;;
    # xfsprogs and btrfs-progs: the tests of shared blocks make those file
    # systems in loop files (as root; skipped otherwise). srecord, make and
    # ninja also run the README's examples; strace injects the faults of
    # scripts/fault-injection.sh. flashrom (its dummy programmer),
    # libxml2-utils (xmllint) and librsvg2-bin (rsvg-convert): the tests of
    # flash, the region files and the layout's picture. xvfb, xauth and a
    # CJK font: the merge settings once more on a real X server.
    test)  packages+=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libgl-dev libgtest-dev libcli11-dev
                      zlib1g-dev libisal-dev nlohmann-json3-dev help2man librsvg2-bin srecord qt6-translations-l10n
                      xfsprogs btrfs-progs strace flashrom libxml2-utils xvfb xauth fonts-wqy-microhei) ;;
    run)   packages+=(fonts-wqy-microhei qt6-translations-l10n) ;;
    shot)  packages+=(xvfb xauth imagemagick xdotool fonts-wqy-microhei) ;;
    fuzz)  packages+=(clang libclang-rt-14-dev) ;;
    bench) packages+=(srecord eatmydata xfsprogs btrfs-progs) ;;
    # Windows programs cross-built with MinGW-w64 and tested under Wine;
    # GoogleTest from its source tree, the Linux command line to compare,
    # wixl and msitools for the installer package.
    windows) packages+=(build-essential cmake ninja-build googletest libgtest-dev
                        g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 fonts-wqy-microhei
                        libz-mingw-w64-dev nlohmann-json3-dev wixl msitools) ;;
    # Regenerating the Windows icons from their SVG sources.
    icons) packages+=(librsvg2-bin icoutils) ;;
    # The Debian package and its checks (scripts/package.sh).
    package) packages+=(dpkg-dev file gzip help2man librsvg2-bin lintian desktop-file-utils appstream) ;;
    *) echo "install-deps.sh: unknown group $group" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
