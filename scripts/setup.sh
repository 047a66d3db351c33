#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, then configures and builds.
# Usage: scripts/setup.sh [preset] [--program]
#   preset     default or asan (default: default)
#   --program  only what the program needs: its packages and its binary
# In CI (CI=true) warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
preset=default program_only=no
for arg in "$@"; do
  case "$arg" in
    --program) program_only=yes ;;
    *) preset=$arg ;;
  esac
done

program_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev libglib2.0-dev
  # Qt's native interface on X11 (the clipboard's timestamp)
  qt6-base-private-dev
  libjpeg62-turbo-dev liblcms2-dev fonts-ipafont-gothic
  # the newer picture formats, each through its own library
  libspng-dev libwebp-dev libheif-dev libtiff-dev libgif-dev libjxl-dev
  # run time: Wayland, Qt's Japanese texts, the SVG icon
  qt6-wayland qt6-translations-l10n libqt6svg6
)
# Tests, benchmarks and the tools they drive.
test_packages=(
  xvfb xauth xdotool x11-utils imagemagick libjpeg-turbo-progs time openbox
  # another program's side of the clipboard, on X11 and on Wayland
  xclip wl-clipboard
  # Wayland end to end, desktop files and the Debian package
  weston desktop-file-utils appstream dpkg-dev file lintian liblcms2-utils
  # A desktop's usual programs, which the tests must keep out (private buses)
  # or use on purpose (the desktop end to end: portal, file manager)
  dbus-daemon dbus-bin dbus-x11 xdg-desktop-portal xdg-desktop-portal-gtk pcmanfm
  # GNOME's compositor with XWayland: the window kept on top on Wayland
  mutter xwayland
  # the formats' own encoders make the test pictures, their decoders and vips
  # are what the benchmarks measure against; real photographs to make them of
  webp libheif-examples libavif-bin libjxl-tools libtiff-tools libvips-tools mate-backgrounds
  # profiles the TIFF table embeds: one that swaps red and green, a CMYK one
  colord-data libgs-common
)
if [ "$program_only" = yes ]; then
  ensure_packages "${program_packages[@]}"
else
  ensure_packages "${program_packages[@]}" "${test_packages[@]}"
fi

werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake --preset "$preset" -DYOTSUMADO_WERROR="$werror" >/dev/null
if [ "$program_only" = yes ]; then
  cmake --build --preset "$preset" --target yotsumado
else
  cmake --build --preset "$preset"
fi
