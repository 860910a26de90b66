#!/usr/bin/env bash
# The logger listening only, with a capture (Release build), on a line hart-loop-sim shares as a
# control system does: a primary master finding and reading three instruments (commands 0, 13, 3
# in turn, one request every 250 ms), one of them also bursting command 3 every 2 s. After
# SECONDS it prints what the simulator sent, what the logger heard, what the capture holds, what
# tshark reads in it and whether its PVs are the CSV's, and the capture's size a day at this
# rate. Asserts nothing.
#   bench/listen_capture.sh [SECONDS]     (default 600)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"

source "$here/scripts/deps.sh"
source "$here/scripts/session.sh"
start_bench "$here" "${CAPTURE_CHECK_PACKAGES[@]}"
bin="$BIN"
work="$WORKDIR"

cat >"$work/plant.json" <<'JSON'
{"otherMaster": {"role": "primary", "addresses": [1, 2, 3], "commands": [0, 13, 3],
                 "periodMs": 250},
 "instruments": [
  {"address": 1, "hartRevision": 5, "manufacturer": 60, "deviceType": 81, "deviceId": "102031",
   "tag": "PT-101", "variables": [{"units": 12, "value": 250}, {"units": 32, "value": 21},
                                  {"units": 12, "value": 1.5}, {"units": 32, "value": 20}]},
  {"address": 2, "hartRevision": 7, "manufacturer": 164, "deviceType": 62, "deviceId": "0B5C7E",
   "tag": "TT-202", "variables": [{"units": 32, "value": 85.25}, {"units": 32, "value": 21.5},
                                  {"units": 32, "value": 19}, {"units": 32, "value": 18}]},
  {"address": 3, "hartRevision": 7, "manufacturer": 164, "deviceType": 63, "deviceId": "0C0001",
   "tag": "FT-303", "burst": {"command": 3, "periodMs": 2000},
   "variables": [{"units": 19, "value": 44.5}, {"units": 32, "value": 20},
                 {"units": 32, "value": 19}, {"units": 32, "value": 18}]}]}
JSON
"$bin/hart-loop-sim" --config "$work/plant.json" --link "$work/loop" --log "$work/wire" \
    >"$work/sim.out" 2>&1 &
sim=$!
SESSION_PIDS+=("$sim")
for _ in $(seq 50); do [ -e "$work/loop" ] && break; sleep 0.1; done
"$bin/corvantelis-logger" --port "$work/loop" --settings-dir "$work/settings" \
    --results-dir "$work/results" --listen --capture "$work/line.pcapng" >"$work/logger.out" 2>&1 &
logger=$!
SESSION_PIDS+=("$logger")
echo "Listening for $seconds s..."
sleep "$seconds"
kill -TERM "$logger"
wait "$logger" || true
sleep 0.5 # the frame on the line when it stopped ends before the simulator does
kill -TERM "$sim"
wait "$sim" || true

capture="$work/line.pcapng"
sent=$(grep -c ' TX ' "$work/wire" || true)
written=$(grep -c ' RX ' "$work/wire" || true)
heard=$(sed -n 's/^\([0-9]*\) frames heard, .*/\1/p' "$work/logger.out" | tail -n1)
captured=$(sed -n 's/^\([0-9]*\) frames captured in .*/\1/p' "$work/logger.out")
# What tshark says of the file itself (a damaged file, a cut-off packet) is kept and shown.
read_capture() { tshark -r "$capture" "$@" 2>>"$work/tshark.err" || true; }
packets=$(read_capture | wc -l)
not_hart_ip=$(read_capture -Y '!hart_ip || _ws.malformed' | wc -l)
expert=$(read_capture -q -z expert | grep -cE 'Warns|Errors' || true)
read_capture -Y 'hart_ip.pt.command == 3 && hart_ip.message_type != 0' -T fields \
    -e hart_ip.pt.rsp.pv >"$work/captured_pvs"
csv=$(find "$work/results" -name '*.csv' | head -n1)
tail -n +2 "$csv" | cut -d, -f6 >"$work/recorded_pvs"
bytes=$(stat -c %s "$capture")
first_us=$(read_capture -T fields -e frame.time_epoch | head -n1)
last_us=$(read_capture -T fields -e frame.time_epoch | tail -n1)

# Each frame from its delimiter, as the simulator sent it and as the capture holds it.
awk '$2 == "TX" { f = ""; for (i = 3; i <= NF && $i ~ /^[0-9A-F][0-9A-F]$/; i++)
                  if (f != "" || $i != "FF") f = f $i; print f }' "$work/wire" >"$work/sent_frames"
read_capture -T fields -e udp.payload | tr -d ':' | tr 'a-f' 'A-F' | cut -c17- \
    >"$work/captured_frames"
# Where the capture begins among the frames sent, and whether from there on it holds every one.
window=$(awk 'NR == FNR { sent[++n] = $0; next }
              { got[++m] = $0 }
              END {
                  for (start = 1; start <= n && sent[start] != got[1]; start++) ;
                  missing = 0; k = start
                  for (j = 1; j <= m; j++) { while (k <= n && sent[k] != got[j]) { k++; missing++ } k++ }
                  printf "%d before the logger heard its first, %d missing in between, %d after it stopped",
                         start - 1, missing, n - (k - 1) }' "$work/sent_frames" "$work/captured_frames")

echo "frames the simulator sent:        $sent ($window)"
echo "bytes the logger wrote to the line: $written lines of RX in the wire log"
echo "frames the logger heard:          $heard"
echo "frames in the capture (logger):   $captured"
echo "packets tshark reads:             $packets ($not_hart_ip not HART-IP or malformed, $expert expert warning/error sections)"
echo "command-3 answers and bursts in the capture: $(wc -l <"$work/captured_pvs"); CSV lines: $(wc -l <"$work/recorded_pvs")"
# An instrument's values are recorded from when its polling address is known: the first frames,
# heard before the control system's command 0 to it, are not.
recorded=$(wc -l <"$work/recorded_pvs")
early=$(($(wc -l <"$work/captured_pvs") - recorded))
if tail -n "$recorded" "$work/captured_pvs" | cmp -s - "$work/recorded_pvs"; then
    echo "PVs: after the first $early (heard before their instrument was placed) the capture's and the CSV's are the same, line for line"
else
    echo "PVs: they differ:"
    tail -n "$recorded" "$work/captured_pvs" | diff - "$work/recorded_pvs" | head -n 10
fi
said=$(grep -v 'Running as user' "$work/tshark.err" | sort -u | head -n 5 || true)
if [ -n "$said" ]; then
    echo "tshark said: $said"
    cp "$capture" /tmp/listen_capture_kept.pcapng && echo "the capture is kept in /tmp/listen_capture_kept.pcapng"
fi
awk -v b="$bytes" -v f="$first_us" -v l="$last_us" 'BEGIN {
    span = l - f; if (span <= 0) span = 1
    printf "capture: %d bytes over %.0f s, %.1f MB a day at this rate\n", b, span, b / span * 86400 / 1e6 }'
