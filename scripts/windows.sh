# The Windows build, cross-compiled here with MinGW-w64 against a Qt built for Windows.
# Sourced by package-windows.sh and the Wine check, after deps.sh.

# What the cross build needs besides the Qt for Windows; the host Qt's tools (moc, rcc, uic)
# serve both builds.
WINDOWS_BUILD_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    qt6-base-dev qt6-base-dev-tools ccache)

# What running the Windows build here takes: Wine for the programs, NSIS and zip for the packages.
WINE_CHECK_PACKAGES=(wine64 nsis zip unzip)

WINDOWS_QT_VERSION=6.4.2
WINDOWS_QT_NAME="qt-$WINDOWS_QT_VERSION-mingw64"

# find_windows_qt ROOT [--no-build]: sets WINDOWS_QT to the folder of a Qt for Windows, taking
# in this order: the folder named by CORVANTELIS_QT_WINDOWS; the ready-built one in
# ROOT/../shared/windows/, unpacked into the cache; the cache; or, unless --no-build, one built
# into the cache now (20 minutes to an hour on two cores). The cache is ~/.cache/corvantelis/
# unless CORVANTELIS_CACHE names another. Returns 1, WINDOWS_QT empty, when there is none.
find_windows_qt() {
    local root="$1" may_build=1
    [ "${2:-}" = --no-build ] && may_build=0
    local cache="${CORVANTELIS_CACHE:-${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/corvantelis}"
    local cached="$cache/$WINDOWS_QT_NAME"
    local shared="$root/../shared/windows/$WINDOWS_QT_NAME.tar.xz"
    WINDOWS_QT=""
    if [ -n "${CORVANTELIS_QT_WINDOWS:-}" ]; then
        if [ ! -f "$CORVANTELIS_QT_WINDOWS/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
            echo "CORVANTELIS_QT_WINDOWS=$CORVANTELIS_QT_WINDOWS holds no Qt for Windows." >&2
            return 1
        fi
        WINDOWS_QT="$CORVANTELIS_QT_WINDOWS"
        return 0
    fi
    if [ ! -f "$cached/lib/cmake/Qt6/qt.toolchain.cmake" ] && [ -f "$shared" ]; then
        echo "Unpacking the ready-built Qt for Windows into $cache"
        mkdir -p "$cache"
        rm -rf "$cached.part" && mkdir -p "$cached.part"
        tar -xJf "$shared" -C "$cached.part"
        rm -rf "$cached" && mv "$cached.part/$WINDOWS_QT_NAME" "$cached" && rm -rf "$cached.part"
    fi
    if [ -f "$cached/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
        WINDOWS_QT="$cached"
        return 0
    fi
    [ "$may_build" -eq 1 ] || return 1
    echo "No Qt for Windows yet: building it into $cached (20 minutes to an hour on two cores)."
    "$root/packaging/windows/build-qt.sh" "$cached" || return 1
    WINDOWS_QT="$cached"
}

# build_windows_programs ROOT: a Release cross build in ROOT/build-windows; sets WINDOWS_BIN.
# corvantelis.exe and corvantelis-logger.exe; hart-loop-sim stays a POSIX program (it serves
# the loop on a pseudo-terminal, which Windows has not).
build_windows_programs() {
    local root="$1"
    cmake -S "$root" -B "$root/build-windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCORVANTELIS_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$WINDOWS_QT/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr >/dev/null
    cmake --build "$root/build-windows" --parallel "$(nproc)" \
        --target corvantelis corvantelis-logger
    WINDOWS_BIN="$root/build-windows/bin"
}

# deploy_windows_programs FOLDER: the programs with everything they load on Windows (the Qt
# libraries and plugins, the MinGW runtime), stripped, into FOLDER.
deploy_windows_programs() {
    local to="$1" triple=x86_64-w64-mingw32
    rm -rf "$to"
    mkdir -p "$to/platforms" "$to/styles"
    cp "$WINDOWS_BIN/corvantelis.exe" "$WINDOWS_BIN/corvantelis-logger.exe" "$to/"
    local module
    for module in Core Gui Widgets SerialPort Network; do
        cp "$WINDOWS_QT/bin/Qt6$module.dll" "$to/"
    done
    cp "$WINDOWS_QT/plugins/platforms/qwindows.dll" "$to/platforms/"
    cp "$WINDOWS_QT/plugins/styles/qwindowsvistastyle.dll" "$to/styles/"
    local runtime
    for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
        cp "$("$triple-g++-posix" -print-file-name="$runtime")" "$to/"
    done
    find "$to" \( -name '*.exe' -o -name '*.dll' \) -exec "$triple-strip" --strip-unneeded {} +
    # The licences of the program and of everything shipped with it, with the notice that
    # says which is which and where the sources are.
    local root licences="$to/licences"
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    mkdir -p "$licences"
    cp "$root/packaging/windows/NOTICE.txt" "$licences/NOTICE.txt"
    cp "$root/LICENSE" "$licences/Corvantelis.txt"
    cp /usr/share/common-licenses/LGPL-3 "$licences/LGPL-3.txt"
    cp /usr/share/common-licenses/GPL-3 "$licences/GPL-3.txt"
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$licences/gcc-mingw-w64.txt"
    cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$licences/mingw-w64.txt"
    # Windows' own editor wants CRLF line ends.
    sed -i 's/$/\r/' "$licences"/*.txt
}

# project_version ROOT: the version the project() line gives.
project_version() {
    sed -n 's/^project(Corvantelis VERSION \([0-9.]*\).*/\1/p' "$1/CMakeLists.txt"
}

# make_windows_packages ROOT OUTPUT: the zip and the installer of the programs built by
# build_windows_programs, into OUTPUT; sets WINDOWS_ZIP and WINDOWS_SETUP.
make_windows_packages() {
    local root="$1" output="$2"
    mkdir -p "$output"
    local version
    version="$(project_version "$root")"
    local stage="$root/build-windows/stage"
    local folder="Corvantelis v.$version"
    rm -rf "$stage" && mkdir -p "$stage"
    deploy_windows_programs "$stage/$folder"

    WINDOWS_ZIP="$output/corvantelis-$version-windows-x64.zip"
    rm -f "$WINDOWS_ZIP"
    (cd "$stage" && zip -q -r -X "$WINDOWS_ZIP" "$folder")

    WINDOWS_SETUP="$output/corvantelis-$version-setup.exe"
    makensis -V2 -DVERSION="$version" -DSTAGE="$stage/$folder" \
        -DICON="$root/ui/resources/Icon1.ico" -DOUTFILE="$WINDOWS_SETUP" \
        "$root/packaging/windows/corvantelis.nsi"
}
