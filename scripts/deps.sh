#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the build and the tests need that is not on
# the machine yet. Safe to run again: it does nothing when everything is present.
set -euo pipefail

packages=(
  # native flavour: compilers, build, tests, fuzzing, benchmarks and reference codecs
  build-essential cmake ninja-build clang libclang-rt-14-dev
  googletest libbenchmark-dev zlib1g-dev libpng-dev libspng-dev libgif-dev
  # Windows flavour: cross compiler, zlib for MinGW, Wine and a virtual display
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 fonts-wine
  xvfb xauth xdotool xcompmgr x11-utils imagemagick
  # fixture makers and independent decoders for the picture tests; the window's picture
  # generator (Pillow and the DejaVu fonts)
  python3 python3-pil giflib-tools libpng-tools fonts-dejavu-core
  # the unprivileged test user
  passwd util-linux
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}" >&2
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
