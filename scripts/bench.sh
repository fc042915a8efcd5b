#!/usr/bin/env bash
# Measures Cartonic's performance figures, each as a ratio against a reference measured in the
# same run on the same data: figure and reference alternate within each repetition, and the
# median over the repetitions is taken (absolute times mean little on a shared machine). Prints
# one line per figure, `name: ratio (target)`, and exits 1 when a target is missed; the times
# behind each ratio go to standard error. Not part of `make test`.
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
  bench_start bench_render_start bench_quality cartonic-render cartonic)
cmake --build "$build" -j"$(nproc)" --target "${programs[@]}" >/dev/null
bin="$build/bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CARTONIC_BENCH_DIR=$work

# Inputs: a 3000 x 2000 photograph-like picture as PNG and (through the reference encoder) JPEG.
"$bin/bench_make_inputs" "$work"
cjpeg -quality 90 -outfile "$work/photo.jpg" "$work/photo.ppm"
cjpeg -quality 90 -outfile "$work/large.jpg" "$work/large.ppm"
cjpeg -outfile "$work/tiny.jpg" "$work/tiny.ppm"

# The view and start-up figures need a display; without one they get a virtual X server.
display=()
if [ -z "${DISPLAY:-}" ]; then
  display=(xvfb-run -a -s "-screen 0 1600x1200x24")
fi

# run_some NAME PROGRAM FILTER [WRAPPER...]: the program's benchmarks that FILTER matches,
# repetitions in random order; the medians of their counters land in $work/NAME.csv. Benchmarks
# with counters of their own are run apart: a CSV report holds one set of counters.
run_some() {
  local name=$1 program=$2 filter=$3
  shift 3
  "$@" "$bin/$program" --benchmark_filter="$filter" --benchmark_repetitions="$reps" \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_format=csv >"$work/$name.csv" 2>"$work/$name.log" || {
    echo "bench: $program failed:" >&2
    cat "$work/$name.log" >&2
    exit 1
  }
}

# run PROGRAM [WRAPPER...]: all of the program's benchmarks, into $work/PROGRAM.csv.
run() {
  local program=$1
  shift
  run_some "$program" "$program" . "$@"
}

# median PROGRAM BENCHMARK COUNTER: the median over the repetitions of one of a benchmark's
# counters; nothing when the program reported none.
median() {
  awk -F, -v name="\"$2/" -v column="$3" '
    NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); at[h] = i } next }
    index($1, name) == 1 && $1 ~ /_median"$/ && (column in at) { print $at[column]; found = 1 }
    END { if (!found) exit 1 }' "$work/$1.csv" || echo "bench: no median of $3 for $2 in $1" >&2
}

missed=0
# figure NAME RATIO TARGET [DETAIL]: prints the ratio and remembers a miss; a figure that could
# not be measured counts as missed. DETAIL goes to standard error.
figure() {
  local line
  line=$(awk -v r="$2" -v t="$3" -v name="$1" 'BEGIN {
    if (r == "") { printf "%s: n/a (<= %s)  NOT MEASURED\n", name, t; exit 1 }
    printf "%s: %.2f (<= %s)%s\n", name, r, t, (r <= t ? "" : "  MISSED"); exit (r <= t ? 0 : 1) }') ||
    missed=1
  echo "$line"
  [ -z "${4:-}" ] || echo "    $4" >&2
}

# figure_at_least NAME VALUE TARGET [DETAIL]: as figure, for a figure that must reach its target.
figure_at_least() {
  local line
  line=$(awk -v r="$2" -v t="$3" -v name="$1" 'BEGIN {
    if (r == "") { printf "%s: n/a (>= %s)  NOT MEASURED\n", name, t; exit 1 }
    printf "%s: %.2f (>= %s)%s\n", name, r, t, (r >= t ? "" : "  MISSED"); exit (r >= t ? 0 : 1) }') ||
    missed=1
  echo "$line"
  [ -z "${4:-}" ] || echo "    $4" >&2
}

# quality MODE NAME: one figure of bench_quality MODE (run once per mode, into $work/MODE.txt).
quality() {
  [ -f "$work/quality-$1.txt" ] || "$bin/bench_quality" "$1" >"$work/quality-$1.txt" \
    2>"$work/quality-$1.log" || {
    echo "bench: bench_quality $1 failed:" >&2
    cat "$work/quality-$1.log" >&2
  }
  awk -v name="$2" '$1 == name { print $2 }' "$work/quality-$1.txt"
}

# pair PROGRAM BENCHMARK: the medians of a paired benchmark's two sides, for the record.
pair() {
  echo "$(median "$1" "$2" figure_ms) ms against $(median "$1" "$2" reference_ms) ms"
}

run bench_load
run bench_export
run bench_frame
run_some bench_drag bench_drag BM_Drag "${display[@]}"
run_some view_frame bench_drag BM_InteractionFrameVsAliased "${display[@]}"
run_some view_settle bench_drag BM_Settle "${display[@]}"
run_some view_press bench_drag BM_PressDuringRefinement "${display[@]}"
run bench_start "${display[@]}"
run bench_render_start

