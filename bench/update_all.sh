#!/usr/bin/env bash
# "Update all balances" against the sandbox (started with --demo-accounts 127 on free ports by
# the driver): wall time from the action to the last updated row for one account and for 127,
# their ratio, and the longest stall of the main thread meanwhile, as medians of RUNS runs.
# The driver (bench/update_all_driver.cpp) runs a real main window on the offscreen platform.
# LATENCY_MS has the sandbox hold each answer that long, as a server across the internet would.
#   bench/update_all.sh [BUILD_DIR] [RUNS] [LATENCY_MS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-5}
latency=${3:-0}
driver="$build/bench/update_all_driver"
[ -x "$driver" ] || { echo "update_all.sh: $driver is not built" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
export NUMMORA_HOME="$work/home" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
unset NUMMORA_SERVERS_INI NUMMORA_EGOLD_SECURE NUMMORA_EGOLD_PLAIN NUMMORA_LIBERTY_RESERVE NUMMORA_VENDOR NUMMORA_CA_FILE
exec "$driver" --runs "$runs" --accounts 127 --latency "$latency"
