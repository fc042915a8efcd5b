#!/usr/bin/env bash
# Starts the application; without a display, renders the sample project to a file instead.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/src/app/cartonic"
fi
mkdir -p "$root/out"
project="$root/examples/sample.ctn"
args=()
[ -f "$project" ] && args=("$project")
out="$root/out/sample.jpg"
"$build/src/cli/cartonic-render" "${args[@]}" -o "$out" --size 1200x900
echo "No display: rendered ${args[0]:-the default project} to $out"
