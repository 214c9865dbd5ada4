#!/usr/bin/env bash
# screenshots.sh <screenshots program> <folder>: one screenshot per tab under Xvfb.
# Exits 77 (skipped) when xvfb-run or ImageMagick's import is missing.
set -euo pipefail
for tool in xvfb-run import; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
# A real X server, not the offscreen platform the other window tests use.
unset QT_QPA_PLATFORM
# Sanitizer builds: ignore what the desktop's system libraries keep until exit.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$0")/lsan.supp"
exec xvfb-run -a -s "-screen 0 1024x768x24" "$1" "$2"
