#!/usr/bin/env bash
# The history viewer filled from long e-gold exports (bench/history_fill_driver.cpp): the
# 65,535-row fill against a plain list of the same texts, and the longest main-thread stall
# while a 200,000-row export is listed.
#   bench/history_fill.sh [BUILD_DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-5}
driver="$build/bench/history_fill_driver"
[ -x "$driver" ] || { echo "history_fill.sh: $driver is not built" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
export NUMMORA_HOME="$work/home" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
exec "$driver" --runs "$runs"
