#!/usr/bin/env bash
# Installs what the benchmarks need beyond the program's own set-up
# (scripts/setup.sh): the peers they are measured against.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages libvips-tools imagemagick libjpeg-turbo-progs time xvfb \
  mate-backgrounds webp libheif-examples libavif-bin libjxl-tools
