#!/usr/bin/env bash
# Kit Binder for 64-bit Windows, built on this Debian machine: installs what is missing, builds
# (or takes from the cache) the Windows libraries, cross-builds the programs and every test, runs
# the tests under wine, takes a screenshot of the main window under wine, and packs
#   dist/KitBinder-<version>-win64.zip        the programs, Qt, the MinGW runtime, the pictures
#   dist/KitBinder-<version>-win64-setup.exe  a Windows setup of the same, which is installed,
#                                             started and uninstalled under wine
#   dist/KitBinder-<version>-win64.png        the installed program's main window under wine
# KB_WINDOWS_TESTS=0 skips the tests (the package is still made and tried).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build-win
bash scripts/bootstrap.sh windows

# The cross-built libraries: Qt first. Taken into a variable first, so that a failed build
# stops this script (a process substitution's status is lost).
prefixes=$(bash scripts/windows/deps.sh qt pcre2 googletest curl mongoc)
mapfile -t deps <<<"$prefixes"
qt=${deps[0]}
dep_list=$(IFS=';' && echo "${deps[*]}")
PKG_CONFIG_LIBDIR=$(printf '%s/lib/pkgconfig:' "${deps[@]}")
export PKG_CONFIG_LIBDIR=${PKG_CONFIG_LIBDIR%:}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/mingw-w64.cmake" \
  "-DKB_WIN_DEPS=$dep_list" "-DCMAKE_PREFIX_PATH=$dep_list" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine64 -DKB_BUILD_BENCH=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

# wine and a display of our own for everything below; Windows' Qt shows its windows there (it
# has no offscreen platform).
unset QT_QPA_PLATFORM
. scripts/windows/wine-env.sh "$build" "$qt"
display=$(for n in $(seq 90 130); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { echo $n; break; }; done)
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
cleanup() { "$kb_wineserver" -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
# One wine server for the whole run, not one started and stopped per test program (one that
# runs already for this prefix is kept).
"$kb_wineserver" -p 2>/dev/null || true
kb_prepare_prefix

if [ "${KB_WINDOWS_TESTS:-1}" != 0 ]; then
  (cd "$build" && ctest --output-on-failure -j "$(nproc)")
fi

bash scripts/windows/package.sh "$build" "$qt"
