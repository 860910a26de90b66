#!/usr/bin/env bash
# Details and follow on the simulated loop (Release build): how many steps and how long reading
# an instrument's details takes while polling goes on, and how far apart its values come while
# it is followed. Then the wire with nothing asked, against the build of a commit from before
# requests on demand existed: the requests of a run of each must be the same. Prints figures
# only; asserts nothing.
#   bench/details_follow.sh [ADDRESS [FOLLOW_SECONDS [BASE_COMMIT [WIRE_SECONDS]]]]
#   (defaults: 5, 30, db49cde, 60)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
address="${1:-5}"
follow_seconds="${2:-30}"
base="${3:-db49cde}"
wire_seconds="${4:-60}"

source "$here/scripts/deps.sh"
source "$here/scripts/session.sh"
start_bench "$here"
bin="$BIN"
workdir="$WORKDIR"

start_sim() { # start_sim NAME: a simulator of its own, logging what it hears
    "$bin/hart-loop-sim" --link "$workdir/$1.loop" --log "$workdir/$1.log" >/dev/null 2>&1 &
    SESSION_PIDS+=($!)
    for _ in $(seq 50); do [ -e "$workdir/$1.loop" ] && break; sleep 0.1; done
}

start_sim details
"$bin/details-follow" "$workdir/details.loop" "$address" "$follow_seconds"

# Nothing asked: the logger of this build and of the base commit, each on a simulator of its
# own for the same time; the request bytes they sent, in order, compared.
git -C "$here" worktree add --detach "$workdir/base" "$base" >/dev/null 2>&1
trap 'git -C "$here" worktree remove --force "$workdir/base" >/dev/null 2>&1 || true; end_session' EXIT
cmake -S "$workdir/base" -B "$workdir/base/build" -DCMAKE_BUILD_TYPE=Release \
    -DCORVANTELIS_TESTS=OFF >/dev/null
cmake --build "$workdir/base/build" --parallel "$(nproc)" --target corvantelis-logger >/dev/null
for side in now base; do
    start_sim "$side"
    program="$bin/corvantelis-logger"
    [ "$side" = base ] && program="$workdir/base/build/bin/corvantelis-logger"
    "$program" --port "$workdir/$side.loop" --settings-dir "$workdir/$side.settings" \
        --results-dir "$workdir/$side.results" >/dev/null 2>&1 &
    logger=$!
    sleep "$wire_seconds"
    kill "$logger"
    wait "$logger" 2>/dev/null || true
    awk '$2 == "RX" { $1 = ""; print }' "$workdir/$side.log" >"$workdir/$side.requests"
done
now_count=$(wc -l <"$workdir/now.requests")
base_count=$(wc -l <"$workdir/base.requests")
shorter=$((now_count < base_count ? now_count : base_count))
if cmp -s <(head -n "$shorter" "$workdir/now.requests") <(head -n "$shorter" "$workdir/base.requests"); then
    echo "nothing asked: the first $shorter requests of ${wire_seconds} s are the same as $base's ($now_count and $base_count in all)"
else
    echo "nothing asked: the requests differ from $base's:"
    diff <(head -n "$shorter" "$workdir/now.requests") <(head -n "$shorter" "$workdir/base.requests") | head -n 10
fi
