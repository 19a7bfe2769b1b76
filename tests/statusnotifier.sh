#!/usr/bin/env bash
# The real program beside a StatusNotifier tray host (tests/support/fake_watcher.py on
# a session bus of our own) under Xvfb with a window manager: its icon registers with
# the host, minimising hides the window, and one activation (what such a host sends
# for a single click; it never sends a double-click) brings the window back.
# usage: statusnotifier.sh PROGRAM MKDB
set -u
exe=$1
mkdb=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
wait_for() { # seconds, command...
    local tries=$(($1 * 10))
    shift
    for _ in $(seq 1 $tries); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
for tool in Xvfb twm xdotool dbus-daemon dbus-send; do
    command -v $tool >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done
/usr/bin/python3 -c 'import dbus.service, dbus.mainloop.glib; from gi.repository import GLib' 2>/dev/null ||
    fail "python3-dbus or python3-gi is missing (scripts/setup.sh installs them)"

cp "$exe" "$work/vornet-halvik"
"$mkdb" "$work/bookkeep.dat" || fail "cannot make a database"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$work/run" && chmod 700 "$work/run"
unset QT_QPA_PLATFORM XDG_CURRENT_DESKTOP

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>"$work/Xvfb.err" &
pids+=($!)
wait_for 10 grep -q '^[0-9][0-9]*$' "$work/display" || fail "Xvfb gave no display number: $(cat "$work/Xvfb.err")"
export DISPLAY=":$(cat "$work/display")"
LC_ALL=C twm -f /dev/null >/dev/null 2>&1 &
pids+=($!)

dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >/dev/null 2>"$work/bus.err" &
pids+=($!)
wait_for 10 grep -q . "$work/bus" || fail "dbus-daemon gave no address: $(cat "$work/bus.err")"
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
/usr/bin/python3 "$here/support/fake_watcher.py" "$work/items" >"$work/watcher.out" 2>&1 &
pids+=($!)
wait_for 10 grep -q ready "$work/watcher.out" || fail "the watcher did not start: $(cat "$work/watcher.out")"

"$work/vornet-halvik" >"$work/out.txt" 2>&1 &
pids+=($!)
shown() { [ -n "$(xdotool search --onlyvisible --name '^Vornet-Halvik$' 2>/dev/null)" ]; }
hidden() { ! shown; }
wait_for 30 shown || { cat "$work/out.txt"; fail "the main window did not appear"; }
wait_for 30 grep -q . "$work/items" || fail "the tray icon did not register with the StatusNotifier host"
item=$(head -n 1 "$work/items")

xdotool windowminimize "$(xdotool search --onlyvisible --name '^Vornet-Halvik$' | head -n 1)"
wait_for 10 hidden || fail "minimising did not hide the window beside a StatusNotifier host"
dbus-send --session --dest="$item" --type=method_call /StatusNotifierItem org.kde.StatusNotifierItem.Activate \
    int32:10 int32:10 || fail "the icon did not answer an activation"
wait_for 10 shown || fail "a single click on the StatusNotifier icon did not bring the window back"
echo "ok: icon on the StatusNotifier host, hidden on minimise, back on one click"
echo "1 passed, 0 failed"
