#!/usr/bin/env bash
# The Windows build, run under Wine: wine_check.sh ROOT HART_LOOP_SIM
# Cross-builds the programs, packs the zip and the installer, and in a Wine prefix of its own:
#   - corvantelis.exe --version;
#   - the window polls hart-loop-sim through Wine's COM1 (linked to the simulator's
#     pseudo-terminal) and records the day's CSV; the requests come in the designed order, the
#     settings file is made in Program Files with its designed size, and the refused RTS toggle
#     is said in one box;
#   - corvantelis-logger.exe says what the port does, in English and in Russian;
#   - the installer installs silently and its uninstaller removes what it installed.
# Exits 77 (skipped) with one line when there is no Qt for Windows to build with.
set -euo pipefail

root="$(cd "$1" && pwd)"
sim="$2"
source "$root/scripts/deps.sh"
source "$root/scripts/windows.sh"
source "$root/scripts/xvfb.sh"

if ! find_windows_qt "$root" --no-build >/dev/null; then
    echo "SKIPPED: no Qt for Windows (neither ../shared/windows/ nor the cache has one;" \
        "packaging/windows/build-qt.sh makes it)"
    exit 77
fi

work="$(mktemp -d)"
sim_pid=""
wine="$(dpkg -L wine64 | grep '/wine64$' | head -n 1)"
wineserver="$(dirname "$wine")/wineserver"
# No menu entries, icons or file associations in the user's own desktop: Wine's menu builder,
# which writes them, stays off.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# What of the user's home a Wine program could write its menus into, listed before and after.
home_menus() {
    local data="${XDG_DATA_HOME:-$HOME/.local/share}" config="${XDG_CONFIG_HOME:-$HOME/.config}"
    find "$data/applications" "$data/desktop-directories" "$data/icons" "$data/mime" \
        "$config/menus" -printf '%p %T@\n' 2>/dev/null | sort || true
}
home_before="$(home_menus)"
finish() {
    "$wineserver" -k 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    local pid
    for pid in "${XVFB_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap finish EXIT

failures=0
check() { # check WHAT CONDITION...: one line for each check
    local what="$1"
    shift
    if "$@"; then
        echo "PASS   $what"
    else
        echo "FAIL!  $what"
        failures=$((failures + 1))
    fi
}
wait_for() { # wait_for SECONDS CONDITION...
    local seconds="$1" _
    shift
    for _ in $(seq $((seconds * 4))); do "$@" && return 0; sleep 0.25; done
    return 1
}

version="$(project_version "$root")"
folder="Corvantelis v.$version"
started=$SECONDS

# The programs, the zip and the installer, as package-windows.sh makes them.
if ! { build_windows_programs "$root" && make_windows_packages "$root" "$work/out"; } \
    >"$work/build.log" 2>&1; then
    cat "$work/build.log"
    echo "FAIL!  the Windows build"
    exit 1
fi
echo "PASS   the Windows build, the zip and the installer ($((SECONDS - started)) s)"
unzip -q "$WINDOWS_ZIP" -d "$work/unzipped"
app="$work/unzipped/$folder"
"$wine" wineboot -i >/dev/null 2>&1

licences=(NOTICE.txt Corvantelis.txt LGPL-3.txt GPL-3.txt gcc-mingw-w64.txt mingw-w64.txt)
has_licences() { # has_licences FOLDER: the licences and the notice that names them
    local file
    for file in "${licences[@]}"; do test -s "$1/licences/$file" || return 1; done
    grep -q "LGPL-3.txt" "$1/licences/NOTICE.txt" && grep -q "MIT" "$1/licences/Corvantelis.txt"
}
check "the zip carries the licences of all it ships" has_licences "$app"
check "corvantelis.exe --version" \
    test "$("$wine" "$app/corvantelis.exe" --version | tr -d '\r')" = "corvantelis $version"

# The loop: hart-loop-sim on a pseudo-terminal, Wine's COM1 pointed at it. Wine rebuilds its COM
# links from the registry when its server starts.
"$sim" --link "$work/loop" --log "$work/wire.log" >"$work/sim.out" 2>&1 &
sim_pid=$!
wait_for 10 test -e "$work/loop"
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$(readlink -f "$work/loop")" \
    /f >/dev/null 2>&1
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true

start_xvfb "$work/xvfb.log"
program_files="$WINEPREFIX/drive_c/Program Files/$folder"
(cd "$app" && exec "$wine" corvantelis.exe --port COM1 --record >"$work/window.log" 2>&1) &
disown

# Wine refuses the RTS toggle: the designed box says so once, the program keys RTS itself.
boxes() { xdotool search --onlyvisible --name "^Corvantelis v\\.$version\$" 2>/dev/null; }
has_box() { [ -n "$(boxes)" ]; }
check "the refused RTS toggle is said in a box" wait_for 60 has_box
check "one box, not one per try" test "$(boxes | wc -l)" -eq 1
box="$(boxes | head -n 1)"
[ -n "$box" ] && xdotool windowfocus --sync "$box" key Return
window="$(wait_for_window Brindlewick)" || true
check "the window shows" test -n "$window"
[ -n "$window" ] && answer_scan_question "$window"

# Recording: the day's file in the results folders (by default the settings folder).
csv_rows() { # the addresses and tags recorded so far
    find "$program_files" -name '*.csv' -exec tail -n +2 {} + 2>/dev/null |
        awk -F, '{ print $2 " " $4 }' | sort -u
}
recorded() { [ "$(csv_rows | awk '{ print $1 }' | sort -u | tr '\n' ' ')" = "1 2 5 " ]; }
check "instruments 1, 2 and 5 recorded in the day's CSV" wait_for 90 recorded
check "recorded with their tags" test "$(csv_rows | awk '{ print $2 }' | sort -u | tr '\n' ' ')" \
    = "FT-305 PT-101 TT-202 "
check "no other box came up while polling" test "$(boxes | wc -l)" -eq 0
# A pass and a half heard, for the order below.
wait_for 60 test "$(grep -c ' RX ' "$work/wire.log")" -ge 33 || true
settings="$program_files/$folder.eng"
check "the settings file in Program Files, 4500 bytes" \
    test "$(stat -c %s "$settings" 2>/dev/null)" = 4500
"$wineserver" -k 2>/dev/null || true

# The requests as the simulator heard them: command 0 to each address in turn, and after each
# instrument that answered, 13 and 3 to its long address.
requests="$(awk '$2 == "RX" {
        k = 3; while ($k == "FF") k++
        if ($k == "02") print $(k + 2) ":" $(k + 1)
        else if ($k == "82") print $(k + 6) ":" $(k + 1) $(k + 2) $(k + 3) $(k + 4) $(k + 5)
    }' "$work/wire.log" | tr '\n' ' ')"
