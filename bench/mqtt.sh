#!/usr/bin/env bash
# The logger publishing to a local Mosquitto broker, against hart-loop-sim over HART-IP:
#  1. a run of RUN seconds (default 600) with the broker stopped for OUTAGE seconds (default 120)
#     in its middle: whether every recorded measurement arrived, once by its sequence number and
#     in order, and how long after the broker's return the last one taken meanwhile arrived;
#  2. 10 000 measurements waiting in the journal: how long until the last one arrived;
#  3. the logger's resident memory with MQTT and without, side by side for 60 s;
#  4. kill -9 of the logger: how long until the broker published its last will.
# Usage: bench/mqtt.sh [RUN] [OUTAGE]   (the Release build in build/, made by ./run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
run_seconds="${1:-600}"
outage="${2:-120}"
bin=build/bin
[ -x "$bin/corvantelis-logger" ] && [ -x "$bin/journal-fill" ] ||
    { echo "build the Release tree first (./run.sh)"; exit 2; }
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
now() { date +%s.%N; }

broker_port=$(port)
user_line=""; [ "$(id -u)" -eq 0 ] && user_line="user root"
printf '%s\nlistener %s 127.0.0.1\nallow_anonymous true\npersistence true\npersistence_location %s/\n' \
    "$user_line" "$broker_port" "$work" > "$work/mosquitto.conf"
start_broker() { mosquitto -c "$work/mosquitto.conf" >> "$work/broker.log" 2>&1 & broker=$!; pids+=("$broker"); sleep 0.5; }
stop_broker() { kill -TERM "$broker"; wait "$broker" 2>/dev/null || true; }
# Every message with its arrival time (seconds since the epoch), a persistent QoS 1 session.
subscribe() { # name
    mosquitto_sub -h 127.0.0.1 -p "$broker_port" -t 'corvantelis/#' -q 1 -c -i "bench-$1" \
        -F '%U %t %p' > "$work/$1.sub" 2>&1 &
    pids+=($!)
}
sim() { # name: serves the default loop over HART-IP; prints its port
    local p; p=$(port)
    "$bin/hart-loop-sim" --link "$work/$1.link" --hartip "$p" > "$work/$1.sim" 2>&1 &
    pids+=($!)
    echo "$p"
}
logger() { # name sim-port [more options]: the logger, its folders under $work/name
    local name=$1 simport=$2; shift 2
    mkdir -p "$work/$name/settings" "$work/$name/results"
    printf '[mqtt]\nsite=bench\nclientId=%s\n' "$name" > "$work/$name/settings/Corvantelis v.1.03.ini"
    "$bin/corvantelis-logger" --port "hartip://127.0.0.1:$simport" \
        --settings-dir "$work/$name/settings" --results-dir "$work/$name/results" "$@" \
        > "$work/$name.out" 2>&1 &
    pid=$!
    pids+=("$pid")
}
csv_lines() { cat "$work/$1"/results/*/*/*.csv 2>/dev/null | grep -vc '^time,' || true; }

start_broker

echo "== 1. $run_seconds s with the broker gone for $outage s in the middle"
subscribe main
logger main "$(sim main)" --mqtt "mqtt://127.0.0.1:$broker_port"
main=$pid
sleep $(( (run_seconds - outage) / 2 ))
down=$(now); stop_broker
sleep "$outage"
up=$(now); start_broker
sleep $(( (run_seconds - outage) / 2 ))
kill -TERM "$main"; wait "$main" || true
sleep 2
recorded=$(csv_lines main)
python3 - "$work/main.sub" "$recorded" "$down" "$up" <<'EOF'
import datetime, json, sys
path, recorded, down, up = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
first = {}; taken = {}; order = []; duplicates = 0
for line in open(path, encoding="utf-8"):
    parts = line.rstrip("\n").split(" ", 2)
    if len(parts) < 3 or not parts[1].endswith("/measurement"):
        continue
    message = json.loads(parts[2]); seq = message["seq"]
    if seq in first:
        duplicates += 1
        continue
    first[seq] = float(parts[0]); order.append(seq)
    taken[seq] = datetime.datetime.fromisoformat(message["time"]).timestamp()
missing = [s for s in range(1, recorded + 1) if s not in first]
out_of_order = sum(1 for a, b in zip(order, order[1:]) if b < a)
print(f"  recorded {recorded}; arrived {len(first)} distinct, {duplicates} duplicates, "
      f"{len(missing)} missing, {out_of_order} out of order")
meanwhile = [s for s in first if down <= taken[s] < up]
if meanwhile:
    late = max(first[s] for s in meanwhile) - up
    print(f"  {len(meanwhile)} taken while the broker was gone; the last of them arrived "
          f"{late:.2f} s after it was back")
EOF
grep -E "MQTT" "$work/main.out" | sed 's/^/  logger: /'

echo "== 2. 10 000 measurements waiting in the journal"
mkdir -p "$work/fill/results/mqtt"
"$bin/journal-fill" "$work/fill/results/mqtt/fill.journal" 10000 corvantelis/bench/fill/ | sed 's/^/  /'
subscribe fill
sleep 0.5
started=$(now)
logger fill "$(sim fill)" --mqtt "mqtt://127.0.0.1:$broker_port"
fill=$pid
for _ in $(seq 1 60); do
    grep -q '"seq":10000,' "$work/fill.sub" 2>/dev/null && break
    sleep 0.2
done
python3 - "$work/fill.sub" "$started" <<'EOF'
import json, sys
last = None
for line in open(sys.argv[1], encoding="utf-8"):
    parts = line.split(" ", 2)
    if len(parts) == 3 and '"seq":10000,' in parts[2]:
        last = float(parts[0]); break
print(f"  the 10000th arrived {last - float(sys.argv[2]):.2f} s after the logger started"
      if last else "  the 10000th never arrived")
EOF
kill -TERM "$fill"; wait "$fill" || true

echo "== 3. resident memory, 60 s side by side"
logger plain "$(sim plain)"
plain=$pid
logger mqtt "$(sim mqtt)" --mqtt "mqtt://127.0.0.1:$broker_port"
mqtt=$pid
sleep 60
rss_plain=$(awk '/VmRSS/ {print $2}' "/proc/$plain/status")
rss_mqtt=$(awk '/VmRSS/ {print $2}' "/proc/$mqtt/status")
echo "  without MQTT ${rss_plain} kB, with MQTT ${rss_mqtt} kB: $(echo "scale=3; $rss_mqtt / $rss_plain" | bc) times"
kill -TERM "$plain" "$mqtt"; wait "$plain" "$mqtt" || true

echo "== 4. kill -9"
subscribe will
logger will "$(sim will)" --mqtt "mqtt://127.0.0.1:$broker_port"
will=$pid
sleep 5
killed=$(now)
kill -KILL "$will"
for _ in $(seq 1 100); do
    grep -q 'status {"state":"offline","version"' "$work/will.sub" && break
    sleep 0.1
done
python3 - "$work/will.sub" "$killed" <<'EOF'
import sys
for line in open(sys.argv[1], encoding="utf-8"):
    parts = line.split(" ", 2)
    if len(parts) == 3 and parts[1].endswith("/status") and parts[2].startswith('{"state":"offline","version"'):
        print(f"  the last will arrived {float(parts[0]) - float(sys.argv[2]):.3f} s after kill -9 "
              "(keep-alive 30 s)")
        break
else:
    print("  no last will within 10 s")
EOF
