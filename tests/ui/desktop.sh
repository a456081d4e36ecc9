#!/bin/sh
# Installs the build into a temporary prefix, as a package would, and checks that the desktop
# finds the program there: a valid menu entry that opens outline files, its icon, and a MIME
# type that a file manager matches to "*.tvd" and to the data file's magic.
# Usage: desktop.sh <build folder> <temporary prefix>
set -eu
build=$1
prefix=$2
fail() {
    echo "desktop: $*" >&2
    exit 1
}

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
share="$prefix/share"
[ -x "$prefix/bin/tovrin" ] || fail "no program in bin"
[ -s "$share/tovrin/DemoData.dat" ] || fail "no demo data"
[ -s "$share/icons/hicolor/scalable/apps/tovrin.svg" ] || fail "no icon"
entry="$share/applications/tovrin.desktop"
desktop-file-validate "$entry" || fail "invalid menu entry"
grep -qx "Exec=tovrin %f" "$entry" || fail "the entry does not open a file"
grep -qx "MimeType=application/x-tovrin-outline;" "$entry" || fail "the entry names no outline type"

# The type as the desktop's MIME database compiles it.
update-mime-database "$share/mime" || fail "the MIME package does not compile"
grep -qx "50:application/x-tovrin-outline:\*.tvd" "$share/mime/globs2" || fail "no *.tvd glob"
grep -q "TovrinDataFile" "$share/mime/magic" || fail "no magic"
grep -qx "application/x-tovrin-outline:tovrin" "$share/mime/icons" || fail "no icon for the type"
echo "installed into $prefix"
