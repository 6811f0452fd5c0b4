#!/bin/sh
# Installs the Debian packages the build, the player and the tests need.
# As root it runs apt-get itself; otherwise it prints the one command to run.
set -e
PACKAGES="build-essential cmake ninja-build pkg-config
  libsdl2-dev libsdl2-mixer-dev libmpv-dev
  libpng-dev libjpeg62-turbo-dev zlib1g-dev xdg-utils zenity
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev libimgui-dev
  xvfb xauth libx11-dev libxtst6 xdotool
  clang libclang-rt-dev"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" = 0 ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends $missing
else
  echo "missing Debian packages; run:"
  echo "  sudo apt-get install -y$missing"
  exit 1
fi
