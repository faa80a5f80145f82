#!/usr/bin/env bash
# Runs a command in a private X server with a window manager, as a technician's desktop would
# have them: Xvfb on a display of its own (SCREEN, default 1366x768x24) and openbox. The
# server and the window manager are ended with the command, whatever way it ends.
#   run_in_x_server.sh COMMAND [ARGS...]
set -uo pipefail
screen="${SCREEN:-1366x768x24}"
fifo_dir="$(mktemp -d)"
cleanup() {
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null
  [ -n "${x_pid:-}" ] && kill "$x_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$fifo_dir"
}
trap cleanup EXIT INT TERM
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$fifo_dir/display" \
  >"$fifo_dir/xvfb.log" 2>&1 &
x_pid=$!
read -r -t 20 display_number <"$fifo_dir/display" || {
  echo "run_in_x_server: Xvfb did not start" >&2
  cat "$fifo_dir/xvfb.log" >&2
  exit 1
}
export DISPLAY=":$display_number"
openbox >"$fifo_dir/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is in charge once it has taken the root window's focus.
for _ in $(seq 1 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
export QT_QPA_PLATFORM=xcb
# A runtime folder of its own, so that the one-copy check of a program under test meets no other
# copy (another test's, or a technician's running on this machine).
export XDG_RUNTIME_DIR="$fifo_dir/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
"$@"
