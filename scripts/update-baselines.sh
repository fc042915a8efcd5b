#!/usr/bin/env bash
# Renders every baseline picture anew (tests/baselines). Only for a change of picture that is
# meant: look at each new picture, and say why in the commit.
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target baseline_check cartonic-render >/dev/null
(cd "$build" && CARTONIC_UPDATE_BASELINES=1 ctest -L baseline --output-on-failure)
git -C "$(dirname "$0")/.." status --short tests/baselines
