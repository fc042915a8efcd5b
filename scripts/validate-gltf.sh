#!/usr/bin/env bash
# Writes the sample project's 3D model as it is, with its faces' pictures flipped and turned every
# way, and as boxes of the least sizes the command line takes, then validates them, with every
# model the tests kept (in KEPT_DIR, when given), by the Khronos glTF validator: no error and no
# warning may remain. Usage: scripts/validate-gltf.sh [BUILD_DIR [KEPT_DIR]]
set -euo pipefail
build=${1:-build}
kept=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
render=$build/src/cli/cartonic-render
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

sample=$root/examples/sample.ctn
"$render" "$sample" -o "$out/sample.glb"
"$render" "$sample" -o "$out/turned.GLB" \
  --orientation top=1 --orientation bottom=2 --orientation front=3 \
  --orientation back=4 --orientation right=5 --orientation left=2 --box 3,1,2
"$render" "$sample" -o "$out/tiny.glb" --box 1e-40,1e-40,1e-40
"$render" "$sample" -o "$out/flat.glb" --box 50,1e-45,50
models=("$out"/*.glb "$out"/*.GLB)
if [ -n "$kept" ]; then
  while IFS= read -r -d '' model; do
    models+=("$model")
  done < <(find "$kept" -name '*.glb' -print0 2>/dev/null | sort -z)
fi
node "$root/scripts/validate-gltf.js" "${models[@]}"
