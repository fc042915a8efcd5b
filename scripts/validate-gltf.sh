#!/usr/bin/env bash
# Writes the sample project's 3D model twice, as it is and with its faces' pictures flipped and
# turned every way, and validates both with the Khronos glTF validator: no error and no warning
# may remain. Usage: scripts/validate-gltf.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
render=$build/src/cli/cartonic-render
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$render" "$root/examples/sample.ctn" -o "$out/sample.glb"
"$render" "$root/examples/sample.ctn" -o "$out/turned.GLB" \
  --orientation top=1 --orientation bottom=2 --orientation front=3 \
  --orientation back=4 --orientation right=5 --orientation left=2 --box 3,1,2
node "$root/scripts/validate-gltf.js" "$out/sample.glb" "$out/turned.GLB"
