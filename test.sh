#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test. Exits non-zero on any failure or sanitizer report.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
source scripts/windows.sh
source scripts/xvfb.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGING_CHECK_PACKAGES[@]}" \
    "${WINDOWS_BUILD_PACKAGES[@]}" "${WINE_CHECK_PACKAGES[@]}" "${XVFB_PACKAGES[@]}" \
    "${CAPTURE_CHECK_PACKAGES[@]}" "${INTEROP_PACKAGES[@]}" "${MQTT_CHECK_PACKAGES[@]}"

build_dir=build-asan
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DCORVANTELIS_SANITIZE=ON
cmake --build "$build_dir" --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build_dir"
# Two at a time (one a core): most tests wait on timers and peers. Those that take both cores or
# time themselves run alone (RUN_SERIAL in their CMakeLists).
ctest --output-on-failure --timeout 120 --parallel "$(nproc)"
