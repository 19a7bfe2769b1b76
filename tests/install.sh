#!/usr/bin/env bash
# Installs the build into a temporary prefix as `cmake --install --prefix` does and
# checks it as a desktop would: the files where they belong and nothing else, the
# menu entry and metainfo clean by their validators, the entry naming the installed
# program. Then the installed program starts on a fresh home (first-start.sh).
# usage: install.sh BUILD_FOLDER APP_ID
set -u
build=$1
id=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
for tool in desktop-file-validate appstreamcli; do
    command -v $tool >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done

# A prefix with a blank in it: the menu entry must quote the program's path.
prefix="$work/pre fix"
cmake --install "$build" --prefix "$prefix" >"$work/install.txt" 2>&1 || { cat "$work/install.txt"; fail "install failed"; }

expected=(
    bin/vornet-halvik
    "share/applications/$id.desktop"
    "share/icons/hicolor/scalable/apps/$id.svg"
    "share/metainfo/$id.metainfo.xml"
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x$size/apps/$id.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f -printf '%P\n' | sort) ||
    fail "installed files differ from the expected ones (< expected, > installed)"
[ -x "$prefix/bin/vornet-halvik" ] || fail "the program is not executable"
for size in 16 48 256; do
    identify -format '%wx%h' "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" | grep -qx "${size}x$size" ||
        fail "the ${size}px icon has the wrong size"
done

entry="$prefix/share/applications/$id.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate found faults"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/as.txt" 2>&1 ||
    { cat "$work/as.txt"; fail "appstreamcli found faults"; }
grep -qx "Exec=\"$prefix/bin/vornet-halvik\"" "$entry" || fail "Exec does not name the installed program: $(grep ^Exec "$entry")"
grep -qx "Icon=$id" "$entry" || fail "the entry's icon is not $id"
grep -q '^Name\[zh_CN\]=.*[^ -~]' "$entry" || fail "the entry has no Chinese name"
grep -q '<p xml:lang="zh-CN">' "$prefix/share/metainfo/$id.metainfo.xml" || fail "the metainfo has no Chinese description"

bash "$(dirname "$0")/first-start.sh" "$prefix/bin/vornet-halvik" || exit 1
echo "1 passed, 0 failed"
