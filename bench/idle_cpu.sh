#!/usr/bin/env bash
# CPU the idle program uses in a minute: started under Xvfb on a fresh database
# (the scheduler still asks it every second), window minimised, nothing touched.
# usage: idle_cpu.sh PROGRAM MKDB [SECONDS]
set -eu
exe=$1
mkdb=$2
seconds=${3:-60}
work=$(mktemp -d)
trap 'kill $app $xpid 2>/dev/null; rm -rf "$work"' EXIT
cp "$exe" "$work/"
"$mkdb" "$work/bookkeep.dat"
Xvfb :93 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xpid=$!
export DISPLAY=:93 HOME="$work" XDG_CONFIG_HOME="$work/config"
sleep 1
"$work/$(basename "$exe")" >/dev/null 2>&1 &
app=$!
sleep 5
xdotool search --sync --onlyvisible --name '^Vornet-Halvik$' windowminimize >/dev/null 2>&1 || true
sleep 2
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
echo "idle CPU: $(( (after - before) * 1000 / hz )) ms in ${seconds} s"
