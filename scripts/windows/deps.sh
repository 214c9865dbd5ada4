#!/usr/bin/env bash
# Cross-builds the libraries the Windows build needs (Qt, PCRE2, GoogleTest, curl, the MongoDB
# C driver; QtCore alone for the Windows tests of the libraries below the window) once, and
# keeps each under /var/cache/kitbinder-windows/<name>-<key>. The key hashes everything that
# changes the result: the build function below (source version and options), the helpers it
# calls (the source fetch, the cross CMake build), the toolchain file, the cross compilers and
# binutils and, for Qt, the host tools. A build runs under a lock
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
  version_of g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    mingw-w64-x86-64-dev cmake ninja-build
}
# The definitions of the helpers below that build_$1 calls.
helpers_key() {
  local helper body
  body=$(declare -f "build_$1")
  for helper in source_version debian_source cmake_cross; do
    [[ $body != *"$helper "* ]] || declare -f "$helper"
  done
}

# The version of Debian's source package $1 that apt-get source would fetch.
source_version() { apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -1; }
# Fetches Debian's source package $1 (with Debian's patches applied) into the current folder and
# enters its folder.
debian_source() {
  apt-get source -qq "$1=$2" >/dev/null 2>&1 || apt-get source "$1=$2"
  cd "$(find . -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -1)"
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
  # The same version as the host tools (moc, rcc, uic) the build uses.
  debian_source qt6-base "$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)"
  # JPEG is built in: the pictures of designers and collections are mostly JPEG files.
  # Without Direct2D the DirectWrite font database is not built; the platform plugin must not
  # ask for it then.
  sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    src/plugins/platforms/windows/qwindowsintegration.cpp
  mkdir _build && cd _build
  ../configure -prefix "$prefix" -release -shared -platform win32-g++ \
    -qt-host-path /usr -nomake examples -nomake tests \
    -no-opengl -no-dbus -no-icu -no-pkg-config -qt-pcre -qt-libpng -qt-harfbuzz \
    -no-freetype -no-fontconfig -qt-libjpeg -no-feature-gif -no-feature-network \
    -no-feature-sql -no-feature-xml -no-feature-concurrent -no-feature-printsupport \
    -no-feature-vulkan -no-feature-tabletevent -no-feature-direct2d -no-feature-zstd \
    -feature-testlib -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DFEATURE_system_zlib=OFF
  cmake --build . -j "$jobs"
  cmake --install .
}
qt_key() { version_of qt6-base-dev-tools; }

# QtCore alone (no GUI, no other module), for the Windows tests of the libraries below the
# window: a few minutes instead of the whole of qtbase. Core's options are those of build_qt.
build_qtcore() {
  local work=$1 prefix=$2
  cd "$work"
  debian_source qt6-base "$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)"
  mkdir _build && cd _build
  ../configure -prefix "$prefix" -release -shared -platform win32-g++ \
    -qt-host-path /usr -nomake examples -nomake tests -no-gui -no-widgets \
    -no-opengl -no-dbus -no-icu -no-pkg-config -qt-pcre -no-feature-network \
    -no-feature-sql -no-feature-xml -no-feature-concurrent -no-feature-testlib \
    -no-feature-zstd -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DFEATURE_system_zlib=OFF
  cmake --build . -j "$jobs"
  cmake --install .
}
qtcore_key() { version_of qt6-base-dev-tools; }

build_pcre2() {
  cd "$1"
  debian_source pcre2 "$(source_version pcre2)"
  cmake_cross . "$2" -DBUILD_SHARED_LIBS=OFF -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF \
    -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_SUPPORT_JIT=ON -DPCRE2_BUILD_PCRE2GREP=OFF \
    -DPCRE2_BUILD_TESTS=OFF
}
pcre2_key() { source_version pcre2; }

build_googletest() {
  cp -r /usr/src/googletest "$1/src"
  cmake_cross "$1/src" "$2" -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF
}
googletest_key() { version_of googletest; }

