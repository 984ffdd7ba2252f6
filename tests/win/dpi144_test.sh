#!/usr/bin/env bash
# Runs the display-scale tests in a Wine prefix of their own at 144 dpi (150 %), then ends its server and
# display. Arguments: the wine script, the test program, the state folder of that prefix.
set -euo pipefail
wine=$1
program=$2
export LODESTAR_BUILD=$3
export LODESTAR_DPI=144
export LODESTAR_TEST_DPI=144
unset LODESTAR_DISPLAY
trap '"$wine" stop' EXIT
"$wine" start
"$wine" "$program"
