#!/usr/bin/env bash
# Makes the README's two pictures from the sample project:
#   docs/sample-render.jpg  with cartonic-render, framed as `make run` renders it without a
#                           display;
#   docs/screenshot.png     the application on a virtual X display (Xvfb), the project opened
#                           through File > Open driven by xdotool, captured with ImageMagick.
# Usage: scripts/make_screenshots.sh [build-dir]   (default: build; needs xvfb-run, xdotool and
# ImageMagick's import)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
project="$root/examples/sample.ctn"
screen_width=1400
screen_height=900

if [ "${1:-}" != --inside-display ]; then
  build=$(cd "${1:-build}" && pwd)
  "$build/src/cli/cartonic-render" "$project" -o "$root/docs/sample-render.jpg" --size 1200x900 \
    --zoom -4 --pitch 0.12 --yaw -0.2
  echo "wrote $root/docs/sample-render.jpg"
  # Key repeat off (a long delay): a busy machine would otherwise repeat the typed keys.
  exec xvfb-run -a -s "-screen 0 ${screen_width}x${screen_height}x24 -ardelay 60000" \
    "$0" --inside-display "$build"
fi
build=$2

. "$root/scripts/lib/wait-window.sh"

# Started in the project's folder, where the Open dialog begins, so only its name is typed.
(cd "$(dirname "$project")" && exec "$build/src/app/cartonic" 2>/dev/null) &
app=$!
trap 'kill "$app" 2>/dev/null || true' EXIT

main=$(wait_window '^Untitled project$')
# There is no window manager: the frame is placed and sized by hand to fill the screen.
xdotool windowmove "$main" 0 0 windowsize "$main" "$screen_width" "$screen_height"
xdotool windowfocus --sync "$main"
sleep 1
xdotool key --window "$main" ctrl+o
dialog=$(wait_window 'Open')
xdotool windowfocus --sync "$dialog"
sleep 1
xdotool type --delay 40 "$(basename "$project")"
xdotool key Return
wait_window "^$project\$" >/dev/null
sleep 1
# Select the front face in the navigation bar, so its panel and outline show.
xdotool mousemove 68 330 click 1
sleep 2
import -window root "$root/docs/screenshot.png"
echo "wrote $root/docs/screenshot.png"
