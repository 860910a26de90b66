#!/usr/bin/env bash
# capture_read_back.sh BIN_DIR: the logger captures a shared line (a primary master polling one
# instrument, another bursting) as the secondary master, and Wireshark's tshark reads the file
# back: no malformed packet and no expert warning or error, every packet HART-IP, and the PVs
# it finds in command-3 frames include every PV the CSV recorded.
set -euo pipefail
bin=$1
if ! command -v tshark >/dev/null; then
    echo "SKIP: tshark is not installed (./test.sh installs it)"
    exit 0
fi
work=$(mktemp -d)
cleanup() {
    [ -n "${sim:-}" ] && kill "$sim" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cat >"$work/loop.json" <<'JSON'
{"otherMaster": {"role": "primary", "address": 1, "periodMs": 900},
 "instruments": [
   {"address": 1, "hartRevision": 5, "manufacturer": 60, "deviceType": 81, "deviceId": "102031",
    "tag": "PT-101", "variables": [{"units": 12, "value": 250}, {"units": 32, "value": 21},
                                   {"units": 12, "value": 1.5}, {"units": 32, "value": 20}]},
   {"address": 2, "hartRevision": 7, "manufacturer": 164, "deviceType": 62, "deviceId": "0B5C7E",
    "tag": "TT-202", "burst": {"command": 3, "periodMs": 700},
    "variables": [{"units": 32, "value": 85.25}, {"units": 32, "value": 21.5},
                  {"units": 32, "value": 19}, {"units": 32, "value": 18}]}]}
JSON
"$bin/hart-loop-sim" --config "$work/loop.json" --link "$work/loop" >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/loop" ] && break; sleep 0.1; done
timeout -s TERM 8 "$bin/corvantelis-logger" --port "$work/loop" --settings-dir "$work/settings" \
    --results-dir "$work/results" --master secondary --capture "$work/line.pcapng" \
    >"$work/logger.out" 2>&1 || true
capture=$work/line.pcapng
grep -q "frames captured in $capture" "$work/logger.out" || {
    cat "$work/logger.out"
    echo "FAIL: the logger did not say it captured"
    exit 1
}
read_capture() { tshark -r "$capture" "$@" 2>/dev/null; }
packets=$(read_capture | wc -l)
[ "$packets" -ge 10 ] || { echo "FAIL: only $packets packets"; exit 1; }
not_hart_ip=$(read_capture -Y '!hart_ip || _ws.malformed' | wc -l)
[ "$not_hart_ip" -eq 0 ] || { echo "FAIL: $not_hart_ip packets not HART-IP or malformed"; exit 1; }
# Expert information above a comment (every packet carries one: its preamble count).
if read_capture -q -z expert | grep -E '^ +[0-9]+ +[A-Za-z ]+ +(Warning|Error)|Warns|Errors'; then
    echo "FAIL: expert warnings or errors"
    exit 1
fi
# The PVs the analyzer reads in command-3 answers and bursts, against the CSV's.
read_capture -Y 'hart_ip.pt.command == 3 && hart_ip.message_type != 0' -T fields \
    -e hart_ip.pt.rsp.pv | sort -u >"$work/captured"
csv=$(find "$work/results" -name '*.csv' | head -n1)
tail -n +2 "$csv" | cut -d, -f6 | sort -u >"$work/recorded"
[ -s "$work/recorded" ] || { echo "FAIL: nothing recorded"; exit 1; }
missing=$(comm -23 "$work/recorded" "$work/captured")
if [ -n "$missing" ]; then
    echo "FAIL: PVs recorded but not in the capture: $missing (captured: $(tr '\n' ' ' <"$work/captured"))"
    exit 1
fi
echo "serial line: $packets packets, PVs $(tr '\n' ' ' <"$work/recorded")"

# Over HART-IP (TCP) the messages go into the capture as they were sent and received.
port=$((20000 + $$ % 20000))
kill "$sim" 2>/dev/null
"$bin/hart-loop-sim" --link "$work/loop2" --hartip "$port" >"$work/sim2.out" 2>&1 &
sim=$!
for _ in $(seq 50); do grep -q "HART-IP" "$work/sim2.out" 2>/dev/null && break; sleep 0.1; done
capture=$work/network.pcapng
timeout -s TERM 5 "$bin/corvantelis-logger" --port "hartip://127.0.0.1:$port" \
    --settings-dir "$work/settings" --results-dir "$work/results" --capture "$capture" \
    >"$work/logger2.out" 2>&1 || true
read_capture() { tshark -r "$capture" -d "udp.port==$port,hart_ip" "$@" 2>/dev/null; }
initiate=$(read_capture -Y 'hart_ip.message_id == 0' | wc -l)
pass_through=$(read_capture -Y 'hart_ip.message_id == 3' | wc -l)
broken=$(read_capture -Y '!hart_ip || _ws.malformed' | wc -l)
if [ "$initiate" -lt 2 ] || [ "$pass_through" -lt 4 ] || [ "$broken" -ne 0 ]; then
    cat "$work/logger2.out"
    echo "FAIL: HART-IP capture: $initiate session initiate, $pass_through pass-through, $broken broken"
    exit 1
fi
echo "OK; HART-IP: $initiate session initiate and $pass_through pass-through messages"
