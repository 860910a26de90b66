#!/usr/bin/env bash
# Compiles each Windows-only source with the MinGW-w64 cross compiler, syntax only, against the
# Qt headers this machine has, and runs each resource script through windres. Nothing is
# linked: what this proves is that the Windows side still compiles as the POSIX side changes.
#   windows_compile.sh PROJECT_DIR QT_HEADERS [--rc FILE]... SOURCE...
set -uo pipefail

project=$1
qt=$2
shift 2

cxx=x86_64-w64-mingw32-g++-posix
windres=x86_64-w64-mingw32-windres
for tool in "$cxx" "$windres"; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool is missing: install g++-mingw-w64-x86-64-posix (./test.sh does)" >&2
        exit 1
    fi
done

# Qt's headers are included as system headers: on Windows their exports become dllimport
# declarations, and the compiler's remarks on those are Qt's, not ours.
qt_includes=(-isystem "$qt")
for module in QtCore QtGui QtWidgets QtSerialPort; do
    qt_includes+=(-isystem "$qt/$module")
done

failed=0
checked=0
while [ $# -gt 0 ]; do
    if [ "$1" = "--rc" ]; then
        rc=$2
        shift 2
        if (cd "$(dirname "$rc")" && "$windres" "$(basename "$rc")" -o /dev/null); then
            echo "ok   $rc"
        else
            echo "FAIL $rc"
            failed=$((failed + 1))
        fi
    else
        source_file=$1
        shift
        if "$cxx" -std=c++17 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -DUNICODE -D_UNICODE \
            -I"$project" -I"$(dirname "$source_file")" "${qt_includes[@]}" "$source_file"; then
            echo "ok   $source_file"
        else
            echo "FAIL $source_file"
            failed=$((failed + 1))
        fi
    fi
    checked=$((checked + 1))
done

if [ "$checked" -eq 0 ]; then
    echo "no Windows sources were given" >&2
    exit 1
fi
echo "Windows-only files: $((checked - failed)) compiled, $failed failed"
[ "$failed" -eq 0 ]
