#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the Linux
# programs' tests, then the Windows programs' tests under Wine
# (scripts/windows.sh; ZD_SKIP_WINDOWS=1 leaves them out).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZD_WITH_UI=ON -DZD_WITH_BENCH=OFF \
  -DBUILD_TESTING=ON >/dev/null
cmake --build build
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure
if [ "${ZD_SKIP_WINDOWS:-0}" != 1 ]; then
  scripts/windows.sh
fi
