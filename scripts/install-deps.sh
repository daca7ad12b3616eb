#!/usr/bin/env bash
# Installs the Debian packages a group of tasks needs, only those missing.
# Usage: scripts/install-deps.sh build|test|run|ci|bench|fuzz ...
set -euo pipefail

packages=()
for group in "$@"; do
  case "$group" in
    build) packages+=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libgl-dev libcli11-dev) ;;
    test)  packages+=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libgl-dev libgtest-dev libcli11-dev) ;;
    run)   packages+=(fonts-wqy-microhei) ;;
    shot)  packages+=(xvfb xauth imagemagick xdotool fonts-wqy-microhei) ;;
    fuzz)  packages+=(clang libclang-rt-14-dev) ;;
    bench) packages+=(srecord eatmydata) ;;
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
