#!/usr/bin/env bash
# The virtual display of run.sh and the benchmarks starts when the display it would have taken
# first is held by a server whose lock file this machine cannot see (another container on the
# host network, a private /tmp): here an Xvfb whose lock file was removed.
set -euo pipefail
source "$1/scripts/xvfb.sh"
held=""
finish() {
    [ -n "$held" ] && kill $held 2>/dev/null || true
    local pid
    for pid in "${XVFB_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap finish EXIT
log="$(mktemp)"

# A server on each of the displays a search would try first, lock files gone.
for number in 0 99; do
    Xvfb ":$number" -nolisten tcp >/dev/null 2>&1 &
    held="$held $!"
done
sleep 1
rm -f /tmp/.X0-lock /tmp/.X99-lock

start_xvfb "$log"
case "$DISPLAY" in
:0 | :99) echo "FAIL: took the held display $DISPLAY" >&2; exit 1 ;;
esac
xdotool getmouselocation >/dev/null
echo "PASS: started on $DISPLAY"
