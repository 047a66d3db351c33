#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, then configures and builds.
# Usage: scripts/setup.sh [preset]   (preset: default or asan; default: default)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
preset=${1:-default}

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev
  libjpeg62-turbo-dev liblcms2-dev fonts-ipafont-gothic
  # tests and tools
  xvfb xauth xdotool x11-utils imagemagick libjpeg-turbo-progs time liblcms2-utils
)
ensure_packages "${packages[@]}"

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
