#!/usr/bin/env bash
# Builds the Debian package and checks it: its dependencies computed from the
# program's libraries and each to be had from the archive, its files under /usr
# and nothing else, the menu entry and metainfo clean by their validators; then the
# program unpacked from it starts on a fresh home and makes its data folder.
# With --install it is also installed with apt-get (which brings what it depends
# on), started from /usr/bin the same way, and removed again.
# usage: scripts/check-package.sh [--install]
set -euo pipefail
cd "$(dirname "$0")/.."
install=""
[ "${1:-}" = --install ] && install=1
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
rm -rf build/package
cpack --config build/CPackConfig.cmake -B build/package >/dev/null
deb=$(ls build/package/*.deb)
id=$(sed -n 's/^set(VH_APP_ID \(.*\))$/\1/p' CMakeLists.txt)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Found by dpkg-shlibdeps in the program itself, with their versions.
for lib in libqt6widgets6 libsqlcipher0 libc6; do
    grep -qE "(^|, )$lib \(>= [^)]+\)" <<<"$depends" || fail "$lib is not among the computed dependencies"
done
# Nothing of the sound or network stacks is linked; the chime's sound client is
# loaded when a chime sounds and is named by hand.
for lib in libqt6multimedia6 libqt6network6 libpulse0; do
    if grep -qE "(^|, )$lib( |,|$)" <<<"$depends"; then
        fail "$lib should not be a dependency"
    fi
done
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Recommends: $recommends"
grep -qE "(^|, )libpulse0(,|$)" <<<"$recommends" || fail "libpulse0 is not recommended"
# Every dependency, or one of its alternatives, is in the archive.
IFS=',' read -ra groups <<<"$depends"
for group in "${groups[@]}"; do
    found=""
    IFS='|' read -ra alternatives <<<"$group"
    for alt in "${alternatives[@]}"; do
        name=$(awk '{print $1}' <<<"$alt")
        policy=$(apt-cache policy "$name" 2>/dev/null)
        grep -q 'Candidate: [0-9]' <<<"$policy" && found=1
    done
    [ -n "$found" ] || fail "no package in the archive gives$group"
done

expected=(usr/bin/vornet-halvik "usr/share/applications/$id.desktop" "usr/share/icons/hicolor/scalable/apps/$id.svg"
    "usr/share/metainfo/$id.metainfo.xml")
for size in 16 22 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort) ||
    fail "the package's files differ from the expected ones (< expected, > packaged)"

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$id.metainfo.xml"
grep -qx 'Exec=/usr/bin/vornet-halvik' "$work/root/usr/share/applications/$id.desktop" ||
    fail "the menu entry does not start /usr/bin/vornet-halvik"
echo "-- the unpacked program"
bash tests/first-start.sh "$work/root/usr/bin/vornet-halvik"

if [ -n "$install" ]; then
    dpkg-query -W -f='${Status}' vornet-halvik 2>/dev/null | grep -q "install ok installed" &&
        fail "vornet-halvik is installed already; remove it first"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$(realpath "$deb")"
    status=0
    echo "-- the installed program"
    bash tests/first-start.sh /usr/bin/vornet-halvik || status=1
    $sudo apt-get purge -y -qq vornet-halvik
    [ $status -eq 0 ] || fail "the installed program did not start as it should"
fi
echo "Package $deb: all checks passed"
