#!/usr/bin/env bash
# Builds the Qt the Windows programs link: Qt 6.4.2 Core, Gui, Widgets, Network and SerialPort
# for x86_64 Windows, shared, release, with Debian's MinGW-w64 and Debian's own Qt 6.4.2 tools.
#   packaging/windows/build-qt.sh PREFIX [QTSERIALPORT_SOURCE_TARBALL]
# qtbase comes from Debian's source package (with Debian's patches); the serial port module from
# Qt's 6.4.2 release source, taken from the tarball given, else from ../shared/windows/ beside the
# project. 20 minutes to an hour on two cores; the result is relocatable for CMake.
set -euo pipefail

here="$(cd "$(dirname "$0")/../.." && pwd)"
prefix="${1:?usage: build-qt.sh PREFIX [QTSERIALPORT_SOURCE_TARBALL]}"
serialport="${2:-$here/../shared/windows/qtserialport-everywhere-src-6.4.2.tar.xz}"
toolchain="$here/cmake/mingw-w64-x86_64.cmake"

source "$here/scripts/deps.sh"
source "$here/scripts/windows.sh"
ensure_packages "${WINDOWS_BUILD_PACKAGES[@]}" dpkg-dev xz-utils

if [ ! -f "$serialport" ]; then
    echo "No source of Qt's serial port module: give qtserialport-everywhere-src-6.4.2.tar.xz" >&2
    exit 1
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/qt-windows.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Debian's qtbase source. apt needs a deb-src entry for that; where the system has none, one is
# added beside its own entries, for the same mirrors and suites.
if ! apt-get source --download-only qt6-base >/dev/null 2>&1; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            >/etc/apt/sources.list.d/corvantelis-deb-src.sources
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
            >/etc/apt/sources.list.d/corvantelis-deb-src.list
    fi
    apt-get update -qq
fi
apt-get source qt6-base >/dev/null # unpacks with Debian's patches applied
qtbase="$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)"
[ -n "$qtbase" ] || { echo "Debian's qt6-base source did not unpack." >&2; exit 1; }

# Without Direct2D the Windows platform plugin must not ask for the DirectWrite font database,
# which QtGui builds only with Direct2D: qwindows.dll would not link. The GDI one serves.
sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    "$qtbase/src/plugins/platforms/windows/qwindowsintegration.cpp"

# What the programs do not use is left out; Debian's +dfsg source lacks the tablet (wintab)
# headers, hence no tablet events.
mkdir -p "$work/qtbase-build"
cd "$work/qtbase-build"
"$qtbase/configure" -prefix "$prefix" -release -shared -qt-host-path /usr \
    -nomake tests -nomake examples -no-opengl -no-dbus -no-feature-vulkan -no-feature-sql \
    -no-feature-testlib -no-feature-printsupport -no-feature-concurrent -no-feature-xml \
    -no-feature-tabletevent -no-feature-direct2d -qt-zlib -qt-pcre -qt-libpng -no-libjpeg \
    -qt-freetype -qt-harfbuzz -qt-doubleconversion -no-openssl -no-icu -no-pkg-config -no-zstd \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
cmake --build . --parallel "$(nproc)"
cmake --install .

# The serial port module, built against the Qt just installed.
cd "$work"
tar -xJf "$serialport"
cmake -S "$work/qtserialport-everywhere-src-6.4.2" -B "$work/qtserialport-build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH=/usr
cmake --build "$work/qtserialport-build" --parallel "$(nproc)"
cmake --install "$work/qtserialport-build"
echo "Qt for Windows in $prefix"
