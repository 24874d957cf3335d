#!/usr/bin/env bash
# Start-up time: from process start until the login dialog is on the screen, for nummora and
# for a bare Qt window program (bench/bare_window.cpp, built here with the same Qt), as the
# median of RUNS runs each, and their ratio. Runs on its own X server (xvfb-run); a window
# counts as shown once the X server lists it by its title.
#   bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-10}
program="$build/src/nummora"
[ -x "$program" ] || { echo "startup.sh: $program is not built" >&2; exit 1; }

# Measured on an X server of its own, so that nothing else on the screen interferes.
if [ -z "${STARTUP_INSIDE_X:-}" ]; then
  exec env STARTUP_INSIDE_X=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$build" "$runs"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bare="$work/bare_window"
# shellcheck disable=SC2046
c++ -std=c++20 -O2 -fPIC "$here/bare_window.cpp" -o "$bare" $(pkg-config --cflags --libs Qt6Widgets)

export NUMMORA_HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
mkdir -p "$NUMMORA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Milliseconds from starting the command until a window titled $1 exists.
time_to_window() {
  local title=$1
  shift
  local start end pid
  start=$(date +%s%N)
  "$@" >/dev/null 2>"$work/stderr" &
  pid=$!
  until xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\""; do
    if ! kill -0 "$pid" 2>/dev/null; then echo "startup.sh: $1 ended early:" >&2; cat "$work/stderr" >&2; return 1; fi
    sleep 0.005
  done
  end=$(date +%s%N)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo $(( (end - start) / 1000000 ))
}

median() { sort -n | awk '{a[NR]=$1} END {if (NR % 2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }

# One run each first, so that both start with warm caches and the settings store exists.
time_to_window "Nummora Login" "$program" >/dev/null
time_to_window "Bare window" "$bare" >/dev/null

nummora_times=()
bare_times=()
for _ in $(seq "$runs"); do
  nummora_times+=("$(time_to_window "Nummora Login" "$program")")
  bare_times+=("$(time_to_window "Bare window" "$bare")")
done
n=$(printf '%s\n' "${nummora_times[@]}" | median)
b=$(printf '%s\n' "${bare_times[@]}" | median)
echo "nummora login dialog: median ${n} ms (${nummora_times[*]})"
echo "bare Qt window:       median ${b} ms (${bare_times[*]})"
awk -v n="$n" -v b="$b" 'BEGIN { printf "ratio nummora / bare: %.2f\n", n / b }'
