#!/usr/bin/env bash
# Kills the program's database work at random moments and checks after each kill
# that the file is whole and that nothing stored was lost or changed. Takes
# minutes; not part of the tests.
#
#   tools/durability.sh BIN [ROUNDS] [NOTE]   BIN: the build's bin folder (build/bin)
#
# With NOTE, the root note starts NOTE characters long, so that the log is written
# back every few keystrokes and many kills land in a write-back; part 2 is then
# left out (the program would take long to lay out a note of one line that long).
#
# Part 1, ROUNDS rounds: vh-churn types into the root note, adds and deletes
# groups, backs up and restores, and is killed with SIGKILL after a random time.
# Part 2, ROUNDS/4 rounds: the real program under Xvfb gets keystrokes typed into
# its note and is killed the same way. Every round ends with `vh-churn check`:
# integrity_check ok, the note still a prefix of the one text ever typed, no note
# left without its group, and (part 1) the note as long as the last keystroke
# reported stored, or one longer.
set -u
bin=$(cd "$1" && pwd)
rounds=${2:-60}
noteLength=${3:-0}
work=$(mktemp -d)
xpid=""
app=""
cleanup() {
    [ -n "$app" ] && kill -9 "$app" 2>/dev/null
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$bin/vh-mkdb" "$work/bookkeep.dat" || fail "cannot make a database"
if [ "$noteLength" -gt 0 ]; then
    "$bin/vh-churn" grow "$work" "$noteLength" >/dev/null || fail "cannot make the note"
fi
export HOME="$work" XDG_CONFIG_HOME="$work/config"
passed=0
failed=0
checkOk() { # prints the stored note length
    out=$("$bin/vh-churn" check "$work") || {
        echo "$out" >&2
        return 1
    }
    echo "$out" | awk '{print $2}'
}

backupLength=-1
for round in $(seq 1 "$rounds"); do
    "$bin/vh-churn" run "$work" "$round" >"$work/churn.out" 2>"$work/churn.err" &
    pid=$!
    sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", 0.05 + (r % 150) / 100 }')"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    last=$(grep -E '^(K|B|R) ' "$work/churn.out" | tail -n 1 | awk '{print $2}')
    b=$(grep -E '^B ' "$work/churn.out" | tail -n 1 | awk '{print $2}')
    [ -n "$b" ] && backupLength=$b
    if ! stored=$(checkOk); then
        failed=$((failed + 1))
        echo "round $round: the check failed"
        continue
    fi
    # The keystroke in flight may have been stored without being reported, and an
    # unreported restore brings back the last backup's note.
    if [ -n "$last" ] && [ "$stored" != "$last" ] && [ "$stored" != $((last + 1)) ] &&
        [ "$stored" != "$backupLength" ]; then
        failed=$((failed + 1))
        echo "round $round: note of $stored characters, $last were reported stored"
        continue
    fi
    passed=$((passed + 1))
done
echo "part 1: $passed rounds whole, $failed not ($(grep -c . "$work/churn.out") operations in the last round)"

# Part 2: the real program, typed into.
if [ "$noteLength" -gt 0 ]; then
    echo "part 2: left out with a long note"
    [ "$failed" -eq 0 ] || exit 1
    exit 0
fi
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xpid=$!
for _ in $(seq 1 50); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
exec 3>&-
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
cp "$bin/vornet-halvik" "$work/"
letters() { # the text's characters from $1 to $2
    awk -v a="$1" -v b="$2" 'BEGIN { for (i = a; i < b; i++) printf "%c", 97 + (i * 7 + int(i / 26)) % 26 }'
}
stored=$(checkOk) || fail "the database is damaged before part 2"
typedRounds=$((rounds / 4 > 0 ? rounds / 4 : 1))
p2passed=0
for round in $(seq 1 "$typedRounds"); do
    "$work/vornet-halvik" >/dev/null 2>&1 &
    app=$!
    win=""
    for _ in $(seq 1 100); do
        win=$(xdotool search --onlyvisible --name '^Vornet-Halvik$' 2>/dev/null | head -n 1)
        [ -n "$win" ] && break
        sleep 0.1
    done
    [ -n "$win" ] || fail "round $round: the window did not appear"
    sleep 0.5
    # Into the root note's memo, at its end.
    # (Each step settled before the next: a key sent before the click has moved
    # the focus would go to the tree, and the typing would land mid-text.)
    xdotool mousemove --window "$win" 500 200 click 1
    sleep 0.3
    xdotool key ctrl+End
    sleep 0.2
    xdotool type --delay 15 "$(letters "$stored" $((stored + 200)))" &
    typer=$!
    sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", 0.3 + (r % 250) / 100 }')"
    kill -9 "$app" 2>/dev/null
    wait "$app" 2>/dev/null
    app=""
    kill "$typer" 2>/dev/null
    wait "$typer" 2>/dev/null
    # A typist killed between pressing and releasing a key leaves it held, and the
    # server would repeat it into the next round's window.
    xdotool keyup $(echo {a..z}) 2>/dev/null
    before=$stored
    stored=$(checkOk) || fail "round $round: the check failed after the program was killed"
    [ "$stored" -ge "$before" ] || fail "round $round: the note shrank from $before to $stored characters"
    p2passed=$((p2passed + 1))
done
echo "part 2: $p2passed rounds whole, the note now $stored characters long"
[ "$failed" -eq 0 ] || exit 1