# Memory in a fresh process each time: the load's extra resident bytes.
memory_median() {
  for _ in $(seq "$reps"); do
    "$bin/bench_load_memory" "$1" | awk '{ print $1 }'
  done | sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'
}
rgba_bytes=24000000 # the 3000 x 2000 picture's RGBA buffer
jpeg_memory=$(memory_median "$work/photo.jpg")
png_memory=$(memory_median "$work/photo.png")
ratio_of() { [ -n "$1" ] && awk -v a="$1" -v b="$2" 'BEGIN { print a / b }'; }

figure load_jpeg_vs_djpeg "$(median bench_load BM_LoadVsDjpeg ratio)" 1.2 \
  "$(pair bench_load BM_LoadVsDjpeg)"
figure load_memory_vs_rgba "$(ratio_of "$jpeg_memory" "$rgba_bytes")" 1.15 \
  "$jpeg_memory bytes against $rgba_bytes"
figure load_memory_png_vs_rgba "$(ratio_of "$png_memory" "$rgba_bytes")" 1.15 \
  "$png_memory bytes against $rgba_bytes"
# A camera's photograph into a slot against the reference decoder's own 1/8-scale decode.
figure load_large_jpeg_vs_djpeg "$(median bench_load BM_LargeLoadVsScaledDjpeg ratio)" 1.0 \
  "$(pair bench_load BM_LargeLoadVsScaledDjpeg) (djpeg -scale 1/8)"
# Seven scan-sized pictures on a project's faces and floor against none: what they add at the
# peak, in units of one picture's RGBA bytes (each slot keeps its texture-sized copy only).
peak_kb() { /usr/bin/time -f %M "$build/src/cli/cartonic-render" "$@" --size 64x64 \
  -o "$work/peak.png" 2>&1 >/dev/null | tail -1; }
grey=$work/grey.png
empty_kb=$(peak_kb)
seven_kb=$(peak_kb --face top="$grey" --face bottom="$grey" --face front="$grey" \
  --face back="$grey" --face right="$grey" --face left="$grey" --floor "$grey")
grey_rgba=$((11000 * 11000 * 4))
figure seven_pictures_peak_vs_rgba \
  "$(awk -v s="$seven_kb" -v e="$empty_kb" -v r="$grey_rgba" 'BEGIN { print (s - e) * 1024 / r }')" \
  1.5 "peak $seven_kb KB with seven 11000 x 11000 pictures, $empty_kb KB with none"
# The same in the application: the project opened at start, the window left for a few seconds
# (long enough to load and draw), then ended.
"$build/src/cli/cartonic-render" --face top="$grey" --face bottom="$grey" --face front="$grey" \
  --face back="$grey" --face right="$grey" --face left="$grey" --floor "$grey" \
  --save "$work/seven.ctn" >/dev/null
gui_peak_kb() { "${display[@]}" /usr/bin/time -f %M timeout -s INT "$gui_seconds" \
  "$build/src/app/cartonic" "$@" 2>&1 >/dev/null | tail -1 || true; }
gui_seconds=${CARTONIC_BENCH_GUI_SECONDS:-15}
gui_empty_kb=$(gui_peak_kb)
gui_seven_kb=$(gui_peak_kb "$work/seven.ctn")
figure seven_pictures_gui_peak_vs_rgba \
  "$(awk -v s="$gui_seven_kb" -v e="$gui_empty_kb" -v r="$grey_rgba" \
    'BEGIN { print (s - e) * 1024 / r }')" \
  1.5 "peak $gui_seven_kb KB with seven 11000 x 11000 pictures, $gui_empty_kb KB with none"
figure slot_texture_vs_load "$(median bench_load BM_TextureVsLoad ratio)" 0.3 \
  "$(pair bench_load BM_TextureVsLoad)"
figure export_vs_render_cjpeg "$(median bench_export BM_ExportVsRenderAndCjpeg ratio)" 1.3 \
  "$(pair bench_export BM_ExportVsRenderAndCjpeg)"
figure frame_vs_no_effects "$(median bench_frame BM_FrameVsFrameWithoutEffects ratio)" 2.5 \
  "$(pair bench_frame BM_FrameVsFrameWithoutEffects); C++ allocations per pair of frames: $(median bench_frame BM_FrameVsFrameWithoutEffects allocations)"
# The live view at 1280 x 800 with smooth edges: a frame while the picture changes against one
# with smooth edges off (process CPU), the time from an edit to the refined picture, the wait of
# a mouse press that comes during the refinement (the worst of 12), and the refined picture's
# edge error over an aliased frame's, both against the frame drawn 8 times larger.
figure interaction_frame_vs_aliased "$(median view_frame BM_InteractionFrameVsAliased ratio)" 1.3 \
  "$(pair view_frame BM_InteractionFrameVsAliased) of process CPU a frame"
figure view_settle_ms "$(median view_settle BM_Settle settle_ms)" 1000
figure press_to_frame_ms "$(median view_press BM_PressDuringRefinement press_ms_max)" 30 \
  "median $(median view_press BM_PressDuringRefinement press_ms_median) ms"
figure view_settled_error_ratio "$(quality view view_settled_error_ratio)" 0.3 \
  "$(grep '^view:' "$work/quality-view.log")"
