#!/usr/bin/env bash
# Sets up, builds and runs every test.
# Usage: scripts/test.sh [preset ...]   (default: default; CI passes: default asan)
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(default)
export QT_QPA_PLATFORM=offscreen
for preset in "${presets[@]}"; do
  echo "=== build: $preset"
  scripts/setup.sh "$preset"
  echo "=== test: $preset"
  ctest --preset "$preset" -j2
done
