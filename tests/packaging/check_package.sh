#!/usr/bin/env bash
# Makes the Debian package with package.sh and checks what a user's system gets from it: the
# file list, dependencies read off the binaries, lintian's verdict, and an install into a
# scratch root whose programs start and whose desktop entry, metainfo and icon go together.
#   check_package.sh PROJECT_DIR WORK_DIR EXPECTED_FILES
set -euo pipefail
export LC_ALL=C # the file lists sort byte by byte, as expected-files.txt is

project=$1
work=$2
expected=$3

rm -rf "$work"
mkdir -p "$work/out"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

"$project/package.sh" "$work/out" >"$work/package.log" 2>&1 || {
    tail -n 40 "$work/package.log"
    echo "FAIL: package.sh"
    exit 1
}
package="$(ls "$work"/out/corvantelis_*.deb)"
case "$(basename "$package")" in
corvantelis_1.03-*_amd64.deb) echo "package: $(basename "$package")" ;;
*) fail "package named $(basename "$package")" ;;
esac

# What the package holds, files only (the folders follow from them).
dpkg-deb --fsys-tarfile "$package" | tar -t | grep -v '/$' | sed 's|^\./|/|' | sort >"$work/files"
diff -u "$expected" "$work/files" || fail "the package's files differ from $expected"

# Dependencies come from dpkg-shlibdeps, so the libraries the programs link must be there.
depends="$(dpkg-deb -f "$package" Depends)"
echo "depends: $depends"
for library in libc6 libqt6core6 libqt6widgets6 libqt6serialport6 libmosquitto1; do
    grep -q "\b$library (>=" <<<"$depends" || fail "Depends lacks $library"
done

# No errors; and no warnings but the one a package not uploaded to Debian always gets.
lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs \
    --tag-display-limit 0 "$package" 2>&1 | grep -v 'running with root privileges' ||
    [ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian"

# Installed into a scratch root from the same build, the tree is the package's and starts.
DESTDIR="$work/root" cmake --install "$project/build-package" >"$work/install.log"
(cd "$work/root" && find . -type f | sed 's|^\./|/|' | sort) | diff -u "$expected" - ||
    fail "the installed files differ from $expected"
for program in corvantelis corvantelis-logger hart-loop-sim; do
    version="$("$work/root/usr/bin/$program" --version)" || fail "$program --version failed"
    [ "$version" = "$program 1.03" ] || fail "$program --version said '$version'"
done
appstreamcli validate-tree --no-net "$work/root/usr" >"$work/tree.log" 2>&1 || {
    cat "$work/tree.log"
    fail "appstreamcli validate-tree"
}

# The logger's unit as systemd reads it, for one instance, its program the one just installed;
# any warning fails it. The manual page it names is checked above, so man: is not followed.
unit="$work/root/lib/systemd/system/corvantelis-logger@.service"
mkdir -p "$work/units"
sed "s|/usr/bin/|$work/root/usr/bin/|g" "$unit" >"$work/units/corvantelis-logger@ttyUSB0.service"
verify="$(systemd-analyze verify --man=no "$work/units/corvantelis-logger@ttyUSB0.service" 2>&1)" ||
    fail "systemd-analyze verify: $verify"
[ -z "$verify" ] || fail "systemd-analyze verify warns: $verify"

# The maintainer scripts, run as dpkg runs them into a root of their own (DPKG_ROOT): with an
# instance enabled, removing the package keeps its enablement as Debian's systemd helpers do,
# and purging it drops the link that would point at nothing, and nothing else.
scripts="$work/control"
dpkg-deb -e "$package" "$scripts"
for script in postinst prerm postrm; do
    [ -x "$scripts/$script" ] || fail "no executable $script in the package"
done
target="$work/target"
wants="$target/etc/systemd/system/multi-user.target.wants"
mkdir -p "$wants"
ln -s /lib/systemd/system/corvantelis-logger@.service "$wants/corvantelis-logger@ttyUSB0.service"
ln -s /lib/systemd/system/other.service "$wants/other.service"
run_script() { DPKG_ROOT="$target" "$scripts/$1" "${@:2}" >/dev/null || fail "$1 $2 failed"; }
run_script postinst configure
run_script prerm remove
run_script postrm remove
[ -L "$wants/corvantelis-logger@ttyUSB0.service" ] || fail "remove dropped the enablement"
run_script postrm purge
[ ! -e "$wants/corvantelis-logger@ttyUSB0.service" ] &&
    [ ! -L "$wants/corvantelis-logger@ttyUSB0.service" ] || fail "purge left the instance's link"
[ -L "$wants/other.service" ] || fail "purge took another unit's link"

if [ "$failures" -ne 0 ]; then
    echo "$failures packaging check(s) failed"
    exit 1
fi
echo "package checks passed"
