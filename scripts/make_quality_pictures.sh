#!/usr/bin/env bash
# Makes the README's "Picture quality" pictures with cartonic-render:
#   docs/quality-edges.png        the sample project's box edge and face print, aliased
#                                 (--samples 1) beside smooth (the default), enlarged three times;
#   docs/quality-textures.png     fine print on a face, from the picture reduced to 512 pixels as
#                                 the live view keeps it, beside the export's own texture;
#   docs/quality-transparent.png  the sample project rendered --transparent, laid over a
#                                 checkerboard.
# Usage: scripts/make_quality_pictures.sh [build-dir]   (default: build; needs ImageMagick)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
render="$build/src/cli/cartonic-render"
project="$root/examples/sample.ctn"
docs="$root/docs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Aliased and smooth: the box's right edge over its shadow and the floor, and the print on the
# front and side faces beside it.
sample=(--zoom -4 --pitch 0.12 --yaw -0.2 --size 800x600)
"$render" "$project" "${sample[@]}" --samples 1 -o "$work/aliased.png"
"$render" "$project" "${sample[@]}" -o "$work/smooth.png"
crop=120x90+410+280
for name in aliased smooth; do
  convert "$work/$name.png" -crop "$crop" +repage -filter point -resize 300% "$work/$name-crop.png"
done
convert "$work/aliased-crop.png" "$work/smooth-crop.png" -background white -splice 8x0 +append \
  -chop 8x0 +repage "$docs/quality-edges.png"

# Fine print on a 1440 x 2880 front picture, seen close: the view's 512-pixel copy (made here
# by averaging, as the application reduces a picture) against the export's full-size texture.
lines=()
for i in $(seq 0 39); do
  lines+=(-annotate "+70+$((300 + i * 62))"
    "Line $((i + 1)): every feature listed in small print, legible only at full size.")
done
convert -size 1440x2880 xc:'#1d2b4a' -fill white -font DejaVu-Sans-Bold -pointsize 120 \
  -annotate +70+200 'NIMBUS' -font DejaVu-Sans -pointsize 34 "${lines[@]}" "$work/print.png"
convert "$work/print.png" -filter box -resize 512x512 "$work/print-512.png"
close=(--box 2.5,1,5 --yaw -0.785398 --pitch -0.3045 --zoom 4 --size 1600x1600)
"$render" --face front="$work/print-512.png" "${close[@]}" -o "$work/kept.png"
"$render" --face front="$work/print.png" "${close[@]}" -o "$work/full.png"
crop=360x220+300+560
for name in kept full; do
  convert "$work/$name.png" -crop "$crop" +repage "$work/$name-crop.png"
done
convert "$work/kept-crop.png" "$work/full-crop.png" -background white -splice 8x0 +append \
  -chop 8x0 +repage "$docs/quality-textures.png"

# The transparent picture over a checkerboard, which shows where it lets the background through.
"$render" "$project" --zoom -4 --pitch 0.12 --yaw -0.2 --size 480x360 --transparent \
  -o "$work/transparent.png"
convert -size 480x360 tile:pattern:checkerboard "$work/transparent.png" -composite -depth 8 \
  "$docs/quality-transparent.png"

echo "wrote $docs/quality-edges.png $docs/quality-textures.png $docs/quality-transparent.png"
