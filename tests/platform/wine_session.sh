#!/bin/sh
# Starts or ends the Wine session that the tests of a Windows build share (the prefix is
# WINEPREFIX from the environment):
#   wine_session.sh start WINESERVER WINE KEEPER.exe
#   wine_session.sh end WINESERVER
# Wine's own processes (services, device manager, desktop) start with the first program of a
# session and keep that program's standard output and error until the session ends, so CTest
# would wait for a test until the run's last one ended. Here they start with outputs of their
# own, and a keeper program holds the session open while the tests come and go.
set -u
wineserver=$2
case "$1" in
  start)
    wine=$3
    keeper=$4
    "$wineserver" -p60 </dev/null >/dev/null 2>&1
    "$wine" "$keeper" </dev/null >/dev/null 2>&1 &
    # Returns once Wine has started its own processes.
    "$wine" "$keeper" --ready </dev/null >/dev/null 2>&1
    ;;
  end)
    "$wineserver" -k </dev/null >/dev/null 2>&1
    exit 0
    ;;
  *)
    echo "usage: $0 start WINESERVER WINE KEEPER | end WINESERVER" >&2
    exit 2
    ;;
esac
