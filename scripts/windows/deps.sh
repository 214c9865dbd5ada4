#!/usr/bin/env bash
# Cross-builds the libraries the Windows build needs (Qt, PCRE2, GoogleTest, curl, the MongoDB
# C driver) once, and keeps each under /var/cache/kitbinder-windows/<name>-<key>. The key hashes
# everything that changes the result: the build function below (source version and options),
# the toolchain file, the cross compiler and, for Qt, the host tools. A build runs under a lock
# in a scratch folder and is renamed into place only when complete, so an interrupted or failed
# build is never taken for a finished one.
# Prints the dependency prefixes, one per line. Usage: deps.sh [name...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${KB_WIN_CACHE:-/var/cache/kitbinder-windows}
toolchain=$here/mingw-w64.cmake
jobs=$(nproc)

version_of() { dpkg-query -W -f='${Package} ${Version}\n' "$@"; }
common_key() {
  sha256sum <"$toolchain"
  version_of g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev cmake ninja-build
}

# Fetches Debian's source package $1 (with Debian's patches applied) into the current folder.
debian_source() {
  apt-get source -qq "$1" >/dev/null 2>&1 || apt-get source "$1"
}

cmake_cross() {
  local src=$1 prefix=$2
  shift 2
  cmake -S "$src" -B "$src/_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
  cmake --build "$src/_build" -j "$jobs"
  cmake --install "$src/_build"
}

build_qt() {
  local work=$1 prefix=$2
  cd "$work"
  debian_source qt6-base=6.4.2+dfsg-10
  cd qt6-base-6.4.2+dfsg
  # Without Direct2D the DirectWrite font database is not built; the platform plugin must not
  # ask for it then.
  sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    src/plugins/platforms/windows/qwindowsintegration.cpp
  mkdir _build && cd _build
  ../configure -prefix "$prefix" -release -shared -platform win32-g++ \
    -qt-host-path /usr -nomake examples -nomake tests \
    -no-opengl -no-dbus -no-icu -no-pkg-config -qt-pcre -qt-libpng -qt-harfbuzz \
    -no-freetype -no-fontconfig -no-feature-jpeg -no-feature-gif -no-feature-network \
    -no-feature-sql -no-feature-xml -no-feature-concurrent -no-feature-printsupport \
    -no-feature-vulkan -no-feature-tabletevent -no-feature-direct2d -no-feature-zstd \
    -feature-testlib -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DFEATURE_system_zlib=OFF
  cmake --build . -j "$jobs"
  cmake --install .
}
qt_key() { version_of qt6-base-dev-tools; }

# Builds $1 (the name) with build_$1 unless its cache entry exists; prints the entry.
cached() {
  local name=$1 key dest work
  key=$( { declare -f "build_$name"; common_key; ! declare -F "${name}_key" >/dev/null || "${name}_key"; } |
    sha256sum | cut -c1-16)
  dest=$cache/$name-$key
  if [ ! -d "$dest" ]; then
    mkdir -p "$cache"
    exec {lock}>"$cache/$name.lock"
    flock "$lock"
    if [ ! -d "$dest" ]; then
      work=$(mktemp -d "$cache/.$name-XXXXXX")
      echo "Building $name for Windows (log: $work/build.log)" >&2
      if ! (set -x; "build_$name" "$work" "$work/prefix") >"$work/build.log" 2>&1; then
        tail -30 "$work/build.log" >&2
        echo "Building $name for Windows failed; the whole log is $work/build.log" >&2
        exit 1
      fi
      mv "$work/prefix" "$dest"
      rm -rf "$work"
    fi
    exec {lock}>&-
  fi
  echo "$dest"
}

names=("$@")
[ ${#names[@]} -gt 0 ] || names=(qt pcre2 googletest curl mongoc)
for name in "${names[@]}"; do cached "$name"; done
