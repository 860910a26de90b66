#!/usr/bin/env bash
# HART-IP on loopback (Release builds): the logger polls hart-loop-sim --hartip over TCP, then
# over UDP, for SECONDS each. Prints how long a whole pass over addresses 0 to 15 takes (from
# one command 0 to address 1 to the next, as the simulator heard them), how many measurements
# a second that records, and how soon the session is open again after the server is stopped
# and started again. Prints figures only; asserts nothing.
#   bench/hartip_timing.sh [SECONDS]     (default 30)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"

source "$here/scripts/deps.sh"
source "$here/scripts/xvfb.sh"
source "$here/scripts/session.sh"
start_bench "$here"
bin="$BIN"
workdir="$WORKDIR"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# start_sim NAME PORT: hart-loop-sim serving HART-IP on PORT, its wire log in NAME.sim.log;
# prints its pid once it says it serves.
start_sim() {
    local name=$1 port=$2
    "$bin/hart-loop-sim" --link "$workdir/$name.loop" --log "$workdir/$name.sim.log" \
        --hartip "$port" >"$workdir/$name.sim.out" 2>&1 &
    local pid=$!
    for _ in $(seq 100); do grep -q HART-IP "$workdir/$name.sim.out" 2>/dev/null && break; sleep 0.05; done
    echo "$pid"
}

# count_open FILE: how many times the logger said its session opened.
count_open() { grep -c "HART-IP session open" "$1" 2>/dev/null || true; }

measure() {
    local scheme=$1 name=$1 port
    port=$(free_port)
    local sim
    sim=$(start_sim "$name" "$port")
    SESSION_PIDS+=("$sim")
    "$bin/corvantelis-logger" --port "$scheme://127.0.0.1:$port" \
        --settings-dir "$workdir/$name.settings" --results-dir "$workdir/$name.results" \
        >"$workdir/$name.out" 2>&1 &
    local logger=$!
    SESSION_PIDS+=("$logger")
    sleep "$seconds"

    awk '/ RX 02 81 00 00 83 / { if (seen) print $1 - last; last = $1; seen = 1 }' \
        "$workdir/$name.sim.log" | sort -n >"$workdir/$name.passes"
    local count
    count=$(wc -l <"$workdir/$name.passes")
    pick() { sed -n "$1p" "$workdir/$name.passes"; }
    echo "$scheme: $count whole passes in $seconds s (ms): min $(pick 1)  median $(pick $(((count + 1) / 2)))  max $(pick "$count")"
    local recorded
    recorded="$(sed -n 's/^recording to //p' "$workdir/$name.out" | tail -n 1)"
    if [ -n "$recorded" ] && [ -f "$recorded" ]; then
        local lines=$(($(wc -l <"$recorded") - 1)) bytes
        bytes=$(wc -c <"$recorded")
        echo "  recorded $lines measurements ($((lines / seconds)) a second), $((bytes * 86400 / seconds / 1024)) KiB a day"
    fi

    # The server stopped for 3 s, then started again on the same port.
    local before
    before=$(count_open "$workdir/$name.out")
    kill "$sim"
    wait "$sim" 2>/dev/null || true
    sleep 3
    local started
    started=$(now_ms)
    sim=$(start_sim "$name.again" "$port")
    SESSION_PIDS+=("$sim")
    local served=$(now_ms)
    for _ in $(seq 500); do
        [ "$(count_open "$workdir/$name.out")" -gt "$before" ] && break
        sleep 0.01
    done
    echo "  session open again $(($(now_ms) - served)) ms after the server served again ($((served - started)) ms to start it)"
}

measure hartip
measure hartip+udp
