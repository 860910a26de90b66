#!/usr/bin/env bash
# Builds the Windows programs here, cross-compiled with MinGW-w64: ./package-windows.sh [OUTPUT_DIR]
# Leaves in OUTPUT_DIR (default: here) corvantelis-<version>-windows-x64.zip (the programs and
# everything they load, in a folder "Corvantelis v.<version>") and corvantelis-<version>-setup.exe
# (an installer made with NSIS). The Qt for Windows is taken as scripts/windows.sh says; when
# there is none yet, it is built first, which takes 20 minutes to an hour on two cores.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
output="$(mkdir -p "${1:-$here}" && cd "${1:-$here}" && pwd)"

source "$here/scripts/deps.sh"
source "$here/scripts/windows.sh"
ensure_packages "${WINDOWS_BUILD_PACKAGES[@]}" nsis zip

find_windows_qt "$here"
build_windows_programs "$here"
make_windows_packages "$here" "$output"
echo "$WINDOWS_ZIP"
echo "$WINDOWS_SETUP"
