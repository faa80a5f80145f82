#!/usr/bin/env bash
# corvane records push and pull against a PostgreSQL server this test starts itself (through
# postgres_server.sh): a push twice leaves each event on the server once, a pull into an empty
# record gives the same events, printed the same.
#
#   records_push_pull_test.sh CORVANE POSTGRES_SERVER_SCRIPT
# Exits with 77 (skipped) only when the server's programs are not installed.
set -uo pipefail
corvane=$1
server_script=$2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

scratch=$(mktemp -d)
server=$scratch/server
chmod 755 "$scratch"
cleanup() {
    bash "$server_script" stop "$server" >/dev/null 2>&1
    rm -rf "$scratch"
}
trap cleanup EXIT

bash "$server_script" start "$server" tech records
status=$?
if [ $status -eq 77 ]; then exit 77; fi
[ $status -eq 0 ] || { echo "FAILED: the PostgreSQL server did not start"; exit 1; }
url="postgresql://tech@${server//\//%2F}/records"

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

cd "$scratch"
"$corvane" --simulate --records "$scratch/a.sqlite" read-setup tank.QCF >/dev/null ||
    fail "read-setup on the virtual sensor"
"$corvane" --simulate --records "$scratch/a.sqlite" write-setup tank.QCF --yes >/dev/null ||
    fail "write-setup on the virtual sensor"
events=$("$corvane" --records "$scratch/a.sqlite" history --json | wc -l)
[ "$events" -ge 4 ] || fail "the record holds $events events, not at least 4"

out=$("$corvane" --records "$scratch/a.sqlite" records push "$url" 2>&1)
[ "$out" = "$events events pushed to $url" ] || fail "first push: $out"
out=$("$corvane" --records "$scratch/a.sqlite" records push "$url" 2>&1)
[ "$out" = "0 events pushed to $url" ] || fail "second push: $out"

out=$("$corvane" --records "$scratch/b.sqlite" records pull "$url" 2>&1)
[ "$out" = "$events events pulled from $url" ] || fail "pull: $out"
"$corvane" --records "$scratch/a.sqlite" history --json >a.json
"$corvane" --records "$scratch/b.sqlite" history --json >b.json
cmp -s a.json b.json || fail "the pulled record prints differently: $(diff a.json b.json | head -5)"

[ $failures -eq 0 ] && echo "ok: $events events pushed once, pulled whole"
exit $((failures > 0))
