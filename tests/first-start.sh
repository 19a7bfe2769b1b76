#!/usr/bin/env bash
# Starts an installed program on a fresh home, headless, as a new user would: it
# makes its data folder with a fresh database and connects to it, a second start
# finds the running copy and ends, a later start keeps the database it finds, and
# $XDG_DATA_HOME chooses where the folder is. Nothing is made beside the program.
# usage: first-start.sh PROGRAM
set -u
exe=$1
work=$(mktemp -d)
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
# Starts on a fresh home, headless.
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
unset XDG_DATA_HOME XDG_CONFIG_HOME
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
data="$HOME/.local/share/Vornet-Halvik"
wait_for() { # path, seconds
    for _ in $(seq 1 $(($2 * 10))); do
        [ -e "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
# Whether a running copy holds the folder's lock (it takes it before anything else).
wait_held() { # lock file, seconds
    for _ in $(seq 1 $(($2 * 10))); do
        [ -e "$1" ] && ! flock -n "$1" true 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
# Waits for the copy to end; fails if it is still running.
ended() {
    for _ in $(seq 1 100); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

"$exe" >"$work/out1.txt" 2>&1 &
app=$!
wait_held "$data/bookkeep.dat.lock" 30 && wait_for "$data/bookkeep.dat" 30 ||
    { cat "$work/out1.txt"; fail "the first start made no data folder with a database"; }
# The shared-memory file of the database's log is there only while a connection is open.
wait_for "$data/bookkeep.dat-shm" 30 || fail "the program did not connect to its new database"
[ "$(stat -c %a "$data")" = 700 ] || fail "the data folder is open to others: $(stat -c %a "$data")"
# Once the running copy listens, a second start hands over to it and ends at once.
"$exe" >"$work/out2.txt" 2>&1 &
second=$!
ended "$second" || fail "a second start kept running"
wait "$second" || fail "the second start ended with an error: $(cat "$work/out2.txt")"
kill -0 "$app" 2>/dev/null || fail "the installed program ended on its own: $(cat "$work/out1.txt")"
kill "$app"
wait "$app" 2>/dev/null
app=""
[ -e "$(dirname "$exe")/bookkeep.dat" ] && fail "a database was made beside the installed program"
echo "ok: first start made $data"

# A database already there is kept, not replaced.
before=$(stat -c %i "$data/bookkeep.dat")
"$exe" >"$work/out3.txt" 2>&1 &
app=$!
wait_held "$data/bookkeep.dat.lock" 30 || fail "the program did not start again"
"$exe" >/dev/null 2>&1 || fail "a second start did not find the running copy"
[ "$(stat -c %i "$data/bookkeep.dat")" = "$before" ] || fail "the existing database was replaced"
kill "$app"
wait "$app" 2>/dev/null
app=""

# $XDG_DATA_HOME chooses where the data folder is.
export XDG_DATA_HOME="$work/xdg"
"$exe" >"$work/out4.txt" 2>&1 &
app=$!
wait_held "$XDG_DATA_HOME/Vornet-Halvik/bookkeep.dat.lock" 30 && wait_for "$XDG_DATA_HOME/Vornet-Halvik/bookkeep.dat" 30 || { cat "$work/out4.txt"; fail "XDG_DATA_HOME was not followed"; }
echo "ok: an existing database kept, XDG_DATA_HOME followed"
