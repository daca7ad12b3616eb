#!/usr/bin/env bash
# Checks that every include of the product's code runs down the layers, never
# back up: within core, files <- model <- intake and image <- firmware <-
# merge and check, check <- flash; above it app and cli side by side, then
# the two windows.
# The front ends reach a merge only through its request (core/merge): they
# include neither the image writer, the output set nor the summing copy.
# Prints each include that breaks the rule and exits 1; tests, benchmarks and
# fuzz targets may include anything.
set -euo pipefail
cd "$(dirname "$0")/.."

allowed() {
  case "$1" in
    core/files)    echo "core/files" ;;
    core/model)    echo "core/model core/files" ;;
    core/intake)   echo "core/intake core/model core/files" ;;
    core/image)    echo "core/image core/model core/files" ;;
    core/firmware) echo "core/firmware core/image core/model core/files" ;;
    core/merge)    echo "core/merge core/firmware core/image core/model core/files" ;;
    core/check)    echo "core/check core/firmware core/image core/model core/files" ;;
    core/flash)    echo "core/flash core/check core/firmware core/image core/model core/files" ;;
    app)           echo "app core/merge core/intake core/check core/firmware core/image core/model core/files" ;;
    cli)           echo "cli core/merge core/intake core/check core/flash core/firmware core/image core/model core/files" ;;
    ui)            echo "ui app core/model" ;;
    win32)         echo "win32 app core/model core/files" ;;
  esac
}

# What only the merge wing may use of the wings below it.
merge_only="core/image/image_writer.h core/files/output_set.h core/image/checksum_copy.h"

status=0
for area in core/files core/model core/intake core/image core/firmware core/merge core/check core/flash app cli ui win32; do
  [ -d "$area" ] || continue
  ok=" $(allowed "$area") "
  while IFS=: read -r file line include; do
    target=${include#*\"}
    target=${target%\"*}
    folder=$(dirname "$target")
    if [[ $ok != *" $folder "* ]]; then
      echo "$file:$line: $area may not include $target"
      status=1
    elif [[ $area != core/* && " $merge_only " == *" $target "* ]]; then
      echo "$file:$line: $area reaches a merge only through core/merge, not $target"
      status=1
    fi
  done < <(grep -rnE '^\s*#\s*include\s+"' "$area" --include='*.h' --include='*.cpp' || true)
  # Every include names its folder from the project's root.
  if bare=$(grep -rnE '^\s*#\s*include\s+"[^/"]+"' "$area" --include='*.h' --include='*.cpp'); then
    echo "$bare" | sed 's/$/  (name the folder)/'
    status=1
  fi
done
exit $status
