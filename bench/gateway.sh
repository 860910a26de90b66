#!/usr/bin/env bash
# The logger against hart-loop-sim --gateway 100 on loopback for SECONDS (default 40): how soon
# after the session opens the list of instruments is complete (from the simulator's log) and
# every one recorded, how often
# each instrument's values come (the longest gap between two of its lines, the delayed
# answerers and the one that leaves aside), and the logger's memory per instrument against the
# simulator's ordinary loop of three.
# Usage: bench/gateway.sh [SECONDS]   (the Release build in build/, made by ./run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-40}"
bin=build/bin
[ -x "$bin/corvantelis-logger" ] || { echo "build the Release tree first (./run.sh)"; exit 2; }
work=$(mktemp -d)
trap 'pkill -P $$ 2>/dev/null || true; rm -rf "$work"' EXIT
port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

run() { # name, simulator arguments...: leaves $work/name/{logger.out,rss,csv}
    local name=$1; shift
    local p; p=$(port)
    mkdir -p "$work/$name/s" "$work/$name/r"
    "$bin/hart-loop-sim" --link "$work/$name/link" --hartip "$p" "$@" > "$work/$name/sim.out" 2>&1 &
    local sim=$!
    sleep 1
    "$bin/corvantelis-logger" --port "hartip://127.0.0.1:$p" --settings-dir "$work/$name/s/" \
        --results-dir "$work/$name/r" > "$work/$name/logger.out" 2>&1 &
    local logger=$!
    date +%s.%N > "$work/$name/started"
    sleep "$seconds"
    awk '/VmRSS/ {print $2}' "/proc/$logger/status" > "$work/$name/rss"
    kill -TERM "$logger"; wait "$logger" || true
    kill -TERM "$sim"; wait "$sim" || true
    cat "$work"/$name/r/*/*/*.csv > "$work/$name/csv"
}

run gateway --gateway 100 --fast --log "$work/wire.log"
run loop --fast
python3 - "$work" "$seconds" <<'PY'
import sys, datetime, collections
work, seconds = sys.argv[1], float(sys.argv[2])
def lines(name):
    rows = []
    for line in open(f"{work}/{name}/csv").read().splitlines()[1:]:
        f = line.split(",")
        rows.append((datetime.datetime.fromisoformat(f[0]).timestamp(), f[1], f[2]))
    return rows
rows = lines("gateway")
start = rows[0][0]
first, gaps, last, gap_end = {}, collections.defaultdict(float), {}, {}
for t, index, address in rows:
    if address == "26E10A0001":
        continue
    key = int(index)
    first.setdefault(key, t)
    if key in last and t - last[key] > gaps[key]:
        gaps[key] = t - last[key]
        gap_end[key] = t - start
    last[key] = t
every = [k for k in range(1, 101) if k in first]
print(f"instruments recorded: {len(every)} of 100 (the 100th leaves for the last 20 s of each minute)")
print(f"all of 1..99 recorded within {max(first[k] for k in range(1, 100)) - start:.1f} s of the first line")
prompt = [gaps[k] for k in range(1, 100) if k % 4]
late = [gaps[k] for k in range(1, 100) if k % 4 == 0]
print(f"longest gap between two lines of an instrument: {max(prompt):.1f} s (prompt answerers), {max(late):.1f} s (delayed responses)")
worst = sorted(range(1, 100), key=lambda k: -gaps[k])[:5]
print("the longest gaps ended at " + ", ".join(f"{gap_end[k]:.1f} s (no. {k}: {gaps[k]:.1f} s)" for k in worst))
print(f"lines of the instruments behind it: {len(rows)} in {seconds:.0f} s")
# The list, from the simulator's own log: its first frame heard (the session has just opened)
# to the last command 84 (82 A6 E1 0A 00 01 54 ...).
wire = [l.split(" ", 2) for l in open(f"{work}/wire.log").read().splitlines() if " RX " in l]
first_frame = int(wire[0][0])
last_84 = min(int(w[0]) for w in wire if w[2].startswith("82 A6 E1 0A 00 01 54 02 00 64"))
print(f"the list read (command 84 to index 100) {(last_84 - first_frame) / 1000:.1f} s after the first request")
# Read again each time the 100th left or came back (from 40 s, and at 60 s, of each minute).
reads = sorted(int(w[0]) for w in wire if w[2].startswith("82 A6 E1 0A 00 01 54 02 00 01"))
print("the list read at " + ", ".join(f"{(t - first_frame) / 1000:.1f} s" for t in reads))
rss = {n: int(open(f"{work}/{n}/rss").read()) for n in ("gateway", "loop")}
print(f"logger memory: {rss['gateway']} kB with 100 behind a gateway, {rss['loop']} kB with a loop of three: {(rss['gateway'] - rss['loop']) / 100:.1f} kB an instrument")
PY
grep -h "I/O system" "$work"/gateway/logger.out || true
