#!/usr/bin/env bash
# Runs a Qt test program on a private X server (Xvfb, on a display it picks itself) with the xcb
# platform, for tests that need real X11: the global hotkey grabs and key presses sent with
# xdotool. Every process started here is stopped on the way out.
#   run_under_xvfb.sh TEST_PROGRAM [ARGS...]
# Exits 77 (ctest: skipped) when Xvfb is not installed; xdotool missing is a failure.
set -u
program=${1:?usage: run_under_xvfb.sh TEST_PROGRAM [ARGS...]}
shift

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=xvfb_common.sh
. "$here/xvfb_common.sh"
need_xvfb run_under_xvfb
if ! command -v xdotool >/dev/null 2>&1; then
  echo "run_under_xvfb: xdotool is not installed (scripts/install-deps installs it)" >&2
  exit 1
fi

work=$(mktemp -d)
pids=()
trap 'stop_all; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
start_xvfb run_under_xvfb
timeout --kill-after=5 120 "$program" "$@"
