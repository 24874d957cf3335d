#!/usr/bin/env bash
# Start-up time: from process start until the login dialog is mapped on the screen, for nummora
# and for a bare Qt window program (bench/bare_window.cpp, built here with the same Qt), as the
# median of RUNS runs each, and their ratio. Runs on its own X server (xvfb-run) without a window
# manager; bench/map_timer.cpp starts each program and takes the MapNotify event of its window.
# The processor time each program used until then is shown as well.
#   bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-10}
program="$build/src/nummora"
[ -x "$program" ] || { echo "startup.sh: $program is not built" >&2; exit 1; }

# Measured on an X server of its own, so that nothing else on the screen interferes, with a
# session bus as a desktop session has one (without it, Qt starts a bus of its own in each
# program through dbus-launch, which the figures would then include).
if [ -z "${STARTUP_INSIDE_X:-}" ]; then
  exec env STARTUP_INSIDE_X=1 xvfb-run -a -s "-screen 0 1280x800x24" \
    dbus-run-session -- "$0" "$build" "$runs"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bare="$work/bare_window"
timer="$work/map_timer"
# shellcheck disable=SC2046
c++ -std=c++20 -O2 -fPIC "$here/bare_window.cpp" -o "$bare" $(pkg-config --cflags --libs Qt6Widgets)
# shellcheck disable=SC2046
c++ -std=c++20 -O2 "$here/map_timer.cpp" -o "$timer" $(pkg-config --cflags --libs x11)

export NUMMORA_HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
mkdir -p "$NUMMORA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

median() { sort -n | awk '{a[NR]=$1} END {if (NR % 2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }

# A first run of each that is left running for a second, so that both start with warm caches
# and nummora has made its settings store and link registration, as on every start but the first.
for first in "$program" "$bare"; do
  "$first" >/dev/null 2>&1 &
  sleep 1
  kill "$!" 2>/dev/null || true
  wait "$!" 2>/dev/null || true
done

nummora_times=() nummora_cpu=() bare_times=() bare_cpu=()
for _ in $(seq "$runs"); do
  { read -r t; read -r c; } < <("$timer" "Nummora Login" "$program")
  nummora_times+=("$t") nummora_cpu+=("$c")
  { read -r t; read -r c; } < <("$timer" "Bare window" "$bare")
  bare_times+=("$t") bare_cpu+=("$c")
done
n=$(printf '%s\n' "${nummora_times[@]}" | median)
b=$(printf '%s\n' "${bare_times[@]}" | median)
echo "nummora login dialog mapped: median ${n} ms (${nummora_times[*]})"
echo "bare Qt window mapped:       median ${b} ms (${bare_times[*]})"
echo "processor time until mapped: nummora median $(printf '%s\n' "${nummora_cpu[@]}" | median) ms," \
  "bare median $(printf '%s\n' "${bare_cpu[@]}" | median) ms"
awk -v n="$n" -v b="$b" 'BEGIN { printf "ratio nummora / bare: %.2f\n", n / b }'
