#!/usr/bin/env bash
# Request-to-request gaps on the wire: the monitor (Release build) polls hart-loop-sim under
# Xvfb for a while, and the gaps between the requests the simulator heard are printed from its
# log. Prints figures only; asserts nothing.
#   bench/wire_timing.sh [SECONDS [MONITOR OPTIONS...]]     (default 60)
# With --record among the options it also tells how much the run recorded, and what a day of
# it comes to.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
[ $# -gt 0 ] && shift
monitor_options=("$@")

source "$here/scripts/deps.sh"
source "$here/scripts/xvfb.sh"
source "$here/scripts/session.sh"
start_bench "$here" "${XVFB_PACKAGES[@]}"
bin="$BIN"
workdir="$WORKDIR"

"$bin/hart-loop-sim" --link "$workdir/loop" --log "$workdir/sim.log" >"$workdir/sim.out" 2>&1 &
SESSION_PIDS+=($!)
for _ in $(seq 50); do [ -e "$workdir/loop" ] && break; sleep 0.1; done

start_xvfb "$workdir/xvfb.log"
# A settings folder of its own, so the benchmark leaves the user's settings alone.
ProgramFiles="$workdir/programs" "$bin/corvantelis" --port "$workdir/loop" "${monitor_options[@]}" \
    >"$workdir/monitor.log" 2>&1 &
SESSION_PIDS+=($!)
window="$(wait_for_window Corvantelis)"
answer_scan_question "$window"
echo "Polling the simulated loop for $seconds s..."
sleep "$seconds"

awk '$2 == "RX" { if (seen) print $1 - last; last = $1; seen = 1 }' "$workdir/sim.log" |
    sort -n >"$workdir/gaps"
count=$(wc -l <"$workdir/gaps")
if [ "$count" -eq 0 ]; then
    echo "No requests were heard; the monitor's output:" >&2
    cat "$workdir/monitor.log" >&2
    exit 1
fi
pick() { sed -n "$1p" "$workdir/gaps"; }
p50=$(( (count + 1) / 2 ))
p99=$(( (count * 99 + 99) / 100 ))
echo "request-to-request gaps over $count intervals (ms):"
echo "  min $(pick 1)  median $(pick "$p50")  p99 $(pick "$p99")  max $(pick "$count")"

recorded="$(sed -n 's/^Corvantelis: recording to //p' "$workdir/monitor.log" | tail -n 1)"
if [ -n "$recorded" ]; then
    lines=$(($(wc -l <"$recorded") - 1))
    bytes=$(wc -c <"$recorded")
    echo "recorded $lines lines, $bytes bytes in $seconds s: $((bytes * 86400 / seconds / 1024)) KiB a day"
fi
