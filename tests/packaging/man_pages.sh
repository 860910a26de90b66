#!/usr/bin/env bash
# Formats each manual page as man does and fails on any warning groff gives.
#   man_pages.sh PAGE...
set -uo pipefail
failed=0
for page in "$@"; do
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
    if [ -n "$warnings" ]; then
        echo "FAIL $page"
        echo "$warnings"
        failed=1
    else
        echo "ok   $page"
    fi
done
exit "$failed"
