#!/bin/sh
# Runs one test process in a fresh temporary folder and configuration folder,
# so that no test sees another's error log, device id or options file.
dir=$(mktemp -d "${TMPDIR:-/tmp}/qvl-test.XXXXXX") || exit 1
mkdir -p "$dir/config"
export TMPDIR="$dir/"
export XDG_CONFIG_HOME="$dir/config"
export QVL_TEST_DIR="$dir"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
"$@"
rc=$?
rm -rf "$dir"
exit $rc
