#!/usr/bin/env bash
# Start-up time and peak memory, fresh and large database, as ratios to an empty
# Qt window started the same way: each run execs the program on a private Xvfb
# (no window manager) through vh-startwatch, which reports exec -> first window
# mapped, exec -> event loop free again (all start-up work done), exec -> both
# trees filled and the root note shown (a milestone the program logs), and peak RSS.
# Runs alternate empty / fresh / large so that load from other processes spreads
# evenly; the first round warms the caches and is not counted.
# usage: startup.sh BINDIR [RUNS]     (BINDIR: build/bin)
set -eu
bin=$(cd "$1" && pwd)
runs=${2:-10}
work=$(mktemp -d)
xpid=""
trap 'kill $xpid 2>/dev/null; rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>"$work/Xvfb.err" &
xpid=$!
for _ in $(seq 1 100); do
    grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null && break
    kill -0 "$xpid" 2>/dev/null || break
    sleep 0.1
done
grep -q '^[0-9][0-9]*$' "$work/display" || fail "Xvfb exited: $(cat "$work/Xvfb.err")"
export DISPLAY=":$(cat "$work/display")" HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

"$bin/vh-mkdb" "$work/fresh.dat"
"$bin/vh-bigdata" "$work/large.dat"
for kind in fresh large; do
    mkdir -p "$work/$kind"
    cp "$bin/vornet-halvik" "$work/$kind/"
done

# One start; the database is copied in fresh each time, so every run finds the same file.
start() {
    local kind=$1
    if [ "$kind" = empty ]; then
        "$bin/vh-startwatch" "$bin/vh-emptywindow"
        return
    fi
    rm -f "$work/$kind"/bookkeep.dat* "$work/$kind"/Log*.log
    cp "$work/$kind.dat" "$work/$kind/bookkeep.dat"
    "$bin/vh-startwatch" "$work/$kind/vornet-halvik"
}

for round in $(seq 0 "$runs"); do
    for kind in empty fresh large; do
        line=$(start "$kind") || fail "$kind: $line"
        [ "$round" -eq 0 ] || echo "$kind $line" >>"$work/results"
    done
done

echo "load before/after: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v runs="$runs" '
function med(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j > 0 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
{
    split($2, m, "="); split($3, r, "="); split($4, p, "="); split($5, u, "="); split($6, t, "=")
    n[$1]++; map[$1, n[$1]] = m[2]; rdy[$1, n[$1]] = r[2]; rss[$1, n[$1]] = p[2]; cpu[$1, n[$1]] = u[2]; nts[$1, n[$1]] = t[2]
}
END {
    for (k in n) {
        for (i = 1; i <= n[k]; i++) { a[i] = map[k, i]; b[i] = rdy[k, i]; c[i] = rss[k, i]; d[i] = cpu[k, i]; e[i] = nts[k, i] }
        mm[k] = med(a, n[k]); lo[k] = a[1]; hi[k] = a[n[k]]
        rm[k] = med(b, n[k]); rlo[k] = b[1]; rhi[k] = b[n[k]]
        pm[k] = med(c, n[k]); phi[k] = c[n[k]]
        um[k] = med(d, n[k]); ulo[k] = d[1]; uhi[k] = d[n[k]]
        tm[k] = med(e, n[k]); tlo[k] = e[1]; thi[k] = e[n[k]]
    }
    printf "%-6s %8s %15s %8s %15s %9s %9s %8s %8s %11s\n", "", "mapped", "(min-max)", "ready", "(min-max)", "map/empty", "rdy/empty", "peak MB", "CPU", "(min-max)"
    split("empty fresh large", kinds, " ")
    for (i = 1; i <= 3; i++) {
        k = kinds[i]
        printf "%-6s %6.0f ms %6.0f-%-6.0f %6.0f ms %6.0f-%-6.0f %8.2fx %8.2fx %5.0f-%-3.0f %5.0f ms %4.0f-%-4.0f\n", k, mm[k], lo[k], hi[k], rm[k], rlo[k], rhi[k], mm[k] / mm["empty"], rm[k] / mm["empty"], pm[k], phi[k], um[k], ulo[k], uhi[k]
    }
    printf "(%d runs each; medians; ratios against the empty window'"'"'s median time to map)\n", runs
    printf "trees and root note shown: fresh %.0f ms (%.0f-%.0f) = %.2fx, large %.0f ms (%.0f-%.0f) = %.2fx\n", tm["fresh"], tlo["fresh"], thi["fresh"], tm["fresh"] / mm["empty"], tm["large"], tlo["large"], thi["large"], tm["large"] / mm["empty"]
}' "$work/results"
