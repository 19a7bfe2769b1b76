#!/usr/bin/env bash
# Starts the real program under Xvfb from a temporary program folder, as a user
# would: with a database the main window appears; without one only the error box
# does, and the program ends once it is dismissed. Then on a desktop with a
# window manager and a tray: the icon appears, minimising hides the window, and
# a double-click on the icon brings it back.
# usage: smoke.sh PROGRAM MKDB   (SMOKE_SHOTS=folder keeps screenshots)
set -u
exe=$1
mkdb=$2
work=$(mktemp -d)
app=""
xpid=""
helpers=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    [ -n "$helpers" ] && kill $helpers 2>/dev/null
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

cp "$exe" "$work/vornet-halvik"
"$mkdb" "$work/bookkeep.dat" || fail "cannot make a database"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$work/run" && chmod 700 "$work/run"
unset QT_QPA_PLATFORM

for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=":$n"
        break
    fi
done
# -noreset: otherwise the server resets whenever its last client leaves, and a
# program started just then cannot connect.
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xpid=$!
export DISPLAY="$display"
for _ in $(seq 1 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start"

wait_window() { # name, seconds
    for _ in $(seq 1 $(($2 * 10))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
shot() { [ -n "${SMOKE_SHOTS:-}" ] && import -window root "$SMOKE_SHOTS/$1.png" 2>/dev/null; }

# With a database: the main window.
"$work/vornet-halvik" >"$work/out1.txt" 2>&1 &
app=$!
main=$(wait_window '^Vornet-Halvik$' 30) || fail "the main window did not appear"
sleep 1
shot main
kill -0 "$app" 2>/dev/null || fail "the program ended on its own"
kill "$app"
wait "$app" 2>/dev/null
app=""
echo "ok: main window $main"

# Without a database: only the error box, then the process ends.
rm -f "$work"/bookkeep.dat*
"$work/vornet-halvik" >"$work/out2.txt" 2>&1 &
app=$!
box=$(wait_window "^错误$" 30) || { cat "$work/out2.txt"; fail "the error box did not appear"; }
sleep 0.5
shot error
xdotool search --onlyvisible --name '^Vornet-Halvik$' >/dev/null 2>&1 && fail "a main window appeared without a database"
xdotool windowfocus --sync "$box" key Return
for _ in $(seq 1 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "the program did not end after the error box"
app=""
echo "ok: error box $box, program ended"

# With a window manager and a tray host, started before the program.
"$mkdb" "$work/bookkeep.dat" || fail "cannot make a database"
printf 'RandomPlacement\nUsePPosition "on"\n' >"$work/.twmrc"
twm -f "$work/.twmrc" >/dev/null 2>&1 &
helpers="$!"
trayer --edge top --align right --widthtype pixel --width 120 --height 28 --SetDockType false >/dev/null 2>&1 &
helpers="$helpers $!"
sleep 1
"$work/vornet-halvik" >"$work/out3.txt" 2>&1 &
app=$!
main=$(wait_window '^Vornet-Halvik$' 30) || fail "the main window did not appear beside a tray"
# The icon: a small window of ours embedded in the tray ("WxH+x+y  +absx+absy").
icon=""
for _ in $(seq 1 100); do
    icon=$(xwininfo -root -tree 2>/dev/null | grep '"Vornet-Halvik": ("vornet-halvik"' |
        grep -oE ' [0-9]{1,2}x[0-9]{1,2}\+-?[0-9]+\+-?[0-9]+ +\+-?[0-9]+\+-?[0-9]+' | head -n 1)
    [ -n "$icon" ] && break
    sleep 0.1
done
[ -n "$icon" ] || { cat "$work/out3.txt"; fail "no tray icon appeared"; }
shot tray
size=$(echo "$icon" | awk '{print $1}' | cut -d+ -f1)
abs=$(echo "$icon" | awk '{print $2}')
ix=$(echo "$abs" | cut -d+ -f2)
iy=$(echo "$abs" | cut -d+ -f3)
xdotool windowminimize "$main"
for _ in $(seq 1 50); do
    xdotool search --onlyvisible --name '^Vornet-Halvik$' >/dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --onlyvisible --name '^Vornet-Halvik$' >/dev/null 2>&1 && fail "minimising did not hide the window"
xdotool mousemove $((ix + ${size%x*} / 2)) $((iy + ${size#*x} / 2)) click --repeat 2 --delay 80 1
wait_window '^Vornet-Halvik$' 10 >/dev/null || fail "a double-click on the tray icon did not bring the window back"
shot restored
echo "ok: tray icon, hidden on minimise, restored by a double-click"
echo "1 passed, 0 failed"
