#!/usr/bin/env bash
# Reducing a 1920 x 1080 photograph-like picture to 256 colours with
# Floyd-Steinberg-like error diffusion: ImageMagick's convert beside our
# reduction, on the same file, in one run. Prints both and the ratio.
#
# How it is measured: convert's whole command (start, reading the PPM,
# quantising with dithering, writing nothing: the output goes to null:) is
# timed with the wall clock, median of several runs; its start and reading
# alone (convert <file> null:) are timed the same way and reported beside.
# Ours is the reduction of the picture already in memory (Google Benchmark,
# median of 7 repetitions).
#
#   bench/colour/reduction.sh [path/to/bench_reduction] [runs]
# Installs ImageMagick with apt-get when /usr/bin/convert is missing.
set -euo pipefail

exe=${1:-$(dirname "$0")/../../build/bench/colour/bench_reduction}
runs=${2:-7}
[ -x "$exe" ] || { echo "no benchmark at $exe" >&2; exit 1; }
convert=/usr/bin/convert
if [ ! -x "$convert" ]; then
  echo "installing ImageMagick" >&2
  if ! apt-get install -y imagemagick >/dev/null 2>&1; then
    apt-get update >/dev/null
    apt-get install -y imagemagick >/dev/null
  fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$exe" write "$work/photo.ppm"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# time_ms <command...>: wall milliseconds of one run
time_ms() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

"$convert" "$work/photo.ppm" -colors 256 -dither FloydSteinberg "$work/check.png"
echo "convert's result: $("$convert" "$work/check.png" -format '%k colours, %wx%h' info:)"
quantise=() read_only=()
for ((i = 0; i < runs; i++)); do
  quantise+=("$(time_ms "$convert" "$work/photo.ppm" -colors 256 -dither FloydSteinberg null:)")
  read_only+=("$(time_ms "$convert" "$work/photo.ppm" null:)")
done
convert_ms=$(printf '%s\n' "${quantise[@]}" | median)
read_ms=$(printf '%s\n' "${read_only[@]}" | median)
echo "convert runs (ms): ${quantise[*]}; reading only: ${read_only[*]}"
echo "load before our run: $(cut -d' ' -f1-3 /proc/loadavg)"
"$exe" "$work/photo.ppm" "$convert_ms" "$read_ms" --benchmark_color=false
