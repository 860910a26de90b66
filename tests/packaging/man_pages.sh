#!/usr/bin/env bash
# Formats each manual page as man does, fails on any warning groff gives, and fails when the
# page leaves out an option the program's --help names.
#   man_pages.sh PROGRAM PAGE [PROGRAM PAGE]...
set -uo pipefail
failed=0
while [ $# -ge 2 ]; do
    program=$1
    page=$2
    shift 2
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
    if [ -n "$warnings" ]; then
        echo "FAIL $page: groff warns"
        echo "$warnings"
        failed=1
    fi
    text="$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$page" 2>/dev/null)"
    options="$("$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)"
    [ -n "$options" ] || { echo "FAIL $program --help names no options"; failed=1; }
    for option in $options; do
        grep -qF -- "$option" <<<"$text" || { echo "FAIL $page lacks $option"; failed=1; }
    done
    [ "$failed" -eq 0 ] && echo "ok   $page: $(wc -w <<<"$options") options"
done
exit "$failed"
