#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
bash scripts/build.sh build
if [ -x build/bin/kitbinder ]; then
    exec build/bin/kitbinder "$@"
fi
echo "Built the libraries; the window is not part of this build yet."
