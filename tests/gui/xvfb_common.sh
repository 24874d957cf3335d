# Sourced by the Xvfb test runners (run_under_xvfb.sh, run_with_tray.sh). Defines:
#   need_xvfb NAME     exits 77 (ctest: skipped) when Xvfb is not installed
#   start_xvfb NAME    starts a private X server on a display it picks itself, adds its process
#                      to the caller's pids array and points DISPLAY and Qt at it, without a
#                      session bus (the program's notifications must not reach the desktop of
#                      whoever runs the tests); needs the caller's scratch folder in $work
#   stop_all           stops every process in pids (the caller's EXIT trap calls it)

need_xvfb() {
  if ! command -v Xvfb >/dev/null 2>&1; then
    echo "$1: Xvfb is not installed; the test is skipped"
    exit 77
  fi
}

stop_all() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  pids=()
}

start_xvfb() {
  # Xvfb writes the number of the display it took to descriptor 3 once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  if [ ! -s "$work/display" ]; then
    echo "$1: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  export DISPLAY=":$(head -n 1 "$work/display")"
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
}
