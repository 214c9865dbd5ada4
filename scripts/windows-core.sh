#!/usr/bin/env bash
# The libraries below the window (regex, foundation, workspace, setup) and their tests,
# cross-built for 64-bit Windows and run under wine: a Windows break of the core shows on every
# test run. It needs only QtCore, PCRE2 and GoogleTest for Windows (built once, kept in the
# cache of scripts/windows/deps.sh), no display and no GUI. Usage: windows-core.sh [build folder]
# (build-win-core unless told).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-win-core}
bash scripts/bootstrap.sh windows-core

# A failed library build stops the run here (a process substitution would hide it).
dep_lines=$(bash scripts/windows/deps.sh qtcore pcre2 googletest)
mapfile -t deps <<<"$dep_lines"
qt=${deps[0]}
dep_list=$(IFS=';' && echo "${deps[*]}")
PKG_CONFIG_LIBDIR=$(printf '%s/lib/pkgconfig:' "${deps[@]}")
export PKG_CONFIG_LIBDIR=${PKG_CONFIG_LIBDIR%:}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKB_CORE_ONLY=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/mingw-w64.cmake" \
  "-DKB_WIN_DEPS=$dep_list" "-DCMAKE_PREFIX_PATH=$dep_list" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine64 -DKB_BUILD_BENCH=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

# The build's own wine prefix and one wine server for the whole run (one that runs already for
# this prefix is kept); console programs only, so no display.
. scripts/windows/wine-env.sh "$build" "$qt"
unset DISPLAY
cleanup() { "$kb_wineserver" -k 2>/dev/null || true; }
trap cleanup EXIT
"$kb_wineserver" -p 2>/dev/null || true
kb_prepare_prefix

(cd "$build" && ctest --output-on-failure -j "$(nproc)")
