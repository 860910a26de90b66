#!/usr/bin/env bash
# What the instrument view costs over HART-IP (Release build): the window polls the default
# simulated loop through hart-loop-sim's HART-IP server, first without a view, then with the
# view of address 1 open, and the CPU the window uses is measured over SECONDS each. Prints
# figures only; asserts nothing.
#   bench/view_cpu.sh [SECONDS]     (default 60)
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

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$bin/hart-loop-sim" --hartip "$port" >"$workdir/sim.out" 2>&1 &
SESSION_PIDS+=($!)
sleep 1
ProgramFiles="$workdir/programs" "$bin/corvantelis" --port "hartip://127.0.0.1:$port" \
    >"$workdir/window.log" 2>&1 &
pid=$!
SESSION_PIDS+=("$pid")
window="$(wait_for_window Corvantelis)"
answer_scan_question "$window"
sleep 10 # the first passes: instruments found

# cpu_percent: the window's CPU over SECONDS, in % of one core.
cpu_percent() {
    local before after
    before=$(cpu_ticks "$pid")
    sleep "$seconds"
    after=$(cpu_ticks "$pid")
    awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}

echo "The window over HART-IP, $seconds s each..."
printf 'without a view:              %s %% of a core\n' "$(cpu_percent)"
open_instrument_view "$window" 1
wait_for_window "01" >/dev/null
sleep 15 # its details read
printf 'with the view of address 1:  %s %% of a core\n' "$(cpu_percent)"
printf 'the same, its trend fuller:  %s %% of a core\n' "$(cpu_percent)"
