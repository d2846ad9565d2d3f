#!/usr/bin/env bash
# Start-up of the real program on a virtual X display: milliseconds from
# launching the process until its main window is mapped (first exposed) and
# until the view has drawn its first board, and the peak memory (VmHWM) at
# that moment. Prints the median of several runs, first for a start with no
# picture, then for a start that reopens a remembered 6000 x 4000 PNG photo,
# beside libpng's bare decode of that file, and one that reopens a remembered
# 12 MP HEIC photo, beside libheif's bare decode of it.
#
# How it is measured: the script notes the wall clock (CLOCK_REALTIME, ns)
# just before it starts the program, and the program, asked by the variable
# TESSERIN_STARTUP_TIMING, prints "tesserin-timing mapped <ns>" and
# "tesserin-timing drawn <ns>" to stderr at those two moments. Each run uses a
# fresh copy of the executable in a temporary folder, so the settings file is
# the script's own and the developer's is never touched.
#
#   bench/shell/startup.sh [path/to/tesserin] [runs] [path/to/bench_photo]
#                          [path/to/photo.heic path/to/bench_heif_decode]
# Without bench_photo (built beside the program in bench/support/) only the
# start without a picture is measured; without the HEIC and its decode tool
# (bench/readers/) the HEIC start is left out. Without a display it re-runs
# itself under xvfb-run.
set -euo pipefail

exe=${1:-$(dirname "$0")/../../build/shell/tesserin}
runs=${2:-9}
[ -x "$exe" ] || { echo "no executable at $exe" >&2; exit 1; }
exe=$(readlink -f "$exe")
photo_tool=${3:-$(dirname "$exe")/../bench/support/bench_photo}
[ -x "$photo_tool" ] && photo_tool=$(readlink -f "$photo_tool") || photo_tool=
heic=${4:-}
heif_tool=${5:-}
[ -f "$heic" ] && [ -x "$heif_tool" ] && heic=$(readlink -f "$heic") heif_tool=$(readlink -f "$heif_tool") || heic=

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$exe" "$runs" "$photo_tool" "$heic" "$heif_tool"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work/runtime}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# measure <label> [settings text [reference command...]]: runs the program
# $runs times and prints the medians; sets drawn_median and peak_median (ms,
# MB). With a reference (a bare decode tool and its arguments, less the run
# count), one bare decode runs before each start, side by side so that the
# machine's drift over the runs touches both alike, and each in a process of
# its own, for the program decodes its first picture on pages and a heap no
# earlier decode has warmed (in one process, later decodes of a phone photo
# run some 10 % faster); sets reference_median (ms).
measure() {
  local label=$1 settings=${2:-}
  shift $(($# < 2 ? $# : 2))
  local mapped_all=() drawn_all=() peak_all=() reference_all=()
  for ((i = 1; i <= runs; i++)); do
    local dir=$work/$label$i
    mkdir -p "$dir"
    [ $# -gt 0 ] && reference_all+=("$("$@" 1)")
    cp "$exe" "$dir/tesserin"
    [ -n "$settings" ] && printf '%s\n' "$settings" >"$dir/tesserin.ini"
    local log=$dir/stderr fifo=$dir/stderr.fifo
    local start pid peak= mapped= drawn= line err
    mkfifo "$fifo"
    start=$(date +%s%N)
    TESSERIN_STARTUP_TIMING=1 "$dir/tesserin" 2>"$fifo" &
    pid=$!
    # Bash's own read blocks on the program's stderr (up to 60 s a line): a
    # polling loop of forked greps would take CPU from the program it times.
    exec {err}<"$fifo"
    while [ -z "$mapped" ] || [ -z "$drawn" ]; do
      IFS= read -r -t 60 -u "$err" line || break
      printf '%s\n' "$line" >>"$log"
      case $line in
        'tesserin-timing mapped '*) mapped=${line##* } ;;
        'tesserin-timing drawn '*) drawn=${line##* } ;;
      esac
    done
    peak=$(awk '/^VmHWM:/ { print int($2 / 1024) }' "/proc/$pid/status" 2>/dev/null || true)
    kill "$pid" 2>/dev/null || true
    exec {err}<&-
    wait "$pid" 2>/dev/null || true
    if [ -z "$mapped" ] || [ -z "$drawn" ] || [ -z "$peak" ]; then
      echo "$label run $i: no timing lines" >&2
      continue
    fi
    local mapped_ms=$(( (mapped - start) / 1000000 )) drawn_ms=$(( (drawn - start) / 1000000 ))
    echo "$label run $i: mapped ${mapped_ms} ms, drawn ${drawn_ms} ms, peak ${peak} MB"
    mapped_all+=("$mapped_ms")
    drawn_all+=("$drawn_ms")
    peak_all+=("$peak")
  done
  [ ${#mapped_all[@]} -gt 0 ] || { echo "no $label run produced timings" >&2; exit 1; }
  drawn_median=$(printf '%s\n' "${drawn_all[@]}" | median)
  [ $# -gt 0 ] && reference_median=$(printf '%s\n' "${reference_all[@]}" | median)
  peak_median=$(printf '%s\n' "${peak_all[@]}" | median)
  echo "$label, median of ${#mapped_all[@]} runs: mapped $(printf '%s\n' "${mapped_all[@]}" | median) ms," \
       "drawn $drawn_median ms, peak memory $peak_median MB"
}

measure empty
empty_peak=$peak_median

[ -n "$photo_tool" ] || exit 0
photo=$work/photo.png
"$photo_tool" write "$photo" rgb
measure photo "$(printf '[Settings]\nImage=%s' "$photo")" "$photo_tool" libpng-ms "$photo"
echo "remembered 6000 x 4000 PNG: drawn $drawn_median ms; libpng alone decodes it in $reference_median ms" \
     "(goal: drawn within $reference_median + 60 ms)"
awk -v e="$empty_peak" -v p="$peak_median" 'BEGIN {
  printf "peak memory with the photo: %d MB over the empty game (goal: at most %.1f MB, 1.3 x the 72 MB picture)\n", p - e, 1.3 * 72 }'

[ -n "$heic" ] || exit 0
measure heic "$(printf '[Settings]\nImage=%s' "$heic")" "$heif_tool" "$heic"
echo "remembered 12 MP HEIC: drawn $drawn_median ms; libheif alone decodes it in $reference_median ms" \
     "(goal: drawn within $reference_median + 60 ms)"
