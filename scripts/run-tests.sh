#!/usr/bin/env bash
# Runs every test headlessly. Render tests need no display (EGL surfaceless); widget tests get a
# virtual X server when there is no display.
set -euo pipefail
build=${1:-build}
cd "$build"
run=()
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  run=(xvfb-run -a -s "-screen 0 1600x1200x24")
fi
"${run[@]}" ctest --output-on-failure -j"$(nproc)"
