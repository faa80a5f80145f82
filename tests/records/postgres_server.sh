#!/usr/bin/env bash
# A PostgreSQL server of the tests' own, in a scratch folder, reachable only through a Unix socket
# in that folder.
#
#   postgres_server.sh start DIR USER DATABASE   initialises DIR/data (USER its superuser, no
#                                                passwords), starts the server, creates DATABASE
#   postgres_server.sh stop DIR                  stops it
#
# Exits with 77 when the server's programs are not installed. Run as root, the server runs as
# the user postgres (or nobody), which is given DIR.
set -euo pipefail

action=${1:?usage: postgres_server.sh start DIR USER DATABASE | stop DIR}
dir=${2:?the server\'s folder}

bindir=""
for candidate in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
  if [ -x "$candidate/initdb" ] && [ -x "$candidate/pg_ctl" ]; then
    bindir=$candidate
    break
  fi
done
if [ -z "$bindir" ] && command -v pg_ctl >/dev/null 2>&1; then
  bindir=$(dirname "$(command -v pg_ctl)")
fi
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "the PostgreSQL server programs (initdb, pg_ctl; Debian package postgresql) are not installed" >&2
  exit 77
fi

run=()
if [ "$(id -u)" -eq 0 ]; then
  owner=postgres
  id -u "$owner" >/dev/null 2>&1 || owner=nobody
  run=(runuser -u "$owner" --)
fi

case $action in
  start)
    user=${3:?the superuser\'s name}
    database=${4:?the database\'s name}
    mkdir -p "$dir"
    if [ ${#run[@]} -gt 0 ]; then chown -R "$owner" "$dir"; fi
    if ! "${run[@]}" "$bindir/initdb" -D "$dir/data" -U "$user" -A trust -E UTF8 --no-sync \
        >"$dir/initdb.log" 2>&1; then
      cat "$dir/initdb.log" >&2
      exit 1
    fi
    if ! "${run[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-k $dir -c listen_addresses='' -c fsync=off" start >/dev/null; then
      cat "$dir/server.log" >&2
      exit 1
    fi
    "${run[@]}" "$bindir/createdb" -h "$dir" -U "$user" "$database"
    ;;
  stop)
    "${run[@]}" "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
  *)
    echo "usage: postgres_server.sh start DIR USER DATABASE | stop DIR" >&2
    exit 2
    ;;
esac
