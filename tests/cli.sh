#!/bin/bash
# The command line of the real program, as a script or an ssh session runs it:
# no display and no platform chosen, on a portable copy with its own database.
# Usage: cli.sh PROGRAM MKDB FIXTURES VERSION
set -u
program=$1 mkdb=$2 fixtures=$3 version=$4
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/vornet-halvik"
"$mkdb" "$work/bookkeep.dat" >/dev/null || exit 1
failures=0

# expect CODE WORDS -- ARGS: runs the copy and checks its exit code and that
# its output holds the words.
expect() {
    local code=$1 words=$2
    shift 3
    local said rc
    said=$(timeout 20 "$work/vornet-halvik" "$@" 2>&1 </dev/null)
    rc=$?
    if [[ $rc != "$code" || $said != *"$words"* ]]; then
        echo "FAIL: $* -> $rc (want $code): $said"
        failures=$((failures + 1))
    fi
}

expect 0 "--import-bookmarks 文件" -- --help
expect 0 "Vornet-Halvik $version" -- --version
expect 2 "后面要写文件的名字" -- --export-bookmarks
expect 0 "新增 3 个网址" -- --import-bookmarks "$fixtures/chromium.html"
expect 0 "新增 0 个网址，跳过 3 个" -- --import-bookmarks "$fixtures/chromium.html"
expect 0 "书签导出完成：3 个分组、3 个网址" -- --export-bookmarks "$work/out.html"
grep -q 'NETSCAPE-Bookmark-file-1' "$work/out.html" || { echo "FAIL: no bookmark file"; failures=$((failures + 1)); }
expect 0 "笔记导出完成：1 个分组" -- --export-notes "$work/notes"
expect 0 "笔记导入完成：新建 1 个分组" -- --import-notes "$work/notes/根目录"
expect 1 "无法打开书签文件" -- --import-bookmarks "$work/missing.html"

# Beside a running copy (here, whoever holds its lock) nothing is done.
exec 9>"$work/bookkeep.dat.lock"
flock 9
expect 3 "正在运行" -- --import-bookmarks "$fixtures/chromium.html"
exec 9>&-

mv "$work/bookkeep.dat" "$work/moved.dat"
expect 1 "数据库连接失败！" -- --export-notes "$work/n2"

[[ $failures == 0 ]] && echo "command line: all checks passed"
exit $((failures > 0))
