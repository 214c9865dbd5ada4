#!/usr/bin/env bash
# install_test.sh <build folder> <installed_setup program> <application id>
# Installs the build into a DESTDIR below /usr, checks the files and their places, validates
# the desktop entry and the metadata, starts the installed program offscreen, and builds a
# setup from the installed layout.
set -euo pipefail
build=$1 driver=$2 app=$3
stage=$(mktemp -d -t kitbinder-install.XXXXXX)
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; rm -rf "$stage"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >"$stage/install.log"
usr="$stage/root/usr"

for file in bin/kitbinder bin/kitbinder-cli share/man/man1/kitbinder-cli.1.gz \
    share/bash-completion/completions/kitbinder-cli libexec/kitbinder/Compil32.exe libexec/kitbinder/kbstore \
    share/kitbinder/KB_Designer.jpg share/kitbinder/KB_Collection.jpg \
    share/kitbinder/KB_Garment.jpg share/kitbinder/KB_Measure.jpg share/kitbinder/KB_Create.jpg \
    share/kitbinder/Kitbinder.bmp share/kitbinder/Wizmodernimage.bmp \
    share/kitbinder/needle2_tn.bmp "share/applications/$app.desktop" \
    "share/metainfo/$app.metainfo.xml" share/doc/kitbinder/copyright; do
    [ -f "$usr/$file" ] || fail "not installed: $file"
done
for size in 16 22 24 32 48 64 128 256 512; do
    icon="$usr/share/icons/hicolor/${size}x$size/apps/$app.png"
    [ -f "$icon" ] || fail "no ${size}x$size icon"
    identify -format '%wx%h' "$icon" | grep -qx "${size}x$size" || fail "$icon is not ${size}x$size"
done
# Only the programs themselves land on everyone's search path.
[ "$(ls "$usr/bin" | tr '\n' ' ')" = "kitbinder kitbinder-cli " ] ||
    fail "bin/ holds more than kitbinder and kitbinder-cli: $(ls "$usr/bin")"

desktop-file-validate "$usr/share/applications/$app.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/$app.metainfo.xml"

# The installed program starts on an empty workspace of a fresh user: it makes the
# Installations folder there and keeps running.
home="$stage/home"
mkdir -p "$home/Documents" "$stage/config" "$stage/runtime"
chmod 700 "$stage/runtime"
printf 'XDG_DOCUMENTS_DIR="%s"\n' "$home/Documents" >"$stage/config/user-dirs.dirs"
installations="$home/Documents/Bobbinwright/Personal Files/Installations"
HOME="$home" XDG_CONFIG_HOME="$stage/config" XDG_RUNTIME_DIR="$stage/runtime" \
    QT_QPA_PLATFORM=offscreen PATH=/usr/bin:/bin "$usr/bin/kitbinder" &
pid=$!
for _ in $(seq 300); do
    [ -d "$installations" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the installed program ended at start-up"
    sleep 0.1
done
[ -d "$installations" ] || fail "the installed program made no workspace"
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the installed program ended after start-up"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=

# The program's windows, run from the installed bin/ folder, build a setup with the installed
# pictures and installer compiler (the build's own bin/ is not on the search path).
cp "$driver" "$usr/bin/installed_setup"
HOME="$home" XDG_CONFIG_HOME="$stage/config" XDG_RUNTIME_DIR="$stage/runtime" \
    QT_QPA_PLATFORM=offscreen PATH=/usr/bin:/bin "$usr/bin/installed_setup"

# The installed command line builds a setup with the installed installer compiler.
"$build/bin/make_sample_workspace" "$stage/cli" >/dev/null
PATH=/usr/bin:/bin "$usr/bin/kitbinder-cli" --workspace "$stage/cli/Bobbinwright/Personal Files" \
    build Anna Dresses >"$stage/cli.log" 2>&1 || { cat "$stage/cli.log"; fail "kitbinder-cli build failed"; }
[ -s "$stage/cli/Bobbinwright/Personal Files/Installations/Dresses.exe" ] ||
    fail "the installed kitbinder-cli wrote no setup"
