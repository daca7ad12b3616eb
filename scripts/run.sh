#!/usr/bin/env bash
# Installs what is missing, builds and starts the window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZD_WITH_UI=ON -DZD_WITH_BENCH=OFF \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build build
exec build/ui/zadodaziderav "$@"
