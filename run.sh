#!/usr/bin/env bash
# Builds Corvantelis and runs it.
#   ./run.sh                 the monitor on a simulated loop (hart-loop-sim on a pseudo-terminal)
#   ./run.sh --port DEVICE   the monitor on a real HART modem at DEVICE, e.g. /dev/ttyUSB0, or a
#                            HART-IP server, e.g. hartip://10.0.0.5
# With no display it runs the same under Xvfb, answers the scan question, lets the loop be
# polled for about twenty seconds, recording its measurements into a scratch settings and
# results folder of its own (./corvantelis-demo/, never your own settings or results), and
# leaves a screenshot in ./corvantelis-demo.png; then, on the simulator's point-to-point loop, it
# opens the instrument view for address 0 (whose output has drifted), lets it read the
# instrument's details, and leaves ./corvantelis-instrument.png beside it (on a real port: the
# view of address 5), and names the file it recorded into.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
demo_seconds=20

usage() { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; }

port=""
while [ $# -gt 0 ]; do
    case "$1" in
    --port) [ $# -ge 2 ] || { echo "--port needs a device, e.g. --port /dev/ttyUSB0" >&2; exit 2; }
            port="$2"; shift 2 ;;
    --port=*) port="${1#--port=}"; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "Unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
done
# A network address (hartip://HOST[:PORT], hartip+udp://, hartips://) is no file to look for.
if [ -n "$port" ] && [[ "$port" != hartip://* && "$port" != hartip+udp://* && "$port" != hartips://* ]] &&
    [ ! -e "$port" ]; then
    echo "No such device: $port" >&2
    exit 2
fi

headless=0
[ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && headless=1

source "$here/scripts/deps.sh"
source "$here/scripts/xvfb.sh"
source "$here/scripts/session.sh"
packages=("${BUILD_PACKAGES[@]}")
[ "$headless" -eq 1 ] && packages+=("${XVFB_PACKAGES[@]}")
ensure_packages "${packages[@]}"

build_programs "$here"
bin="$BIN"
start_session
workdir="$WORKDIR"

# start_simulator LINK [ARGUMENTS...]: hart-loop-sim on a pseudo-terminal that LINK names.
start_simulator() {
    local link="$1"
    shift
    "$bin/hart-loop-sim" --link "$link" "$@" >"$link.out" 2>&1 &
    SESSION_PIDS+=($!)
    SIMULATOR=$!
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
    if [ ! -e "$link" ]; then
        echo "hart-loop-sim did not start:" >&2
        cat "$link.out" >&2
        exit 1
    fi
    head -n 1 "$link.out"
}

if [ -n "$port" ]; then
    device="$port"
    echo "Monitoring the loop on $port."
else
    start_simulator "$workdir/loop"
    device="$workdir/loop"
fi

if [ "$headless" -eq 0 ]; then
    "$bin/corvantelis" --port "$device"
    exit 0
fi

# No display: the same run under Xvfb, photographed. Its settings and recordings go into a
# scratch folder of the demo's own: the settings folder is the programs folder's, and the
# results folder defaults to it.
start_xvfb "$workdir/xvfb.log"
demo_dir="$PWD/corvantelis-demo"
mkdir -p "$demo_dir"

ProgramFiles="$demo_dir" "$bin/corvantelis" --port "$device" --record >"$workdir/monitor.log" 2>&1 &
monitor=$!
SESSION_PIDS+=("$monitor")
window="$(wait_for_window Corvantelis)" || true
if [ -z "$window" ]; then
    echo "The monitor's window did not appear:" >&2
    cat "$workdir/monitor.log" >&2
    exit 1
fi
answer_scan_question "$window"
echo "Polling the loop for ${demo_seconds} seconds under Xvfb ($DISPLAY)..."
sleep "$demo_seconds"
if ! kill -0 "$monitor" 2>/dev/null; then
    echo "The monitor ended early:" >&2
    cat "$workdir/monitor.log" >&2
    exit 1
fi
import -window "$window" "$PWD/corvantelis-demo.png"
echo "Screenshot: $PWD/corvantelis-demo.png"

# The instrument view, opened as an engineer would: a double-click on its row. Its loop check
# needs a live current, which no instrument of a multidrop loop sends: on the simulator, the
# monitor moves to the point-to-point loop, the drifted flow meter alone at address 0.
address=5
if [ -z "$port" ]; then
    address=0
    kill "$monitor"
    wait "$monitor" 2>/dev/null || true
    start_simulator "$workdir/point-to-point" --loop point-to-point
    ProgramFiles="$demo_dir" "$bin/corvantelis" --port "$workdir/point-to-point" \
        >>"$workdir/monitor.log" 2>&1 &
    monitor=$!
    SESSION_PIDS+=("$monitor")
    window="$(wait_for_window Corvantelis)" || true
    [ -n "$window" ] || { echo "The monitor's window did not appear again:" >&2; exit 1; }
    answer_scan_question "$window"
    sleep 12 # a pass over the sixteen addresses, most of them silent
fi
open_instrument_view "$window" "$address"
view="$(wait_for_window "$(printf 'Instrument %02d' "$address")")" || true
if [ -z "$view" ]; then
    echo "The instrument view for address $address did not open:" >&2
    cat "$workdir/monitor.log" >&2
    exit 1
fi
# Its details take a step each (twelve for this HART 7 instrument) before the pass goes on.
sleep 10
import -window "$view" "$PWD/corvantelis-instrument.png"
echo "Screenshot: $PWD/corvantelis-instrument.png"

# The demo recorded its measurements; the monitor names the file on standard error.
recorded="$(sed -n 's/^Corvantelis: recording to //p' "$workdir/monitor.log" | tail -n 1)"
if [ -z "$recorded" ] || [ ! -s "$recorded" ]; then
    echo "The demo's measurements were not recorded:" >&2
    cat "$workdir/monitor.log" >&2
    exit 1
fi
echo "Measurements recorded: $recorded ($(($(wc -l <"$recorded") - 1)) lines after the header so far)"
