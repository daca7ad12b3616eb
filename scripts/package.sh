#!/usr/bin/env bash
# Builds the Debian package and checks it; exits non-zero on any failure.
#
# Usage: scripts/package.sh [BUILD_DIR]   (default build-package)
#
# Release build with Debian's hardening flags and without the tests, then
# `cpack -G DEB`. Checks: lintian (no errors, no warnings), the desktop entry
# with desktop-file-validate, the AppStream metadata with appstreamcli
# (--no-net), the files the package must hold, one version in package,
# changelog and metadata, the programs run from the unpacked tree, the CMake
# package used by a firmware project, and apt
# finds every dependency (a simulated install, nothing is changed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-package}")
"$root/scripts/install-deps.sh" build package

fail() { echo "package: $*" >&2; exit 1; }

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DZD_WITH_UI=ON -DZD_WITH_BENCH=OFF -DZD_SANITIZE=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j2
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb in $build"
deb=${debs[0]}
echo "package: built $deb"

# Unpacked, the package is checked as it will lie on a system.
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
version=$(dpkg-deb -f "$deb" Version)
name=$(dpkg-deb -f "$deb" Package)
doc=usr/share/doc/$name
expected=(
    usr/bin/zadodaziderav usr/bin/zadodaziderav-cli
    usr/share/man/man1/zadodaziderav.1.gz usr/share/man/man1/zadodaziderav-cli.1.gz
    usr/share/applications/zadodaziderav.desktop
    usr/share/metainfo/org.zadodaziderav.zadodaziderav.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/zadodaziderav.svg
    "$doc/copyright" "$doc/changelog.gz"
)
for file in config config-version functions targets targets-release; do
    expected+=("usr/lib/cmake/$name/$name-$file.cmake")
done
for size in 16 22 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/zadodaziderav.png")
done
for file in "${expected[@]}"; do
    [ -s "$tree/$file" ] || fail "the package lacks /$file"
done
for size in 16 256; do
    png=$tree/usr/share/icons/hicolor/${size}x$size/apps/zadodaziderav.png
    file -b "$png" | grep -q "PNG image data, $size x $size" || fail "$png is not a $size-pixel PNG"
done

changelog_version=$(dpkg-parsechangelog -l "$root/packaging/changelog" -S Version)
[ "$changelog_version" = "$version" ] ||
    fail "packaging/changelog's latest entry is $changelog_version, the package $version: add an entry"
metainfo=$tree/usr/share/metainfo/org.zadodaziderav.zadodaziderav.metainfo.xml
grep -q "<release version=\"$version\"" "$metainfo" ||
    fail "resources/zadodaziderav.metainfo.xml names no release $version"

"$tree/usr/bin/zadodaziderav-cli" --version | grep -q "$version" || fail "the command line does not run"
zcat "$tree/usr/share/man/man1/zadodaziderav-cli.1.gz" | grep -qF -- '\-\-output' ||
    fail "the command line's manual page does not list its options"

echo "package: a firmware project builds its image with the CMake package"
cmake -DPROJECT="$root/tests/build_integration/firmware_project" -DWORK="$tree/firmware" \
    -DGENERATOR=Ninja -DPACKAGE="$tree/usr/lib/cmake/$name" \
    -P "$root/tests/build_integration/rebuilds.cmake"
rm -rf "$tree/firmware"

echo "package: desktop-file-validate"
desktop-file-validate "$tree/usr/share/applications/zadodaziderav.desktop"
echo "package: appstreamcli validate"
appstreamcli validate --no-net --pedantic "$metainfo"
echo "package: lintian"
lintian --fail-on error,warning --info "$deb"
echo "package: apt-get install --simulate"
apt-get install --simulate "$deb" >/dev/null || fail "apt cannot install $deb here"
echo "package: $deb passes every check"
