#!/usr/bin/env bash
# The payment dialog against the sandbox (started by the driver on free ports): the main
# thread's time from "&Spend..." to the dialog shown, and a mass payment of 1,000 lines with the
# longest main-thread stall during its preview and its payment. The driver
# (bench/spend_driver.cpp) runs a real main window on the offscreen platform.
#   bench/spend.sh [BUILD_DIR] [RUNS] [LINES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-10}
lines=${3:-1000}
driver="$build/bench/spend_driver"
[ -x "$driver" ] || { echo "spend.sh: $driver is not built" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
export NUMMORA_HOME="$work/home" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
unset NUMMORA_SERVERS_INI NUMMORA_EGOLD_SECURE NUMMORA_EGOLD_PLAIN NUMMORA_LIBERTY_RESERVE NUMMORA_VENDOR NUMMORA_CA_FILE
exec "$driver" --runs "$runs" --lines "$lines"
