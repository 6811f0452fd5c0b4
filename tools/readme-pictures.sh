#!/bin/sh
# Writes the README's pictures of the player (docs/title.png, docs/play.png,
# docs/pause.png)
# with the release build's player-pictures on a private Xvfb display.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
mkdir -p "$root/docs"
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r display <"$fifo"
rm -f "$fifo"
trap 'kill $xvfb' EXIT
config=$(mktemp -d)
DISPLAY=":$display" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$config" \
  "$build/player-pictures" "$root/docs" >/dev/null
rm -rf "$config"
echo "wrote $root/docs/title.png, play.png and pause.png"
