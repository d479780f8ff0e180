#!/bin/sh
# Runs one test program on a private X screen (see on_private_screen.cpp).
# Usage: run_xvfb.sh <on_private_screen> <test program> [arguments]
here="$(cd "$(dirname "$0")" && pwd)"
LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS
exec "$@"
