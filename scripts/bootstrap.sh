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

# Prints deb822 deb-src stanzas for the Debian archive entries of the apt sources given as files
# (*.sources in deb822 form, anything else one-line form): the same URIs, components and keys,
# with those suites of release $1 that the entries name (the release, its updates, its security).
debian_source_entries() {
  local release=$1
  shift
  awk -v release="$release" '
    function keep(types, uris, suites, components, key, enabled,   n, s, i, j, u, un, t, tn, hit) {
      if (tolower(enabled) == "no") return
      tn = split(types, t, /[ \t]+/)
      hit = 0
      for (i = 1; i <= tn; i++) if (t[i] == "deb") hit = 1
      if (!hit) return
      n = split(suites, s, /[ \t]+/)
      kept = ""
      for (i = 1; i <= n; i++)
        if (s[i] == release || s[i] == release "-updates" || s[i] == release "-security")
          kept = kept (kept == "" ? "" : " ") s[i]
      if (kept == "") return
      un = split(uris, u, /[ \t]+/)
      for (j = 1; j <= un; j++) if (u[j] != "") {
        id = u[j] SUBSEP components SUBSEP key
        if (!(id in order)) { order[id] = ++count; ids[count] = id }
        n = split(kept, s, " ")
        for (i = 1; i <= n; i++)
          if (!((id, s[i]) in seen)) { seen[id, s[i]] = 1; found[id] = found[id] (found[id] == "" ? "" : " ") s[i] }
      }
    }
    function flush() {
      if (have) keep(f["types"], f["uris"], f["suites"], f["components"], f["signed-by"], f["enabled"])
      delete f; have = 0; last = ""
    }
    FNR == 1 { flush(); deb822 = FILENAME ~ /\.sources$/ }
    deb822 && /^[ \t]*#/ { next }
    deb822 && /^[ \t]*$/ { flush(); next }
    deb822 && /^[ \t]/ { if (last != "") f[last] = f[last] "\n" $0; next }
    deb822 {
      name = tolower(substr($0, 1, index($0, ":") - 1))
      value = substr($0, index($0, ":") + 1)
      gsub(/^[ \t]+|[ \t]+$/, "", value)
      f[name] = value; last = name; have = 1; next
    }
    /^[ \t]*(#|$)/ { next }
    {
      line = $0; key = ""
      if (match(line, /\[[^]]*\]/)) {
        options = substr(line, RSTART + 1, RLENGTH - 2)
        line = substr(line, 1, RSTART - 1) substr(line, RSTART + RLENGTH)
        if (match(options, /signed-by=[^ \t]+/)) key = substr(options, RSTART + 10, RLENGTH - 10)
      }
      n = split(line, w, /[ \t]+/)
      if (w[1] == "") { for (i = 1; i < n; i++) w[i] = w[i + 1]; n-- }
      components = ""
      for (i = 4; i <= n; i++) components = components (components == "" ? "" : " ") w[i]
      keep(w[1], w[2], w[3], components, key, "yes")
    }
    END {
      flush()
      for (c = 1; c <= count; c++) {
        split(ids[c], p, SUBSEP)
        printf "%sTypes: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", (c > 1 ? "\n" : ""), p[1], found[ids[c]], p[2]
        if (p[3] != "") printf "Signed-By: %s\n", p[3]
      }
    }
  ' "$@"
}

# The source packages come from the Debian archive this machine installs from: deb-src entries
# beside its deb entries of this release (rewritten when those change).
sources=/etc/apt/sources.list.d/kitbinder-sources.sources
need_update=0
if [ $windows = 1 ]; then
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt_files=()
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
    /etc/apt/sources.list.d/*.sources; do
    [ ! -f "$file" ] || [ "$file" = "$sources" ] || apt_files+=("$file")
  done
  wanted=
  [ ${#apt_files[@]} -eq 0 ] || wanted=$(debian_source_entries "$release" "${apt_files[@]}")
  if [ -z "$wanted" ]; then
    echo "No Debian archive of $release among the apt sources (/etc/apt/sources.list," \
      "/etc/apt/sources.list.d/): cannot add the source packages the Windows build needs" >&2
    exit 1
  fi
  if [ "$wanted" != "$(cat "$sources" 2>/dev/null)" ]; then
    printf '%s\n' "$wanted" | "${sudo_cmd[@]}" tee "$sources" >/dev/null
    need_update=1
  fi
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  need_update=1
fi
[ $need_update = 1 ] || exit 0
# apt waits for a lock another apt or dpkg holds (an unattended upgrade on a fresh machine)
# instead of failing at once. Not every apt waits for the lock of its package lists so: update
# is tried again while that lock is held.
apt_get=("${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=900)
apt_update() {
  local try output
  for try in $(seq 90); do
    if output=$("${apt_get[@]}" update -q 2>&1); then
      printf '%s\n' "$output"
      return 0
    fi
    grep -q 'Could not get lock' <<<"$output" || break
    [ "$try" -gt 1 ] || echo "Waiting for another package manager to finish..." >&2
    sleep 10
  done
  printf '%s\n' "$output" >&2
  return 1
}
apt_update
[ ${#missing[@]} -eq 0 ] || "${apt_get[@]}" install -y -q --no-install-recommends "${missing[@]}"
