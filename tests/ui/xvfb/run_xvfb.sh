#!/bin/sh
# Runs one test program on a virtual X screen of its own; 24 bits deep, so colours are exact.
here="$(cd "$(dirname "$0")" && pwd)"
LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS
exec xvfb-run -a -s "-screen 0 1600x1000x24" "$@"
