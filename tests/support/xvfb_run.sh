#!/bin/sh
# Runs a command on a virtual X display of its own (Xvfb), for tests that
# need a real X server: keys and clicks sent with xdotool, input focus, the
# system pointer.
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$@"
