# The programs built for use, and a scratch folder whose background processes end with the
# script. Sourced by run.sh and the benchmarks, after deps.sh and xvfb.sh.

# build_programs ROOT: a Release build in ROOT/build of everything but the tests (the monitor,
# the logger, the simulator, the benchmarks' programs, the icons and manual pages an install
# takes), so `cmake --install ROOT/build` finds all it installs; sets BIN.
build_programs() {
    local root="$1"
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DCORVANTELIS_TESTS=OFF >/dev/null
    cmake --build "$root/build" --parallel "$(nproc)"
    BIN="$root/build/bin"
}

# start_session: makes WORKDIR; every pid added to SESSION_PIDS (and Xvfb's) is ended, and
# WORKDIR removed, when the script exits.
SESSION_PIDS=()
start_session() {
    WORKDIR="$(mktemp -d)"
    trap end_session EXIT
    trap 'exit 130' INT TERM
}
end_session() {
    local pid
    for pid in "${SESSION_PIDS[@]}" "${XVFB_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${SESSION_PIDS[@]}" "${XVFB_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$WORKDIR"
}

# cpu_ticks PID: user and system time the process has used so far, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# start_bench ROOT [PACKAGES...]: what a benchmark begins with: the build packages (and
# PACKAGES), the programs built (BIN) and a scratch folder (WORKDIR) that ends with the script.
# Needs deps.sh sourced.
start_bench() {
    local root="$1"
    shift
    ensure_packages "${BUILD_PACKAGES[@]}" "$@"
    build_programs "$root" >/dev/null
    start_session
}
