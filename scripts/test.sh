#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in a normal build and in an
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh

# Qt needs a private runtime folder and no display for the window tests.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"

bash scripts/build.sh build
(cd build && ctest --output-on-failure -j "$(nproc)")

bash scripts/build.sh build-asan -DKB_SANITIZE=ON -DKB_BUILD_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j "$(nproc)")
