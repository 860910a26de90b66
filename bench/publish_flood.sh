#!/usr/bin/env bash
# A HART-IP server that publishes one known instrument's command-3 frame 10 000 times a second,
# unasked, and a disk whose every sync takes 4 ms more: how the logger's memory grows, how many
# lines reach the file, how many it drops and says so, and how long SIGTERM takes to end it.
# Usage: bench/publish_flood.sh [SECONDS] [RATE]   (defaults: 40 s, 10000 a second)
# Uses the Release build in build/ (./run.sh makes it).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-40}"
rate="${2:-10000}"
logger=build/bin/corvantelis-logger
[ -x "$logger" ] || { echo "build the Release tree first (./run.sh)"; exit 2; }
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
gcc -shared -fPIC -O2 -o "$work/slow_sync.so" bench/slow_sync.c -ldl
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 bench/flood_server.py "$port" "$rate" > "$work/server.log" 2>&1 &
server=$!
sleep 1
mkdir -p "$work/settings" "$work/results"
LD_PRELOAD="$work/slow_sync.so" "$logger" --port "hartip://127.0.0.1:$port" \
    --settings-dir "$work/settings/" --results-dir "$work/results" > "$work/logger.out" 2>&1 &
pid=$!
for ((t = 5; t <= seconds; t += 5)); do
    sleep 5
    echo "after ${t} s: logger RSS $(awk '/VmRSS/ {print $2}' /proc/$pid/status) kB"
done
start=$(date +%s.%N)
kill -TERM "$pid"
wait "$pid" || true
end=$(date +%s.%N)
lines=$(($(cat "$work"/results/*/*/*.csv | wc -l) - 1))
echo "SIGTERM to exit: $(echo "$end - $start" | bc) s"
echo "lines in the file: $lines"
echo "what the logger said:"
sed 's/^/  /' "$work/logger.out"
