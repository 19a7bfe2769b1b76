#!/usr/bin/env bash
# bench_keystroke on a private Xvfb, so that painting goes to a real X display.
# usage: keystroke.sh BINDIR [KEYS] [NOTE_BYTES]
set -eu
bin=$(cd "$1" && pwd)
shift
work=$(mktemp -d)
xpid=""
trap 'kill $xpid 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>"$work/Xvfb.err" &
xpid=$!
for _ in $(seq 1 100); do
    grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null && break
    sleep 0.1
done
grep -q '^[0-9][0-9]*$' "$work/display" || { echo "FAIL: Xvfb: $(cat "$work/Xvfb.err")" >&2; exit 1; }
mkdir -m 700 "$work/run"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
DISPLAY=":$(cat "$work/display")" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb "$bin/bench_keystroke" "$@"
