#!/usr/bin/env bash
# The Debian package as a technician gets it: scripts/package.sh builds it from a release tree of
# its own, its control fields and files are checked, and it is unpacked into a scratch directory
# whose programs are run from there (the Qt libraries come from the system, as after apt install).
#
#   package_test.sh SOURCE_DIR WORK_DIR
#
# WORK_DIR/build keeps the release build between runs, so a second run rebuilds only what
# changed. Every check is reported; the test fails if any did.
set -uo pipefail
source_dir=$(cd "$1" && pwd)
work_dir=$2
mkdir -p "$work_dir"
work_dir=$(cd "$work_dir" && pwd)

scratch=$(mktemp -d)
children=()
cleanup() {
    for pid in "${children[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
pass() { echo "ok: $*"; }
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
check() {  # check DESCRIPTION COMMAND...: passes when the command succeeds
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# --- Build ----------------------------------------------------------------------------------
if ! "$source_dir/scripts/package.sh" "$work_dir/build" >"$work_dir/package.log" 2>&1; then
    tail -n 40 "$work_dir/package.log" >&2
    echo "FAILED: scripts/package.sh (whole output in $work_dir/package.log)" >&2
    exit 1
fi
deb=$(ls "$work_dir"/build/corvane-control-centre_*.deb)
pass "scripts/package.sh built $(basename "$deb")"

# --- Control fields -------------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
depended=$(field Depends | tr ',' '\n' | awk '{print $1}')  # the package names alone
check "Package is corvane-control-centre" test "$(field Package)" = corvane-control-centre
check "Version is the one of the newest entry of packaging/changelog" test "$(field Version)" = \
    "$(dpkg-parsechangelog -l "$source_dir/packaging/changelog" -S Version)"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6 libqt6sql6 \
           libqt6sql6-sqlite libc6 libstdc++6; do
    check "Depends names $lib" grep -Fxq "$lib" <<<"$depended"
done
description=$(field Description)
summary=$(head -n 1 <<<"$description")
check "Description: a summary, not repeated in the text under it" test -n "$summary" \
    -a "$(sed 's/^ *//' <<<"$description" | grep -Fxc "$summary")" -eq 1
check "Description tells about the dialout group" \
    grep -q "(sudo usermod -aG dialout USER)" <<<"$description"
check "Maintainer, Section, Priority and Architecture are set" \
    test -n "$(field Maintainer)" -a -n "$(field Section)" -a -n "$(field Priority)" \
    -a "$(field Architecture)" = "$(dpkg --print-architecture)"

# --- Files ----------------------------------------------------------------------------------
listing=$(dpkg-deb -c "$deb")
files=$(awk '{print $6}' <<<"$listing" | sed 's|^\./|/|')
expected=(
    /usr/bin/corvane-control-centre
    /usr/bin/corvane
    /usr/bin/vexor-sim
    /usr/share/man/man1/corvane.1.gz
    /usr/share/bash-completion/completions/corvane
    /usr/share/zsh/vendor-completions/_corvane
    /usr/share/man/man1/corvane-control-centre.1.gz
    /usr/share/man/man1/vexor-sim.1.gz
    /usr/share/corvane-control-centre/help/index.html
    /usr/share/applications/corvane-control-centre.desktop
    /usr/share/icons/hicolor/scalable/apps/corvane-control-centre.svg
    /usr/share/doc/corvane-control-centre/copyright
    /usr/share/doc/corvane-control-centre/changelog.gz
    /usr/share/doc/corvane-control-centre/README.md
)
for picture in "$source_dir"/docs/*.png; do
    expected+=("/usr/share/doc/corvane-control-centre/docs/$(basename "$picture")")
done
for path in "${expected[@]}"; do
    check "the package holds $path" grep -Fxq "$path" <<<"$files"
done
check "every file and directory belongs to root/root" \
    test -z "$(awk '$2 != "root/root"' <<<"$listing")"
check "nothing lies outside /usr" test -z "$(grep -v '^/usr\(/\|$\)' <<<"$files" | grep -vx '/')"

# --- Unpacked -------------------------------------------------------------------------------
root=$scratch/root
dpkg-deb -x "$deb" "$root" || { echo "FAILED: dpkg-deb -x" >&2; exit 1; }
bin=$root/usr/bin

check "the desktop entry validates" \
    desktop-file-validate "$root/usr/share/applications/corvane-control-centre.desktop"
check "the desktop entry starts the installed program with the installed icon" \
    grep -qx 'Exec=corvane-control-centre' "$root/usr/share/applications/corvane-control-centre.desktop"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    name=$(basename "$page" .1.gz)
    # As lintian checks a manual page: no warning from man or groff, and the page has its parts.
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    check "man -l $name.1 renders without warnings" test -z "$warnings"
    [ -z "$warnings" ] || echo "$warnings" >&2
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null)
    check "man -l $name.1 has NAME, SYNOPSIS and OPTIONS" \
        bash -c 'grep -q "^NAME" <<<"$1" && grep -q "^SYNOPSIS" <<<"$1" && grep -q "^OPTIONS" <<<"$1" &&
                 grep -q "^ *'"$name"' " <<<"$1"' _ "$text"
done
check "the help lies where the program looks for it, relative to bin/" \
    test -f "$bin/../share/corvane-control-centre/help/index.html"
help_dir=$root/usr/share/corvane-control-centre/help
for picture in $(grep -o 'src="[^"]*"' "$help_dir/index.html" | sed 's/^src="//; s/"$//'); do
    check "the picture $picture the help shows is installed" test -f "$help_dir/$picture"
done

# Waits up to $3 seconds for the file $1 to hold a line matching $2.
await_line() {
    local deadline=$((SECONDS + $3))
    while [ $SECONDS -lt "$deadline" ]; do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.2
    done
    return 1
}
# Stops the background program $1 with SIGTERM and passes when it ends with status 0.
stop_cleanly() {
    kill -TERM "$1" 2>/dev/null
    wait "$1"
}

export QT_QPA_PLATFORM=offscreen
run_dir=$scratch/run  # the programs' working directory: Vexor.qzt is written there
mkdir -p "$run_dir"
cd "$run_dir" || exit 1

if [ -x "$bin/vexor-sim" ]; then
    "$bin/vexor-sim" --addresses 0,5 >"$scratch/vexor-sim.out" 2>&1 &
    pid=$!
    children+=("$pid")
    check "installed vexor-sim serves its sensors" \
        await_line "$scratch/vexor-sim.out" '^Connect with: corvane-control-centre --com1 ' 20
    check "installed vexor-sim stops on SIGTERM with status 0" stop_cleanly "$pid"
fi

if [ -x "$bin/corvane-control-centre" ]; then
    "$bin/corvane-control-centre" --headless --simulate >"$scratch/control-centre.out" 2>&1 &
    pid=$!
    children+=("$pid")
    check "installed corvane-control-centre --headless --simulate talks to its sensor" \
        await_line "$scratch/control-centre.out" '^System Messages: .*Sensor Comms OK' 30
    check "installed corvane-control-centre stops on SIGTERM with status 0" stop_cleanly "$pid"
    check "installed corvane-control-centre wrote its settings in the working directory" \
        test -s "$run_dir/Vexor.qzt"
fi
[ $failures -eq 0 ] || cat "$scratch"/*.out >&2 2>/dev/null

# The command line program, last: its absence fails the test, but after everything else has
# been checked.
corvane=$bin/corvane
if [ ! -x "$corvane" ]; then
    fail "usr/bin/corvane is missing from the package: the corvane target was not built"
else
    help=$(timeout 60 "$corvane" --help 2>&1)
    status=$?
    check "installed corvane --help ends with status 0" test $status -eq 0
    check "installed corvane --help names the commands" \
        bash -c 'for c in info monitor read-setup write-setup download scan set-address; do
                     grep -q -- "$c" <<<"$1" || exit 1; done' _ "$help"
    info=$(timeout 60 "$corvane" --simulate info 2>"$scratch/corvane-info.err")
    status=$?
    check "installed corvane --simulate info ends with status 0" test $status -eq 0
    check "installed corvane --simulate info prints 'Name: value' lines" \
        test "$(grep -Ec '^[^:]+: .' <<<"$info")" -ge 5
    if [ $status -ne 0 ]; then
        echo "corvane --simulate info printed:" >&2
        cat "$scratch/corvane-info.err" >&2
        echo "$info" >&2
    fi
fi

if [ $failures -ne 0 ]; then
    echo "$failures check(s) of the package failed" >&2
    exit 1
fi
echo "All checks of the package passed"
