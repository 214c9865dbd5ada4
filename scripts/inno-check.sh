#!/usr/bin/env bash
# Checks the generated installer scripts against the real Inno Setup compiler: for a corpus of
# workspaces made here, each collection's script is compiled by Inno Setup's ISCC.exe and by our
# Compil32.exe; both setups are installed very silently under wine and their results compared
# (tests/inno/inno_check.py). Opt-in (KB_INNO=1 bash scripts/test.sh): it adds the i386
# architecture for wine32 and fetches the compiler from npm.
set -euo pipefail
cd "$(dirname "$0")/.."

inno_version=6.4.1
inno_cache=${KB_INNO_CACHE:-/var/cache/kitbinder-inno}/innosetup-$inno_version

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# apt waits for a lock another apt holds instead of failing at once.
apt_get() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 "$@"
}

# Takes the i386 architecture out again, with any of its packages: a configured architecture
# whose index cannot be fetched makes every later apt-get update, and so the bootstrap, fail.
remove_i386() {
  local packages
  packages=$(dpkg-query -W -f='${binary:Package} ${db:Status-Status}\n' '*:i386' 2>/dev/null |
    awk '$2 == "installed" { print $1 }' || true)
  if [ -n "$packages" ]; then
    # shellcheck disable=SC2086
    apt_get purge -y $packages || true
  fi
  as_root dpkg --remove-architecture i386 || true
  apt_get update || true
}

# The Inno Setup programs are 32-bit: wine runs them with wine32 beside wine64.
install_wine32() {
  if dpkg-query -W -f='${db:Status-Status}' wine32:i386 2>/dev/null | grep -qx installed; then
    return 0
  fi
  echo "inno-check: installing wine32 (i386 architecture)" >&2
  local added=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    added=1
  fi
  if apt_get update && apt_get install -y --no-install-recommends wine32:i386; then
    return 0
  fi
  if [ "$added" = 1 ]; then
    echo "inno-check: wine32 could not be installed; the i386 architecture is removed again" >&2
    remove_i386
  fi
  echo "inno-check: cannot run without wine32" >&2
  exit 1
}

# The npm package holds ISCC.exe, the setup stubs and the language files; it is unpacked once
# per version into the cache.
fetch_inno() {
  if [ -f "$inno_cache/package/bin/ISCC.exe" ]; then
    return 0
  fi
  command -v npm >/dev/null || apt_get install -y --no-install-recommends npm
  as_root mkdir -p "$inno_cache"
  as_root chown "$(id -u):$(id -g)" "$inno_cache"
  local scratch
  scratch=$(mktemp -d "$inno_cache/.fetch.XXXXXX")
  (cd "$scratch" && npm pack --silent "innosetup@$inno_version" >/dev/null &&
    tar -xzf innosetup-"$inno_version".tgz)
  rm -rf "$inno_cache/package"
  mv "$scratch/package" "$inno_cache/package"
  rm -rf "$scratch"
}

install_wine32
fetch_inno
[ "${KB_INNO_INSTALL_ONLY:-0}" = 1 ] && exit 0

bash scripts/bootstrap.sh
bash scripts/build.sh build >/dev/null
cmake --build build --target compil32 kitbinder-cli make_sample_workspace
python3 tests/inno/inno_check.py --iscc "$inno_cache/package/bin/ISCC.exe" --build build "$@"