pass=""
# Each from the primary master: bit 7 of the first address byte set, the burst bit clear.
for address in 80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E 8F; do
    pass+="00:$address "
    case $address in
    81) pass+="0D:BC51102031 03:BC51102031 " ;;
    82) pass+="0D:A43E0B5C7E 03:A43E0B5C7E " ;;
    85) pass+="0D:9F92004D21 03:9F92004D21 " ;;
    esac
done
in_designed_order() {
    # Polling may begin anywhere in the pass; the first two passes heard must lie in three.
    local heard
    heard="$(echo "$requests" | cut -d' ' -f1-44)"
    [ "$(echo "$heard" | wc -w)" -ge 22 ] && [[ " $pass$pass$pass" == *" $heard"* ]] ||
        { echo "heard: $heard" >&2; return 1; }
}
check "the requests in the designed order" in_designed_order

# The logger on ports that are not there: the same words as on Linux, in either language.
logger_says() { # logger_says SETTINGS_FOLDER PORT TEXT [PROGRAM_FOLDER]; '' for the designed one
    local out="$work/logger-$RANDOM.out"
    local settings=()
    [ -n "$1" ] && settings=(--settings-dir "$1")
    (cd "${4:-$app}" && exec "$wine" corvantelis-logger.exe --port "$2" "${settings[@]}" \
        >"$out" 2>&1) &
    local pid=$!
    wait_for 30 grep -qF "$3" "$out"
    local found=$?
    kill "$pid" 2>/dev/null
    "$wineserver" -k 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ $found -eq 0 ] || { cat "$out"; return 1; }
}
check "a COM port that does not exist, in English" logger_says 'C:\logger\' COM7 \
    "port not opened: No such device: COM7; trying again every second"
# Language_Flag is the word at 4000 (the ninth 500-byte record), little-endian.
printf '\001\000' | dd of="$WINEPREFIX/drive_c/logger/$folder.eng" bs=1 seek=4000 conv=notrunc \
    2>/dev/null
check "a COM port that does not exist, in Russian" logger_says 'C:\logger\' COM7 \
    "порт не открыт: Нет такого устройства: COM7; новая попытка каждую секунду"

# The installer, silently into a fresh prefix, and its uninstaller.
export WINEPREFIX="$work/installed"
"$wine" wineboot -i >/dev/null 2>&1
installed="$WINEPREFIX/drive_c/Program Files/$folder"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Corvantelis.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvantelis'
"$wine" "$WINDOWS_SETUP" /S
check "the installer puts the programs into Program Files" \
    test -f "$installed/corvantelis.exe" -a -f "$installed/platforms/qwindows.dll"
check "the installer adds the Start-menu entry" test -f "$shortcut"
check "the installer installs the licences" has_licences "$installed"
check "the installer adds the Add/Remove Programs entry" \
    bash -c "'$wine' reg query '$uninstall_key' /v UninstallString >/dev/null 2>&1"
check "the installed program runs" \
    test "$("$wine" "$installed/corvantelis.exe" --version | tr -d '\r')" = "corvantelis $version"
"$wine" "C:\\Program Files\\$folder\\uninstall.exe" /S
# The uninstaller copies itself aside and goes on from there.
check "the uninstaller removes the folder" wait_for 30 test ! -e "$installed"
check "the uninstaller removes the Start-menu entry" test ! -e "$shortcut"
check "the uninstaller removes the Add/Remove Programs entry" \
    bash -c "! '$wine' reg query '$uninstall_key' >/dev/null 2>&1"

# Installed again and used: the settings file the program makes in its folder is the engineer's,
# and the uninstaller leaves it (and the folder holding it) while taking away the rest.
"$wine" "$WINDOWS_SETUP" /S
logger_says '' COM7 "port not opened" "$installed" >/dev/null || true
"$wine" "C:\\Program Files\\$folder\\uninstall.exe" /S
kept_only_settings() { # the uninstaller works on in the background
    wait_for 30 test ! -e "$installed/uninstall.exe" -a ! -e "$installed/platforms" \
        -a ! -e "$installed/licences" &&
        test -f "$installed/$folder.eng" -a ! -e "$installed/corvantelis.exe" ||
        { ls -R "$installed" >&2; return 1; }
}
check "the settings file outlives the uninstall, the programs do not" kept_only_settings

check "the user's menus, icons and file types are as they were" \
    bash -c '[ "$1" = "$2" ]' _ "$home_before" "$(home_menus)"

echo "Wine check: $((SECONDS - started)) s"
[ "$failures" -eq 0 ]
