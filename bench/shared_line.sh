#!/usr/bin/env bash
# The logger as secondary master on a line it shares (Release build): hart-loop-sim plays a
# primary master polling the instrument at address 1 every second and an instrument at address 2
# bursting command 3 every half second. Runs until the logger has sent TRANSACTIONS requests,
# then prints what the simulator's wire log and the recording say. Asserts nothing.
#   bench/shared_line.sh [TRANSACTIONS]     (default 1000, some ten minutes)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
transactions="${1:-1000}"

source "$here/scripts/deps.sh"
source "$here/scripts/session.sh"
start_bench "$here"
bin="$BIN"
work="$WORKDIR"

cat >"$work/shared.json" <<'JSON'
{"otherMaster": {"role": "primary", "address": 1, "periodMs": 1000},
 "instruments": [
  {"address": 1, "hartRevision": 5, "manufacturer": 60, "deviceType": 81, "deviceId": "102031",
   "tag": "PT-101", "variables": [{"units": 12, "value": 250}]},
  {"address": 2, "hartRevision": 7, "manufacturer": 164, "deviceType": 62, "deviceId": "0B5C7E",
   "tag": "TT-202", "burst": {"command": 3, "periodMs": 500},
   "variables": [{"units": 32, "waveform": "sine", "min": 84, "max": 86, "period": 60}]}]}
JSON
"$bin/hart-loop-sim" --config "$work/shared.json" --link "$work/loop" --log "$work/wire" \
    >"$work/sim.out" 2>&1 &
sim=$!
SESSION_PIDS+=("$sim")
for _ in $(seq 50); do [ -e "$work/loop" ] && break; sleep 0.1; done
"$bin/corvantelis-logger" --port "$work/loop" --settings-dir "$work/settings" \
    --results-dir "$work/results" --master secondary >"$work/logger.out" 2>&1 &
logger=$!
SESSION_PIDS+=("$logger")
echo "Until the logger has sent $transactions requests (600 ms a step)..."
sent() { local n; n=$(grep -c ' RX ' "$work/wire" 2>/dev/null || true); echo "${n:-0}"; }
while [ "$(sent)" -lt "$transactions" ]; do sleep 1; done
kill "$logger"
wait "$logger" 2>/dev/null || true
kill "$sim"
wait "$sim" 2>/dev/null || true

csv="$(sed -n 's/^recording to //p' "$work/logger.out" | tail -n 1)"
count() { grep -c -- "$1" "$2" || true; }
ours=$(count ' RX ' "$work/wire")
answered=$(grep ' TX ' "$work/wire" | grep -vc 'other master\|burst' || true)
other=$(grep ' TX ' "$work/wire" | grep -c '[0-9A-F] other master$' || true)
otherAnswered=$(count 'to other master$' "$work/wire")
bursts=$(count ' burst$' "$work/wire")
recorded2=$(count ',2,243E0B5C7E,' "$csv")
asked2=$(grep ' RX ' "$work/wire" | awk '{ k = 3; while ($k == "FF") k++; if ($k == "82" && $(k+5) == "7E" && $(k+6) == "03") n++ } END { print n + 0 }')
echo "collisions:                     $(sed -n 's/^hart-loop-sim: \([0-9]*\) collisions/\1/p' "$work/sim.out")"
echo "our requests / answered:        $ours / $answered"
echo "other master's requests / answered: $other / $otherAnswered"
echo "burst frames sent:              $bursts"
echo "lines recorded for the burster: $recorded2 ($asked2 of them the pass's own command 3)"
echo "the logger said:                $(grep -c 'another master' "$work/logger.out" || true) time(s) another master"
