#!/usr/bin/env bash
# CPU the idle program uses in a minute, on a private Xvfb with a window manager
# and a tray host, nothing touched. The window is either left shown or minimised,
# which hides it to the tray; the database is fresh or the large data set
# (vh-bigdata: its reminders leave the hour after it is made free, so no alert
# opens during the measurement).
# usage: idle_cpu.sh PROGRAM MKDB [SECONDS] [shown|hidden] [fresh|large]
#   for large, vh-bigdata is taken from MKDB's folder
set -eu
exe=$1
mkdb=$2
seconds=${3:-60}
window=${4:-hidden}
data=${5:-fresh}
work=$(mktemp -d)
pids=()
trap 'kill ${pids[*]} 2>/dev/null; rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
cp "$exe" "$work/"
case $data in
fresh) "$mkdb" "$work/bookkeep.dat" ;;
large) "$(dirname "$mkdb")/vh-bigdata" "$work/bookkeep.dat" ;;
*) fail "data is fresh or large, not $data" ;;
esac

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>"$work/Xvfb.err" &
xpid=$!
pids+=("$xpid")
for _ in $(seq 1 100); do
    grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null && break
    kill -0 "$xpid" 2>/dev/null || break
    sleep 0.1
done
grep -q '^[0-9][0-9]*$' "$work/display" || fail "Xvfb exited: $(cat "$work/Xvfb.err")"
mkdir -m 700 "$work/run"
export DISPLAY=":$(cat "$work/display")" HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"

# twm and trayer run in the C locale (twm wants a font set Xvfb lacks otherwise).
printf 'RandomPlacement\nUsePPosition "on"\n' >"$work/.twmrc"
LC_ALL=C twm -f "$work/.twmrc" >/dev/null 2>&1 &
pids+=($!)
LC_ALL=C trayer --edge top --align right --widthtype pixel --width 120 --height 28 --SetDockType false \
    >/dev/null 2>&1 &
pids+=($!)
sleep 1

"$work/$(basename "$exe")" >/dev/null 2>&1 &
app=$!
pids+=("$app")
main=$(xdotool search --sync --onlyvisible --name '^Vornet-Halvik$' 2>/dev/null | head -1)
[ -n "$main" ] || fail "the main window did not appear"
sleep 3
if [ "$window" = hidden ]; then
    xdotool windowminimize "$main" >/dev/null 2>&1 || true
    for _ in $(seq 1 50); do
        xdotool search --onlyvisible --name '^Vornet-Halvik$' >/dev/null 2>&1 || break
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^Vornet-Halvik$' >/dev/null 2>&1 && fail "the window did not hide to the tray"
fi
sleep 2
kill -0 "$xpid" 2>/dev/null || fail "Xvfb exited: $(cat "$work/Xvfb.err")"
kill -0 "$app" 2>/dev/null || fail "the program ended on its own"
# Nanoseconds on a CPU, summed over the program's threads (the tick counts of
# /proc/PID/stat are too coarse for a few milliseconds).
cpu_ns() { cat /proc/"$app"/task/*/schedstat | awk '{s += $1} END {printf "%d", s}'; }
before=$(cpu_ns)
sleep "$seconds"
after=$(cpu_ns)
kill -0 "$xpid" 2>/dev/null || fail "Xvfb exited during the measurement: $(cat "$work/Xvfb.err")"
kill -0 "$app" 2>/dev/null || fail "the program ended during the measurement"
awk -v ns=$((after - before)) -v s="$seconds" -v w="$window" -v d="$data" -v l="$(cut -d" " -f1-3 /proc/loadavg)" 'BEGIN {printf "idle CPU (%s, %s): %.1f ms in %d s; load %s\n", w, d, ns / 1e6, s, l}'
