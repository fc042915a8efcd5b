#!/usr/bin/env bash
# Starts the application, or without a display says what was built.
set -euo pipefail
build=${1:-build}
if [ -x "$build/src/app/cartonic" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/src/app/cartonic"
fi
echo "Built: $build/src/cli/cartonic-render"
"$build/src/cli/cartonic-render" --help | head -3
