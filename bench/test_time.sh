#!/usr/bin/env bash
# Times ./test.sh as CI and a developer meet it: a fresh clone of this repository's last commit
# with an empty compile cache (the Debian packages as this machine has them), then the same tree
# again with nothing changed. Prints the two figures and the slowest tests; asserts nothing.
#   bench/test_time.sh
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
git clone -q "$here" "$work/clone"
export CCACHE_DIR="$work/ccache" # empty: nothing compiled before

run() {
    local log="$1" start end
    start=$(date +%s%N)
    (cd "$work/clone" && ./test.sh) >"$log" 2>&1 || {
        tail -n 40 "$log" >&2
        echo "./test.sh failed" >&2
        exit 1
    }
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

fresh_ms=$(run "$work/fresh.log")
warm_ms=$(run "$work/warm.log")
printf 'fresh clone, empty compile cache: %d.%01d s\n' $((fresh_ms / 1000)) $((fresh_ms % 1000 / 100))
printf 'same tree again, nothing changed: %d.%01d s\n' $((warm_ms / 1000)) $((warm_ms % 1000 / 100))
echo "slowest tests of the fresh run:"
grep -E 'Test +#[0-9]+:' "$work/fresh.log" | sort -t' ' -k2 | awk '{print $(NF-1), $4}' |
    sort -rn | head -n 5 | sed 's/^/  /'
