#!/usr/bin/env bash
# CPU the idle program uses in a minute: started under Xvfb on a fresh database
# (the scheduler still asks it every second), window minimised, nothing touched.
# usage: idle_cpu.sh PROGRAM MKDB [SECONDS]
set -eu
exe=$1
mkdb=$2
seconds=${3:-60}
work=$(mktemp -d)
app=""
xpid=""
trap 'kill $app $xpid 2>/dev/null; rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
cp "$exe" "$work/"
"$mkdb" "$work/bookkeep.dat"

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>"$work/Xvfb.err" &
xpid=$!
for _ in $(seq 1 100); do
    grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null && break
    kill -0 "$xpid" 2>/dev/null || break
    sleep 0.1
done
grep -q '^[0-9][0-9]*$' "$work/display" || fail "Xvfb exited: $(cat "$work/Xvfb.err")"
export DISPLAY=":$(cat "$work/display")" HOME="$work" XDG_CONFIG_HOME="$work/config"

"$work/$(basename "$exe")" >/dev/null 2>&1 &
app=$!
sleep 5
xdotool search --sync --onlyvisible --name '^Vornet-Halvik$' windowminimize >/dev/null 2>&1 || true
sleep 2
kill -0 "$xpid" 2>/dev/null || fail "Xvfb exited: $(cat "$work/Xvfb.err")"
kill -0 "$app" 2>/dev/null || fail "the program ended on its own"
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
kill -0 "$xpid" 2>/dev/null || fail "Xvfb exited during the measurement: $(cat "$work/Xvfb.err")"
echo "idle CPU: $(( (after - before) * 1000 / hz )) ms in ${seconds} s"
