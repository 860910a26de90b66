#!/usr/bin/env bash
# The logger beside the window on the same simulated loop (Release builds): resident memory,
# CPU while polling, and the request-to-request gaps the simulator heard. Each program polls
# its own hart-loop-sim for SECONDS, one after the other. Prints figures only; asserts nothing.
#   bench/logger_vs_window.sh [SECONDS]     (default 60)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"

source "$here/scripts/deps.sh"
source "$here/scripts/xvfb.sh"
source "$here/scripts/session.sh"
start_bench "$here" "${XVFB_PACKAGES[@]}"
bin="$BIN"
workdir="$WORKDIR"
start_xvfb "$workdir/xvfb.log"
ticks=$(getconf CLK_TCK)

rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

# measure NAME: starts the loop, the program (via start_NAME LOOP), lets it settle for a pass,
# then measures over SECONDS.
measure() {
    local name=$1 loop="$workdir/$1.loop" log="$workdir/$1.sim.log"
    "$bin/hart-loop-sim" --link "$loop" --log "$log" >"$workdir/$name.sim.out" 2>&1 &
    SESSION_PIDS+=($!)
    for _ in $(seq 50); do [ -e "$loop" ] && break; sleep 0.1; done
    local pid
    pid=$("start_$name" "$loop")
    SESSION_PIDS+=("$pid")
    sleep 15 # the first pass: instruments found, files made
    local before after
    before=$(cpu_ticks "$pid")
    sleep "$seconds"
    after=$(cpu_ticks "$pid")
    local rss
    rss=$(rss_kib "$pid")
    awk '$2 == "RX" { if (seen) print $1 - last; last = $1; seen = 1 }' "$log" | sort -n \
        >"$workdir/$name.gaps"
    local count
    count=$(wc -l <"$workdir/$name.gaps")
    pick() { sed -n "$1p" "$workdir/$name.gaps"; }
    printf '%-7s RSS %6d KiB   CPU %5.2f %% of a core   gaps (ms) over %d: min %s median %s max %s\n' \
        "$name" "$rss" "$(awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" \
            'BEGIN { print 100 * t / hz / s }')" "$count" "$(pick 1)" "$(pick $(((count + 1) / 2)))" \
        "$(pick "$count")"
    echo "$rss" >"$workdir/$name.rss"
    kill "$pid"
}

start_window() {
    ProgramFiles="$workdir/window-programs" "$bin/corvantelis" --port "$1" --record \
        >"$workdir/window.log" 2>&1 &
    local pid=$!
    local window
    window="$(wait_for_window Corvantelis)"
    answer_scan_question "$window"
    echo "$pid"
}

start_logger() {
    "$bin/corvantelis-logger" --port "$1" --settings-dir "$workdir/logger-settings" \
        >"$workdir/logger.log" 2>&1 &
    echo $!
}

echo "Each program polls the default simulated loop for $seconds s after a first pass..."
measure window
measure logger
echo "logger's resident memory: $((100 * $(cat "$workdir/logger.rss") / $(cat "$workdir/window.rss"))) % of the window's"
