#!/usr/bin/env bash
# Installs every system package Cartonic needs to build, test and run. Idempotent: when everything
# is present it does nothing (and needs no network).
set -euo pipefail

packages=(
  # toolchain, and the checks of format and spelling that make test runs
  g++ make cmake pkg-config clang-format clang-tidy codespell
  # Qt 6: Widgets, OpenGL widgets, SVG, image plugins (TIFF), platform plugins
  qt6-base-dev libqt6opengl6-dev qt6-svg-dev qt6-image-formats-plugins qt6-qpa-plugins
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
  # a display for widget tests when there is none
  xvfb xauth
  # checks of the desktop entry and the project type an installation adds
  desktop-file-utils shared-mime-info
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
