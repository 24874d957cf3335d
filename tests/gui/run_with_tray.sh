#!/usr/bin/env bash
# Runs a Qt test program on a private X server (Xvfb, on a display it picks itself) twice: first
# with no tray, then with trayer providing an XEmbed tray. NUMMORA_TRAY_RUN tells the program
# which run it is in ("none" or "trayer"); each test function that needs one of them skips in
# the other. Every process started here is stopped on the way out.
#   run_with_tray.sh TEST_PROGRAM [ARGS...]
# Exits 77 (ctest: skipped) when Xvfb is not installed; trayer missing is a failure.
set -u
program=${1:?usage: run_with_tray.sh TEST_PROGRAM [ARGS...]}
shift

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=xvfb_common.sh
. "$here/xvfb_common.sh"
need_xvfb run_with_tray
if ! command -v trayer >/dev/null 2>&1; then
  echo "run_with_tray: trayer is not installed (scripts/install-deps installs it)" >&2
  exit 1
fi

work=$(mktemp -d)
pids=()
trap 'stop_all; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
start_xvfb run_with_tray

# Waits (up to 20 s) until someone owns the tray selection of screen 0, or until nobody does.
await_tray() {
  python3 - "$1" <<'EOF'
import ctypes, sys, time
x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XGetSelectionOwner.restype = ctypes.c_ulong
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit("run_with_tray: cannot open the display")
selection = x11.XInternAtom(display, b"_NET_SYSTEM_TRAY_S0", 0)
wanted = sys.argv[1] == "owned"
deadline = time.monotonic() + 20
while (x11.XGetSelectionOwner(display, selection) != 0) != wanted:
    if time.monotonic() > deadline:
        sys.exit("run_with_tray: the tray selection is still " + ("free" if wanted else "owned"))
    time.sleep(0.05)
x11.XCloseDisplay(display)
EOF
}

# Each run is bounded well inside the test's own time-out, so that this script always gets to
# stop what it started.
run() { timeout --kill-after=5 120 "$program" "$@"; }

await_tray free || exit 1
NUMMORA_TRAY_RUN=none run "$@"
first=$?

trayer --edge top --widthtype pixel --width 200 --height 24 >"$work/trayer.log" 2>&1 &
pids+=($!)
if ! await_tray owned; then
  cat "$work/trayer.log" >&2
  exit 1
fi
NUMMORA_TRAY_RUN=trayer run "$@"
second=$?

[ "$first" -eq 0 ] && [ "$second" -eq 0 ]
