#!/usr/bin/env bash
# Makes the README's dieline pictures:
#   examples/dieline.png      a cross-layout net for the start-up box (5 x 10 x 2.5 units at 60
#                             pixels a unit, a 40-pixel glue flap), drawn with ImageMagick so
#                             that its artwork runs across every fold;
#   docs/dieline-box.jpg      that net folded, with cartonic-render;
#   docs/dieline-dialog.png   File > Import Dieline's dialog showing it, on a virtual X display
#                             (Xvfb) driven by xdotool, captured with ImageMagick's import.
# Usage: scripts/make_dieline_pictures.sh [build-dir]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
net="$root/examples/dieline.png"
screen_width=1600
screen_height=1200

if [ "${1:-}" != --inside-display ]; then
  build=$(cd "${1:-build}" && pwd)
  # The pictures kept while making these go to a data folder of their own.
  data=$(mktemp -d)
  trap 'rm -rf "$data"' EXIT
  # Right 0-150, Front 150-450, Left 450-600, Back 600-900, glue flap 900-940; the top panel
  # above the front (rows 0-150), the bottom panel below it (rows 750-900).
  convert -size 940x900 xc:white \
    \( -size 900x600 gradient:'#17324d'-'#1f7a8c' \) -geometry +0+150 -composite \
    \( -size 300x150 gradient:'#17324d'-'#17324d' \) -geometry +150+0 -composite \
    \( -size 300x150 gradient:'#1f7a8c'-'#1f7a8c' \) -geometry +150+750 -composite \
    -fill '#b0b0b0' -draw 'polygon 900,160 940,190 940,710 900,740' \
    -fill '#f4a259' -draw 'rectangle 0,560 900,640' \
    -fill '#f4d35e' -draw 'circle 300,150 300,245' \
    -fill '#f4a259' -draw 'rectangle 150,835 450,870' \
    -fill white -font DejaVu-Sans-Bold -pointsize 58 -draw "text 168,430 'CARTONIC'" \
    -pointsize 26 -draw "text 215,480 'folded from one net'" \
    -pointsize 34 -draw "text 640,430 'DIELINE'" \
    -fill '#17324d' -pointsize 30 -draw "text 14,612 '~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~'" \
    "$net"
  echo "wrote $net"
  # Seen from above and a little to the right, so the top, the front and a side show.
  XDG_DATA_HOME="$data" "$build/src/cli/cartonic-render" --dieline "$net" --glue-flap 40 \
    -o "$root/docs/dieline-box.jpg" --size 1200x900 --zoom -3 --pitch 0.55 --yaw -0.15
  echo "wrote $root/docs/dieline-box.jpg"
  XDG_DATA_HOME="$data" xvfb-run -a \
    -s "-screen 0 ${screen_width}x${screen_height}x24 -ardelay 60000" \
    "$0" --inside-display "$build"
  exit
fi
build=$2

. "$root/scripts/lib/wait-window.sh"

# Started in the net's folder, where the file dialog begins, so only its name is typed.
(cd "$(dirname "$net")" && exec "$build/src/app/cartonic" 2>/dev/null) &
app=$!
trap 'kill "$app" 2>/dev/null || true' EXIT

main=$(wait_window '^Untitled project$')
xdotool windowmove "$main" 0 0 windowsize "$main" 1000 700
xdotool windowfocus --sync "$main"
sleep 1
xdotool key --window "$main" alt+f
sleep 0.5
xdotool key d
chooser=$(wait_window 'Open|Import')
xdotool windowfocus --sync "$chooser"
sleep 1
xdotool type --delay 40 "$(basename "$net")"
xdotool key Return
dialog=$(wait_window '^Import Dieline$')
xdotool windowmove "$dialog" 0 0
xdotool windowfocus --sync "$dialog"
sleep 0.5
# The glue flap's field: select its text and type the width.
xdotool key Tab ctrl+a
xdotool type --delay 40 "40"
xdotool key Tab
sleep 1
# The whole screen, cut to the dialog.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$root/docs/dieline-dialog.png"
echo "wrote $root/docs/dieline-dialog.png"
