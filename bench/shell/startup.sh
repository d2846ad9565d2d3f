#!/usr/bin/env bash
# Start-up time of the real program on a virtual X display: milliseconds from
# launching the process until its main window is mapped (first exposed) and
# until the view has drawn its first board. Prints the median of several runs.
#
# How it is measured: the script notes the wall clock (CLOCK_REALTIME, ns)
# just before it starts the program, and the program, asked by the variable
# TESSERIN_STARTUP_TIMING, prints "tesserin-timing mapped <ns>" and
# "tesserin-timing drawn <ns>" to stderr at those two moments. Each run uses a
# fresh copy of the executable in a temporary folder, so there is no settings
# file and the developer's own is never touched.
#
#   bench/shell/startup.sh [path/to/tesserin] [runs]
# Without a display it re-runs itself under xvfb-run.
set -euo pipefail

exe=${1:-$(dirname "$0")/../../build/shell/tesserin}
runs=${2:-9}
[ -x "$exe" ] || { echo "no executable at $exe" >&2; exit 1; }
exe=$(readlink -f "$exe")

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$exe" "$runs"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work/runtime}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

mapped_all=()
drawn_all=()
for ((i = 1; i <= runs; i++)); do
  dir=$work/run$i
  mkdir -p "$dir"
  cp "$exe" "$dir/tesserin"
  log=$dir/stderr
  start=$(date +%s%N)
  TESSERIN_STARTUP_TIMING=1 "$dir/tesserin" 2>"$log" &
  pid=$!
  # Wait (up to 30 s) for both lines.
  for ((t = 0; t < 3000; t++)); do
    grep -q 'tesserin-timing drawn' "$log" 2>/dev/null && grep -q 'tesserin-timing mapped' "$log" && break
    sleep 0.01
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  mapped=$(awk '/tesserin-timing mapped/ { print $3 }' "$log")
  drawn=$(awk '/tesserin-timing drawn/ { print $3 }' "$log")
  if [ -z "$mapped" ] || [ -z "$drawn" ]; then
    echo "run $i: no timing lines" >&2
    continue
  fi
  mapped_ms=$(( (mapped - start) / 1000000 ))
  drawn_ms=$(( (drawn - start) / 1000000 ))
  echo "run $i: mapped ${mapped_ms} ms, drawn ${drawn_ms} ms"
  mapped_all+=("$mapped_ms")
  drawn_all+=("$drawn_ms")
done

[ ${#mapped_all[@]} -gt 0 ] || { echo "no run produced timings" >&2; exit 1; }
echo "median of ${#mapped_all[@]} runs: mapped $(printf '%s\n' "${mapped_all[@]}" | median) ms," \
     "drawn $(printf '%s\n' "${drawn_all[@]}" | median) ms"
