# A virtual display for the monitor's window, and the window once it shows.
# Sourced by run.sh and the benchmarks; the caller kills the pids in XVFB_PIDS when it is done.

XVFB_PIDS=()
XVFB_PACKAGES=(xvfb xauth xdotool imagemagick)

# start_xvfb LOGFILE: starts Xvfb on a display it finds free and exports DISPLAY. Xvfb picks
# the number itself (-displayfd), so a display held by another server, whose lock file this
# machine cannot see (another container on the host network, a private /tmp), is passed over.
start_xvfb() {
    local log="$1"
    local number_file _
    number_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" >"$log" 2>&1 &
    XVFB_PIDS+=($!)
    for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
    local number
    number="$(head -n 1 "$number_file")"
    rm -f "$number_file"
    if [ -n "$number" ]; then
        export DISPLAY=":$number"
        for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && return 0; sleep 0.1; done
    fi
    echo "Xvfb did not start:" >&2
    cat "$log" >&2
    return 1
}

# wait_for_window NAME: prints the id of the first visible window whose title holds NAME.
wait_for_window() {
    timeout 30 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

# answer_scan_question WINDOW: Return on the focused Yes button starts polling.
answer_scan_question() {
    xdotool windowfocus --sync "$1" key Return
}

# open_instrument_view WINDOW ADDRESS: double-clicks the address's ID cell on the board. The
# point is the cell's place in the window at 96 dpi under the menu bar (Xvfb's default).
open_instrument_view() {
    local y=$((123 + 24 * $2))
    xdotool mousemove --window "$1" 100 "$y" click --repeat 2 --delay 80 1
}
