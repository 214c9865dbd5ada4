#!/usr/bin/env bash
# package_test.sh <build folder> <expected file list>
# Builds the Debian package with CPack into a scratch folder, compares its file list with the
# expected one, checks that the library dependencies were computed, and runs lintian when it
# is installed (errors fail; the rest is printed).
set -euo pipefail
build=$1 expected=$2
stage=$(mktemp -d -t kitbinder-deb.XXXXXX)
trap 'rm -rf "$stage"' EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

(cd "$stage" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$stage" >"$stage/cpack.log") ||
    { cat "$stage/cpack.log"; fail "cpack failed"; }
debs=("$stage"/kitbinder_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no package made"
deb=${debs[0]}

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' | grep -v '/$' | LC_ALL=C sort >"$stage/files.txt"
diff -u "$expected" "$stage/files.txt" || fail "the package's files differ from $expected"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libqt6widgets6 libcurl4 libmongoc nsis xdg-utils; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

if command -v lintian >/dev/null; then
    lintian --tag-display-limit 0 "$deb" | tee "$stage/lintian.txt" || true
    ! grep -q '^E:' "$stage/lintian.txt" || fail "lintian reports errors"
fi
echo "package_test: $(basename "$deb") ok"
