#!/usr/bin/env bash
# Installs every system package Cartonic needs to build, test and run, and the glTF validator the
# tests check 3D models with (an npm package, into .tools/, which git ignores). Idempotent: when
# everything is present it does nothing (and needs no network).
set -euo pipefail

packages=(
  # toolchain, and the checks of format and spelling that make test runs
  g++ make cmake pkg-config clang-format clang-tidy codespell
  # Qt 6: Widgets, OpenGL widgets, SVG (icons and vector faces), image plugins (TIFF), platform
  # plugins; Qt PDF for faces drawn from a PDF page
  qt6-base-dev libqt6opengl6-dev qt6-svg-dev qt6-image-formats-plugins qt6-qpa-plugins
  qt6-pdf-dev
  # libjpeg-turbo: JPEG photographs decoded straight into the slot format
  libjpeg-dev
  # OpenGL 1.1 + GLU from Mesa, EGL for headless rendering
  libgl-dev libglu1-mesa-dev libegl-dev libegl1-mesa-dev libgl1-mesa-dri
  # tests and benchmarks (djpeg and cjpeg are the benchmarks' reference codec)
  libgtest-dev libgmock-dev libbenchmark-dev libjpeg-turbo-progs time
  # JSON for --print, read and written by a library
  nlohmann-json3-dev
  # libwebp: animated WebP turntables, written and (in tests) read back
  libwebp-dev
  # ffmpeg: MP4 turntables are piped to it; ffprobe checks them in tests
  ffmpeg
  # zlib: the tests write very large, very compressible pictures a row at a time
  zlib1g-dev
  # libpng: the start-up benchmark's minimal reference reads the sample's pictures with it
  libpng-dev
  # GNU parallel: the test that shards of a batch split across processes add up to the batch
  parallel
  # tinygltf: the 3D model export's glTF writer (and the tests' reader)
  libtinygltf-dev
  # a display for widget tests when there is none
  xvfb xauth
  # checks of the desktop entry and the project type an installation adds
  desktop-file-utils shared-mime-info
)

# The Khronos glTF validator, run by scripts/validate-gltf.sh; at this version only.
validator_version=2.0.0-dev.3.10
root=$(cd "$(dirname "$0")/.." && pwd)
tools=$root/.tools

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# Node.js and npm from Debian where the machine has none (a Node.js from elsewhere brings its npm).
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  missing+=(nodejs npm)
fi

if [ ${#missing[@]} -ne 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

installed=$(node -p "require('$tools/node_modules/gltf-validator/package.json').version" \
  2>/dev/null || true)
if [ "$installed" != "$validator_version" ]; then
  echo "install-deps: installing gltf-validator $validator_version into .tools"
  mkdir -p "$tools"
  npm install --prefix "$tools" --no-audit --no-fund --loglevel=error \
    "gltf-validator@$validator_version" >/dev/null
fi
