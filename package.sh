#!/usr/bin/env bash
# Builds the Debian package: ./package.sh [OUTPUT_DIR]
# Installs what is missing, makes a Release build in build-package/ with Debian's hardening
# flags, and leaves corvantelis_<version>-<release>_<arch>.deb in OUTPUT_DIR (default: here).
# Install it with: sudo apt install ./corvantelis_*.deb
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
output="$(mkdir -p "${1:-$here}" && cd "${1:-$here}" && pwd)"

source "$here/scripts/deps.sh"
ensure_packages "${BUILD_PACKAGES[@]}" dpkg-dev

# The compiler and linker flags Debian builds its own packages with.
# CMake reads CXXFLAGS and LDFLAGS but not CPPFLAGS, where _FORTIFY_SOURCE is.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"

build_dir="$here/build-package"
cmake -S "$here" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCORVANTELIS_TESTS=OFF -DCORVANTELIS_DEBIAN_CHANGELOG=ON
cmake --build "$build_dir" --parallel "$(nproc)"
(cd "$build_dir" && cpack -G DEB -B "$output" >/dev/null)
rm -rf "$output/_CPack_Packages"

package="$(ls -t "$output"/corvantelis_*.deb | head -n 1)"
echo "$package"