# HTTP only, TLS through Windows' own Schannel, linked statically.
build_curl() {
  cd "$1"
  debian_source curl "$(source_version curl)"
  cmake_cross . "$2" -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
    -DHTTP_ONLY=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF \
    -DENABLE_UNIX_SOCKETS=OFF -DCURL_DISABLE_LDAP=ON -DENABLE_MANUAL=OFF
}
curl_key() { source_version curl; }

# The MongoDB C driver and libbson, static, TLS through Schannel and Kerberos through SSPI.
build_mongoc() {
  cd "$1"
  debian_source mongo-c-driver "$(source_version mongo-c-driver)"
  # MinGW's headers and import libraries are all lower case; the driver spells some mixed.
  sed -i -e 's/<Windows\.h>/<windows.h>/; s/<Mstcpip\.h>/<mstcpip.h>/; s/<WinDNS\.h>/<windns.h>/' \
    $(grep -rlE '<(Windows|Mstcpip|WinDNS)\.h>' src)
  sed -i -E 's/\b(secur32|crypt32|Bcrypt|Shlwapi|Dnsapi)\.lib\b/\L\1/g' src/libmongoc/CMakeLists.txt
  # C99: MinGW's C library has no aligned_alloc, which the driver uses under C11.
  cmake_cross . "$2" -DBUILD_VERSION="$(source_version mongo-c-driver | cut -d- -f1)" \
    -DCMAKE_C_STANDARD=99 -DENABLE_STATIC=ON -DENABLE_TESTS=OFF -DENABLE_EXAMPLES=OFF \
    -DENABLE_SSL=WINDOWS -DENABLE_SASL=SSPI -DENABLE_ZLIB=OFF -DENABLE_ZSTD=OFF \
    -DENABLE_SNAPPY=OFF -DENABLE_ICU=OFF -DENABLE_SRV=OFF -DENABLE_MONGODB_AWS_AUTH=OFF \
    -DENABLE_CLIENT_SIDE_ENCRYPTION=OFF -DENABLE_UNINSTALL=OFF -DENABLE_SHM_COUNTERS=OFF
}
mongoc_key() { source_version mongo-c-driver; }

# Builds $1 (the name) with build_$1 unless its cache entry exists; prints the entry.
cached() {
  local name=$1 key dest work
  key=$( {
    declare -f "build_$name"
    helpers_key "$name"
    common_key
    ! declare -F "${name}_key" >/dev/null || "${name}_key"
  } | sha256sum | cut -c1-16)
  dest=$cache/$name-$key
  if [ ! -d "$dest" ]; then
    mkdir -p "$cache"
    exec {lock}>"$cache/$name.lock"
    flock "$lock"
    if [ ! -d "$dest" ]; then
      work=$(mktemp -d "$cache/.$name-XXXXXX")
      echo "Building $name for Windows (log: $work/build.log)" >&2
      # Built for its final place (pkg-config files hold absolute paths), installed into a
      # staging folder, moved into place when complete. The build's status is taken after it
      # ended rather than tested in an if: tested, the shell would ignore set -e inside it and
      # go on past a failing step.
      local status=0
      set +e
      (set -ex; export DESTDIR=$work/stage; "build_$name" "$work" "$dest") >"$work/build.log" 2>&1
      status=$?
      set -e
      if [ $status != 0 ]; then
        tail -30 "$work/build.log" >&2
        echo "Building $name for Windows failed; the whole log is $work/build.log" >&2
        exit 1
      fi
      mv "$work/stage$dest" "$dest"
      rm -rf "$work"
    fi
    exec {lock}>&-
  fi
  echo "$dest"
}

names=("$@")
[ ${#names[@]} -gt 0 ] || names=(qt pcre2 googletest curl mongoc)
for name in "${names[@]}"; do cached "$name"; done