figure smooth_export_vs_aliased "$(median bench_export BM_SmoothExportVsAliased ratio)" 12 \
  "$(pair bench_export BM_SmoothExportVsAliased)"
# The default picture with shadow softness 0.5 and reflection fade 1 against the same without.
figure soft_look_export_vs_plain "$(median bench_export BM_SoftLookExportVsPlain ratio)" 1.5 \
  "$(pair bench_export BM_SoftLookExportVsPlain)"
# Picture quality: the default picture's edges against an 8 times larger picture averaged down,
# near the shapes' edges and near every edge (pictures' detail included); the stripes of a
# 2048-pixel picture on a face 4096 pixels across, transparency laid over colours.
for scene in sample default; do
  figure "edge_error_ratio_$scene" "$(quality edges "edge_error_ratio_$scene")" 0.15 \
    "$(grep "^$scene:" "$work/quality-edges.log")"
  figure "detail_error_ratio_$scene" "$(quality edges "detail_error_ratio_$scene")" 0.25
done
figure_at_least stripe_contrast "$(quality stripes stripe_contrast)" 0.5 \
  "with the view's textures: $(quality stripes stripe_contrast_kept)"
figure stripes_peak_vs_budget "$(quality stripes stripes_peak_vs_budget)" 1 \
  "$(grep '^stripes:' "$work/quality-stripes.log"); budget 2.5 x output + picture"
figure export_texture_vs_output "$(quality stripes export_texture_vs_output)" 2
figure_at_least vector_contrast_svg "$(quality vectors vector_contrast_svg)" 0.9
figure_at_least vector_contrast_pdf "$(quality vectors vector_contrast_pdf)" 0.9 \
  "$(grep '^vectors:' "$work/quality-vectors.log")"
figure composite_error_max "$(quality composite composite_error_max)" 3 \
  "of 255, over black, white and grey"
# Many pictures: 200 jobs of 1200 x 900 JPEG at 4 samples a pixel from 10 projects, one batch
# process against the same jobs as 200 runs of their own, one after another: what one process
# saves (start-up, decoding), not the drawing. Once, not repeated: each side takes a while.
batch_dir=$work/batch
mkdir -p "$batch_dir"
render=$build/src/cli/cartonic-render
for p in $(seq 0 9); do
  "$render" "$root/examples/sample.ctn" --box "2.5,1.25,$((3 + p % 4))" \
    --orientation "front=$((p % 6))" --save "$batch_dir/p$p.ctn"
done
: >"$batch_dir/jobs.jsonl"
: >"$batch_dir/runs.txt"
for j in $(seq 0 199); do
  yaw=$(awk -v j="$j" 'BEGIN { printf "%.2f", (j % 20) * 0.31 }')
  echo "{\"project\": \"p$((j % 10)).ctn\", \"output\": \"b$j.jpg\", \"size\": \"1200x900\", \"samples\": 4, \"yaw\": $yaw}" \
    >>"$batch_dir/jobs.jsonl"
  echo "p$((j % 10)).ctn -o r$j.jpg --size 1200x900 --samples 4 --yaw $yaw" >>"$batch_dir/runs.txt"
done
now() { date +%s.%N; }
batch_start=$(now)
(cd "$batch_dir" && "$render" --batch jobs.jsonl --quiet)
batch_seconds=$(awk -v a="$batch_start" -v b="$(now)" 'BEGIN { print b - a }')
runs_start=$(now)
(cd "$batch_dir" && while read -r -a args; do "$render" "${args[@]}"; done <runs.txt)
runs_seconds=$(awk -v a="$runs_start" -v b="$(now)" 'BEGIN { print b - a }')
figure_at_least batch_speedup_vs_runs "$(ratio_of "$runs_seconds" "$batch_seconds")" 3 \
  "200 jobs: $batch_seconds s in one batch, $runs_seconds s as separate runs"

camera_drag=BM_Drag/1 # MouseMode::RotateCamera, the view's start mode
light_drag=BM_Drag/5  # MouseMode::RotateLight, which also loads the light into GL on each move
figure drag_cpu_vs_paints "$(median bench_drag $camera_drag cpu_over_paints)" 1.3 \
  "$(median bench_drag $camera_drag paints) paints in the drag"
figure drag_paints_vs_idle "$(median bench_drag $camera_drag paints_over_idle)" 1 \
  "$(median bench_drag $camera_drag paints) paints, $(median bench_drag $camera_drag idle_passes) idle passes"
figure light_drag_cpu_vs_paints "$(median bench_drag $light_drag cpu_over_paints)" 1.3 \
  "$(median bench_drag $light_drag paints) paints in the drag"
figure startup_vs_minimal "$(median bench_start BM_StartCartonicVsMinimal ratio)" 1.25 \
  "$(pair bench_start BM_StartCartonicVsMinimal)"
figure render_startup_vs_minimal_egl \
  "$(median bench_render_start BM_RenderStartVsMinimalEgl ratio)" 1.3 \
  "$(pair bench_render_start BM_RenderStartVsMinimalEgl)"
exit "$missed"
