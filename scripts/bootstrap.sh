#!/usr/bin/env bash
# Installs the Debian packages the project needs, and only those that are missing.
# Safe to run again: when everything is present it does nothing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config clang-format
  # libraries
  libpcre2-dev libicu-dev qt6-base-dev libcurl4-openssl-dev libmongoc-dev libbson-dev libssl-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libyaml-dev python3 python3-yaml nodejs openssl
  # installer compiler and its checks; code signing of setups
  nsis p7zip-full osslsigncode
  # pictures drawn at build time, screenshots
  imagemagick xvfb x11-apps
  # the installed program's checks and its Debian package
  desktop-file-utils appstream lintian dpkg-dev file
)
# wine runs the built setups in the installer tests; skip it with KB_NO_WINE=1
[ "${KB_NO_WINE:-0}" = 1 ] || packages+=(wine64)
# "bootstrap.sh windows": also what the Windows build needs: the MinGW-w64 cross compilers,
# Qt's host tools, wine and a display for the tests, zip for the package, and Debian's source
# packages of the libraries it builds for Windows.
windows=0
if [ "${1:-}" = windows ]; then
  windows=1
  packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix qt6-base-dev-tools googletest
    wine64 fonts-wine fonts-dejavu-core xvfb xauth xdotool zip dpkg-dev)
fi
# "bootstrap.sh windows-core": only what the Windows tests of the libraries below the window
# need: the cross compilers, GoogleTest's sources, wine and the source packages (no display).
if [ "${1:-}" = windows-core ]; then
  windows=1
  packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix googletest wine64 dpkg-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

# The source packages come from Debian's archive of this release.
sources=/etc/apt/sources.list.d/kitbinder-sources.sources
need_update=0
if [ $windows = 1 ] && [ ! -e "$sources" ]; then
  printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' \
    "Suites: $(. /etc/os-release && echo "$VERSION_CODENAME")" 'Components: main' \
    'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
    "${sudo_cmd[@]}" tee "$sources" >/dev/null
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  need_update=1
fi
[ $need_update = 1 ] || exit 0
"${sudo_cmd[@]}" apt-get update -q
[ ${#missing[@]} -eq 0 ] || "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
