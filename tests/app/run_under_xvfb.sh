#!/usr/bin/env bash
# Runs a Qt test program on a private X server (Xvfb, on a display it picks itself) with the xcb
# platform, for tests that need real X11: the global hotkey grabs and key presses sent with
# xdotool. Every process started here is stopped on the way out.
#   run_under_xvfb.sh TEST_PROGRAM [ARGS...]
# Exits 77 (ctest: skipped) when Xvfb is not installed; xdotool missing is a failure.
set -u
program=${1:?usage: run_under_xvfb.sh TEST_PROGRAM [ARGS...]}
shift

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "run_under_xvfb: Xvfb is not installed; the test is skipped"
  exit 77
fi
if ! command -v xdotool >/dev/null 2>&1; then
  echo "run_under_xvfb: xdotool is not installed (scripts/install-deps installs it)" >&2
  exit 1
fi

work=$(mktemp -d)
xvfb=""
stop_all() {
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
  fi
}
trap 'stop_all; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# Xvfb writes the number of the display it took to descriptor 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "run_under_xvfb: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"
export QT_QPA_PLATFORM=xcb
# No session bus: the program's notifications must not reach the desktop of whoever runs this.
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
timeout --kill-after=5 120 "$program" "$@"
