#!/usr/bin/env bash
# Measures Cartonic's performance figures, each as a ratio against a reference measured in the
# same run on the same data (medians over repetitions; absolute times mean little on a shared
# machine). Prints one line per figure, `name: ratio (target)`, and exits 1 when a target is
# missed. Not part of `make test`.
#
#   scripts/bench.sh [build-dir]     default build-dir: build-bench (configured as Release if new)
#   CARTONIC_BENCH_REPETITIONS=n     repetitions per benchmark (default 7)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
reps=${CARTONIC_BENCH_REPETITIONS:-7}

"$root/scripts/install-deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
programs=(bench_make_inputs bench_load bench_load_memory bench_export bench_frame bench_drag
  bench_start)
cmake --build "$build" -j"$(nproc)" --target "${programs[@]}" >/dev/null
bin="$build/bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CARTONIC_BENCH_DIR=$work

# Inputs: a 3000 x 2000 photograph-like picture as PNG and (through the reference encoder) JPEG.
"$bin/bench_make_inputs" "$work"
cjpeg -quality 90 -outfile "$work/photo.jpg" "$work/photo.ppm"
cjpeg -outfile "$work/tiny.jpg" "$work/tiny.ppm"

# The view and start-up figures need a display; without one they get a virtual X server.
display=()
if [ -z "${DISPLAY:-}" ]; then
  display=(xvfb-run -a -s "-screen 0 1600x1200x24")
fi

# run PROGRAM [ARGS...]: the program's benchmarks, repetitions interleaved at random so a busy
# moment of the machine does not fall on one side of a ratio; medians land in $work/PROGRAM.csv.
run() {
  local program=$1
  shift
  "$@" "$bin/$program" --benchmark_repetitions="$reps" --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_format=csv >"$work/$program.csv" \
    2>"$work/$program.log" || {
    echo "bench: $program failed:" >&2
    cat "$work/$program.log" >&2
    exit 1
  }
}

# median PROGRAM BENCHMARK [COLUMN]: the median of a benchmark's time (real or manual, both in
# the real_time column, in the unit the benchmark reports) or of one of its counters; nothing
# when the program reported none.
median() {
  awk -F, -v name="\"$2/" -v column="${3:-real_time}" '
    NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); at[h] = i } next }
    index($1, name) == 1 && $1 ~ /_median"$/ && (column in at) { print $at[column]; found = 1 }
    END { if (!found) exit 1 }' "$work/$1.csv" || echo "bench: no median for $2 in $1" >&2
}

missed=0
# figure NAME NUMERATOR DENOMINATOR TARGET: prints the ratio and remembers a miss; a figure that
# could not be measured counts as missed. The two medians go to standard error.
figure() {
  local line
  line=$(awk -v n="$2" -v d="$3" -v t="$4" -v name="$1" 'BEGIN {
    if (n == "" || d == "" || d + 0 <= 0) { printf "%s: n/a (<= %s)  NOT MEASURED\n", name, t; exit 1 }
    r = n / d; printf "%s: %.2f (<= %s)%s\n", name, r, t, (r <= t ? "" : "  MISSED"); exit (r <= t ? 0 : 1) }') ||
    missed=1
  echo "$line"
  echo "    $2 / $3" >&2
}

run bench_load
run bench_export
run bench_frame
run bench_drag "${display[@]}"
run bench_start "${display[@]}"

# Memory in a fresh process each time: the load's extra resident bytes.
for _ in $(seq "$reps"); do
  "$bin/bench_load_memory" "$work/photo.jpg" >>"$work/memory.txt"
done
memory_median=$(sort -n "$work/memory.txt" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')

rgba_bytes=24000000 # the 3000 x 2000 picture's RGBA buffer
load=$(median bench_load BM_LoadImageJpeg)
export_whole=$(median bench_export BM_Export)
render_reference=$(median bench_export BM_OffscreenRenderReference)
encode_reference=$(median bench_export BM_CjpegReference)
reference=""
if [ -n "$render_reference" ] && [ -n "$encode_reference" ]; then
  reference=$(awk -v a="$render_reference" -v b="$encode_reference" 'BEGIN { print a + b }')
fi

figure load_jpeg_vs_djpeg "$load" "$(median bench_load BM_DjpegReference)" 1.2
figure load_memory_vs_rgba "$memory_median" "$rgba_bytes" 1.15
figure slot_texture_vs_load "$(median bench_load BM_BuildSlotTexture)" "$load" 0.3
figure export_vs_render_cjpeg "$export_whole" "$reference" 1.3
figure frame_vs_no_effects "$(median bench_frame BM_Frame)" \
  "$(median bench_frame BM_FrameWithoutEffects)" 2.5
figure drag_cpu_vs_paints "$(median bench_drag BM_Drag cpu_over_paints)" 1 1.3
figure drag_paints_vs_idle "$(median bench_drag BM_Drag paints_over_idle)" 1 1
figure startup_vs_minimal \
  "$(median bench_start BM_StartCartonic)" \
  "$(median bench_start BM_StartMinimal)" 1.5
exit "$missed"
