#!/usr/bin/env bash
# Starts the real program under Xvfb from a temporary program folder, as a user
# would: with a database the main window appears; without one only the error box
# does, and the program ends once it is dismissed. Then on a desktop with a
# window manager and a tray: the icon appears, minimising hides the window, and
# a double-click on the icon brings it back. Last, a file keyed with the login
# password: the login opens it, and back from the tray it asks the password.
# usage: smoke.sh PROGRAM MKDB   (SMOKE_SHOTS=folder keeps screenshots)
set -u
exe=$1
mkdb=$2
work=$(mktemp -d)
app=""
# The helpers we start (Xvfb, twm, trayer): name -> process id. Each one's
# stderr is kept in $work/NAME.err, to tell why it ended if it does.
declare -A helper=()
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    for name in trayer twm Xvfb; do
        [ -n "${helper[$name]:-}" ] && kill "${helper[$name]}" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# Whether a process of ours still runs: an ended child that is not yet waited for
# still answers kill -0, so look at its state.
running() {
    local state
    state=$(sed -n 's/^.*) \([A-Za-z]\).*/\1/p' "/proc/$1/stat" 2>/dev/null)
    [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}
# Every named helper must still run; otherwise the step after it would fail for
# a reason that is not the program's.
need() {
    local name
    for name in "$@"; do
        running "${helper[$name]}" || fail "$name exited: $(cat "$work/$name.err")"
    done
}

cp "$exe" "$work/vornet-halvik"
"$mkdb" "$work/bookkeep.dat" || fail "cannot make a database"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$work/run" && chmod 700 "$work/run"
unset QT_QPA_PLATFORM

# Xvfb picks a free display itself and writes its number once it accepts
# clients. -noreset: otherwise the server resets whenever its last client
# leaves, and a program started just then cannot connect.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>"$work/Xvfb.err" &
helper[Xvfb]=$!
for _ in $(seq 1 100); do
    grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null && break
    need Xvfb
    sleep 0.1
done
grep -q '^[0-9][0-9]*$' "$work/display" || fail "Xvfb gave no display number: $(cat "$work/Xvfb.err")"
export DISPLAY=":$(cat "$work/display")"
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "no connection to Xvfb on $DISPLAY"

# The first visible window titled exactly NAME. The title is taken from
# _NET_WM_NAME: the one xdotool's search matches, WM_NAME, holds raw UTF-8 bytes
# when the program runs in a locale that is not UTF-8.
window_named() {
    local id
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
    done
    return 1
}
wait_window() { # name, seconds
    for _ in $(seq 1 $(($2 * 10))); do
        window_named "$1" && return 0
        sleep 0.1
    done
    return 1
}
shot() { [ -n "${SMOKE_SHOTS:-}" ] && import -window root "$SMOKE_SHOTS/$1.png" 2>/dev/null; }

# With a database: the main window.
need Xvfb
"$work/vornet-halvik" >"$work/out1.txt" 2>&1 &
app=$!
main=$(wait_window Vornet-Halvik 30) || { need Xvfb; cat "$work/out1.txt"; fail "the main window did not appear"; }
sleep 1
shot main
running "$app" || fail "the program ended on its own"
kill "$app"
wait "$app" 2>/dev/null
app=""
echo "ok: main window $main"

# Without a database: only the error box, then the process ends.
rm -f "$work"/bookkeep.dat*
need Xvfb
"$work/vornet-halvik" >"$work/out2.txt" 2>&1 &
app=$!
box=$(wait_window 错误 30) || { need Xvfb; cat "$work/out2.txt"; fail "the error box did not appear"; }
sleep 0.5
shot error
window_named Vornet-Halvik >/dev/null && fail "a main window appeared without a database"
xdotool windowfocus --sync "$box" key Return
for _ in $(seq 1 100); do
    running "$app" || break
    sleep 0.1
done
running "$app" && fail "the program did not end after the error box"
app=""
echo "ok: error box $box, program ended"

# With a window manager and a tray host, started before the program. Both run in
# the C locale: in a UTF-8 one twm wants a font set that Xvfb's built-in fonts
# do not give, and ends at once. The program keeps the caller's locale.
"$mkdb" "$work/bookkeep.dat" || fail "cannot make a database"
printf 'RandomPlacement\nUsePPosition "on"\n' >"$work/.twmrc"
LC_ALL=C twm -f "$work/.twmrc" >/dev/null 2>"$work/twm.err" &
helper[twm]=$!
LC_ALL=C trayer --edge top --align right --widthtype pixel --width 120 --height 28 --SetDockType false \
    >/dev/null 2>"$work/trayer.err" &
helper[trayer]=$!
# Both are ready once twm has framed trayer's panel.
framed=""
for _ in $(seq 1 100); do
    need Xvfb twm trayer
    panel=$(window_named panel)
    if [ -n "$panel" ] && ! xwininfo -id "$panel" -tree 2>/dev/null | grep -q '^ *Parent window id: .*(the root window)'; then
        framed=1
        break
    fi
    sleep 0.1
done
[ -n "$framed" ] || fail "twm did not frame the tray host's panel"
"$work/vornet-halvik" >"$work/out3.txt" 2>&1 &
app=$!
main=$(wait_window Vornet-Halvik 30) || {
    need Xvfb twm trayer
    cat "$work/out3.txt"
    fail "the main window did not appear beside a tray"
}
# The icon: a small window of ours embedded in the tray ("WxH+x+y  +absx+absy").
icon=""
for _ in $(seq 1 100); do
    icon=$(xwininfo -root -tree 2>/dev/null | grep '"Vornet-Halvik": ("vornet-halvik"' |
        grep -oE ' [0-9]{1,2}x[0-9]{1,2}\+-?[0-9]+\+-?[0-9]+ +\+-?[0-9]+\+-?[0-9]+' | head -n 1)
    [ -n "$icon" ] && break
    sleep 0.1
done
[ -n "$icon" ] || {
    need Xvfb twm trayer
    cat "$work/out3.txt"
    fail "no tray icon appeared"
}
shot tray
size=$(echo "$icon" | awk '{print $1}' | cut -d+ -f1)
abs=$(echo "$icon" | awk '{print $2}')
ix=$(echo "$abs" | cut -d+ -f2)
iy=$(echo "$abs" | cut -d+ -f3)
need Xvfb twm trayer
xdotool windowminimize "$main"
for _ in $(seq 1 50); do
    window_named Vornet-Halvik >/dev/null || break
    sleep 0.1
done
if window_named Vornet-Halvik >/dev/null; then
    need Xvfb twm trayer
    fail "minimising did not hide the window"
fi
need Xvfb twm trayer
xdotool mousemove $((ix + ${size%x*} / 2)) $((iy + ${size#*x} / 2)) click --repeat 2 --delay 80 1
wait_window Vornet-Halvik 10 >/dev/null || {
    need Xvfb twm trayer
    fail "a double-click on the tray icon did not bring the window back"
}
shot restored
echo "ok: tray icon, hidden on minimise, restored by a double-click"

# A second start on the same folder: hidden to the tray again, the running copy
# comes back and the second one ends at once.
need Xvfb twm trayer
main=$(window_named Vornet-Halvik) || fail "the window is gone"
xdotool windowminimize "$main"
for _ in $(seq 1 50); do
    window_named Vornet-Halvik >/dev/null || break
    sleep 0.1
done
need Xvfb twm trayer
"$work/vornet-halvik" >"$work/out4.txt" 2>&1 &
second=$!
for _ in $(seq 1 100); do
    running "$second" || break
    sleep 0.1
done
running "$second" && fail "a second copy of the program kept running"
wait "$second" || fail "the second copy ended with an error: $(cat "$work/out4.txt")"
running "$app" || fail "the running copy ended when a second one started"
wait_window Vornet-Halvik 10 >/dev/null || {
    need Xvfb twm trayer
    fail "a second start did not bring the running copy's window back"
}
echo "ok: a second start brings the running copy forward and ends"

# With the login password as the file's key: the login dialog opens the file, and
# hidden to the tray the program comes back only through the password again.
kill "$app"
wait "$app" 2>/dev/null
app=""
churn="$(dirname "$mkdb")/vh-churn"
# Two changes of key, each stopped once the file has its new one: the password " second".
("$churn" rekey "$work" 0 reopened >/dev/null) 2>/dev/null
("$churn" rekey "$work" 1 reopened >/dev/null) 2>/dev/null
type_password() { # the login dialog's window
    xdotool windowfocus --sync "$1" type --delay 30 " second"
    xdotool windowfocus --sync "$1" key Return
}
need Xvfb twm trayer
"$work/vornet-halvik" >"$work/out5.txt" 2>&1 &
app=$!
login=$(wait_window 先输入密码登录软件 30) || { cat "$work/out5.txt"; fail "no login dialog for a file keyed with a password"; }
window_named Vornet-Halvik >/dev/null && fail "the main window showed before the login"
shot login
type_password "$login"
main=$(wait_window Vornet-Halvik 30) || { cat "$work/out5.txt"; fail "the password did not open the file"; }
icon=""
for _ in $(seq 1 100); do
    icon=$(xwininfo -root -tree 2>/dev/null | grep '"Vornet-Halvik": ("vornet-halvik"' |
        grep -oE ' [0-9]{1,2}x[0-9]{1,2}\+-?[0-9]+\+-?[0-9]+ +\+-?[0-9]+\+-?[0-9]+' | head -n 1)
    [ -n "$icon" ] && break
    sleep 0.1
done
[ -n "$icon" ] || fail "no tray icon appeared after the login"
size=$(echo "$icon" | awk '{print $1}' | cut -d+ -f1)
ix=$(echo "$icon" | awk '{print $2}' | cut -d+ -f2)
iy=$(echo "$icon" | awk '{print $2}' | cut -d+ -f3)
xdotool windowminimize "$main"
for _ in $(seq 1 50); do
    window_named Vornet-Halvik >/dev/null || break
    sleep 0.1
done
window_named Vornet-Halvik >/dev/null && fail "minimising did not hide the window"
need Xvfb twm trayer
xdotool mousemove $((ix + ${size%x*} / 2)) $((iy + ${size#*x} / 2)) click --repeat 2 --delay 80 1
login=$(wait_window 先输入密码登录软件 10) || { shot nologin; fail "the tray brought the window back without asking the password"; }
window_named Vornet-Halvik >/dev/null && fail "the window showed before the password"
shot locked
type_password "$login"
wait_window Vornet-Halvik 10 >/dev/null || fail "the password did not bring the window back"
echo "ok: a file keyed with the password opens at the login; back from the tray only with it"
echo "1 passed, 0 failed"
