#!/usr/bin/env bash
# Starts the application. Without a display, renders the sample project to a picture instead and
# prints where it is.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/src/app/cartonic"
fi
mkdir -p "$root/out"
out="$root/out/sample.jpg"
# The framing of the README's sample render: a step back, a little higher, a little to the left.
"$build/src/cli/cartonic-render" "$root/examples/sample.ctn" -o "$out" --size 1200x900 \
  --zoom -4 --pitch 0.12 --yaw -0.2
echo "No display, so the sample project was rendered to a picture:"
echo "$out"
