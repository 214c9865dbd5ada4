#!/usr/bin/env bash
# Builds the program and opens it on a freshly made sample workspace in a temporary folder.
# The person's own documents and settings are not touched: the home, configuration and
# documents folders all point into the temporary folder while the program runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
bash scripts/build.sh build

sample=$(mktemp -d -t kitbinder-sample.XXXXXX)
trap 'rm -rf "$sample"' EXIT
mkdir -p "$sample/home/Documents" "$sample/config" "$sample/runtime"
chmod 700 "$sample/runtime"
cat > "$sample/config/user-dirs.dirs" <<DIRS
XDG_DOCUMENTS_DIR="$sample/home/Documents"
DIRS
build/bin/make_sample_workspace "$sample/home/Documents"
echo "Sample workspace in $sample (removed when the program ends)"

HOME="$sample/home" XDG_CONFIG_HOME="$sample/config" XDG_DOCUMENTS_DIR="$sample/home/Documents" \
    XDG_RUNTIME_DIR="$sample/runtime" build/bin/kitbinder "$@"
