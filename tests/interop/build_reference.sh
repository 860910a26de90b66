#!/usr/bin/env bash
# Builds the HART-IP reference device for the interoperability tests into $HIP_WORK. Exits 77
# (the tests are skipped, with one line saying why) where it cannot be built here.
set -uo pipefail
kit="$1"
export HIP_WORK="$2"
if [ ! -x "$kit/start_hip.sh" ]; then
    echo "SKIP: the HART-IP reference kit is not at $kit"
    exit 77
fi
if ! "$kit/start_hip.sh" --build-only > "$HIP_WORK.build.log" 2>&1; then
    echo "SKIP: the HART-IP reference device could not be built (see $HIP_WORK.build.log)"
    exit 77
fi
echo "the HART-IP reference device is built in $HIP_WORK"
