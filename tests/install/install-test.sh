#!/usr/bin/env bash
# The program as a technician gets it, against the device simulator, offscreen:
#  1. a renamed copy (site7) in a folder of its own reads site7.Ini and writes site7-DATE.Log;
#  2. the Debian package, unpacked into a read-only root: the first start seeds the per-user
#     folder, the second (its [Ports] pointed at the simulator) talks to the device; the
#     installed files are unchanged afterwards;
#  3. the portable folder runs in place.
# Usage: tests/install/install-test.sh BUILD_DIR   (the package is built there)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
scratch=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    chmod -R u+w "$scratch" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen
today=$(date +%F)

fail() {
    echo "install test: $*" >&2
    exit 1
}

# waitfor SECONDS COMMAND...: until the command succeeds
waitfor() {
    local tries=$(($1 * 10))
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# simulator DEVICE LOG: the simulated device on a pseudo-terminal linked as DEVICE
simulator() {
    "$build/bin/ztdevsim" --pty "$1" </dev/null >"$2" 2>&1 &
    pids+=($!)
    waitfor 20 test -e "$1" || fail "the simulator did not start: $(cat "$2")"
}

# pointed INI DEVICE: COM1 is DEVICE, no boxes nobody could close, no splash time
pointed() {
    awk -v dev="$2" '
        /^\[/ { section = tolower($0) }
        section == "[comm]" && /^[ \t]*Port[ \t]*=/ { print "Port=1"; next }
        section == "[main]" && /^[ \t]*ShowMsgBox[ \t]*=/ { print "ShowMsgBox=no"; next }
        section == "[main]" && /^[ \t]*Debug[ \t]*=/ { print "Debug=yes"; next }
        section == "[ports]" && /^[ \t]*COM1[ \t]*=/ { next }
        { print }
        section == "[ports]" && /^\[/ { print "COM1=" dev }
    ' "$1" >"$1.new"
    mv "$1.new" "$1"
}

# session LOG SIMLOG PROGRAM [ARGS...]: runs the editor until the device has answered its
# version and data requests, then ends it with SIGTERM; checks the log.
session() {
    local log=$1 simlog=$2
    shift 2
    "$@" >"$scratch/editor.txt" 2>&1 &
    local editor=$!
    pids+=("$editor")
    waitfor 60 grep -q "checksum matches the block sent" "$simlog" ||
        fail "the device was not asked for its data; editor: $(cat "$scratch/editor.txt")"
    grep -q 'version info: "ZT DerUvav Zentrale", "Firmware 2.14", "Seriennr. 004711"' "$simlog" ||
        fail "the device did not answer with its status texts: $(cat "$simlog")"
    waitfor 30 grep -q "Daten vom Gerät empfangen" "$log" || fail "no data received: $(cat "$log")"
    kill -TERM "$editor"
    wait "$editor" || fail "the editor ended with $?"
    grep -q '\*\*\*\*\* Start \*\*\*\*\*' "$log" || fail "no start marker in $log"
    tail -n 3 "$log" | grep -q '\*\*\*\*\* End   \*\*\*\*\*' || fail "no end marker in $log"
    if grep -qi "fehler\|error\|timeout\|zeitüberschreitung" "$log"; then
        fail "failures in $log: $(cat "$log")"
    fi
}

echo "install test: a renamed copy"
site="$scratch/site"
mkdir -p "$site"
cp "$build/bin/zteditor" "$site/site7"
cp install/zteditor.Chn install/zteditor.Dat "$site/"
cp install/zteditor.Ini "$site/site7.Ini"
pointed "$site/site7.Ini" "$scratch/dev1"
simulator "$scratch/dev1" "$scratch/sim1.txt"
session "$site/site7-$today.Log" "$scratch/sim1.txt" "$site/site7"
if [ -e "$site/zteditor.Ini" ] || ls "$site"/zteditor-*.Log >/dev/null 2>&1; then
    fail "the renamed copy used zteditor's files"
fi
grep -q "Coord_X *= *[0-9]" "$site/site7.Ini" || fail "window state not saved in site7.Ini"

echo "install test: the Debian package"
cmake --build "$build" --target package -j2 >"$scratch/package.txt" 2>&1 ||
    fail "packaging failed: $(tail -n 30 "$scratch/package.txt")"
arch=$(dpkg --print-architecture)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/zteditor_${version}_${arch}.deb"
[ -f "$deb" ] || fail "$deb was not made"
root="$scratch/root"
dpkg -x "$deb" "$root"
for f in usr/bin/zteditor usr/bin/ztdevsim usr/share/zteditor/zteditor.Ini \
    usr/share/man/man1/zteditor.1.gz usr/share/icons/hicolor/48x48/apps/zteditor.png; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
done
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entry"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "metainfo"
lintian -I --fail-on error --allow-root "$deb" 2>&1 | tee "$scratch/lintian.txt" ||
    fail "lintian found errors in $deb"
# The programs carry the distribution's hardening (fortified functions, stack protector,
# read-only relocations bound at start).
! grep hardening "$scratch/lintian.txt" || fail "the programs lack hardening (cmake/Hardening.cmake)"
(cd "$root" && find . -print0 | sort -z | xargs -0 ls -ld --time-style=+%s >"$scratch/before.ls" &&
    find . -type f -print0 | sort -z | xargs -0 sha256sum >"$scratch/before.sum")
chmod -R a-w "$root"
for program in zteditor ztcfg ztdevsim; do
    [ "$("$root/usr/bin/$program" --version)" = "$program $version" ] || fail "$program --version"
done
# The command line is answered before a display is needed.
bogus=0
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/zteditor" --bogus \
    2>"$scratch/bogus.txt" || bogus=$?
[ "$bogus" = 2 ] && grep -q "unknown argument '--bogus'" "$scratch/bogus.txt" ||
    fail "zteditor --bogus without a display: exit $bogus, $(cat "$scratch/bogus.txt")"

export XDG_CONFIG_HOME="$scratch/config"
instance="$XDG_CONFIG_HOME/zteditor"
# First start: the per-user folder is seeded; the port of the shipped settings is not there,
# so the start is ended once the log is written.
"$root/usr/bin/zteditor" >"$scratch/first.txt" 2>&1 &
first=$!
pids+=("$first")
waitfor 30 test -s "$instance/zteditor-$today.Log" || fail "no per-user log: $(cat "$scratch/first.txt")"
kill -TERM "$first"
wait "$first" || true
for f in zteditor.Chn zteditor.Dat; do
    cmp -s "$instance/$f" "$root/usr/share/zteditor/$f" || fail "$f not seeded"
done
grep -q "Messages_GER" "$instance/zteditor.Ini" || fail "settings not seeded"
pointed "$instance/zteditor.Ini" "$scratch/dev2"
rm -f "$instance/zteditor-$today.Log"
simulator "$scratch/dev2" "$scratch/sim2.txt"
session "$instance/zteditor-$today.Log" "$scratch/sim2.txt" "$root/usr/bin/zteditor"

chmod -R u+w "$root"
(cd "$root" && find . -print0 | sort -z | xargs -0 ls -ld --time-style=+%s >"$scratch/after.ls" &&
    find . -type f -print0 | sort -z | xargs -0 sha256sum >"$scratch/after.sum")
diff "$scratch/before.ls" "$scratch/after.ls" >&2 || fail "the installed tree changed"
diff "$scratch/before.sum" "$scratch/after.sum" >&2 || fail "installed files changed"

echo "install test: the portable folder"
tarball="$build/zteditor_${version}_${arch}_portable.tar.gz"
[ -f "$tarball" ] || fail "$tarball was not made"
tar -xzf "$tarball" -C "$scratch"
portable="$scratch/zteditor_${version}_${arch}_portable"
pointed "$portable/zteditor.Ini" "$scratch/dev3"
simulator "$scratch/dev3" "$scratch/sim3.txt"
session "$portable/zteditor-$today.Log" "$scratch/sim3.txt" "$portable/zteditor"
echo "install test: passed ($(du -k "$deb" | cut -f1) kB .deb, $(du -k "$tarball" | cut -f1) kB .tar.gz)"
