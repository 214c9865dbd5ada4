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
  libgtest-dev libgmock-dev libbenchmark-dev python3 python3-yaml nodejs openssl
  # installer compiler and its checks; code signing of setups
  nsis p7zip-full osslsigncode
  # pictures drawn at build time, screenshots
  imagemagick xvfb x11-apps
  # the installed program's checks and its Debian package
  desktop-file-utils appstream lintian dpkg-dev file
)
# wine runs the built setups in the installer tests; skip it with KB_NO_WINE=1
[ "${KB_NO_WINE:-0}" = 1 ] || packages+=(wine64)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
