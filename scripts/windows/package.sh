#!/usr/bin/env bash
# package.sh <build folder> <Qt prefix>: packs the cross-built Kit Binder, run by windows.sh with
# a display set (DISPLAY). Writes into dist/:
#   KitBinder-<version>-win64.zip, KitBinder-<version>-win64-setup.exe, and the screenshot
#   KitBinder-<version>-win64.png of the installed program's main window;
# then installs the setup under wine, starts the installed program, and uninstalls it again.
set -euo pipefail
build=$(cd "$1" && pwd)
qt=$2
. "$(dirname "$0")/wine-env.sh" "$build" "$qt"
# The setup is tried on a Windows of its own, untouched by the tests: a new wine prefix, with
# neither Qt nor the MinGW runtime on its search path.
export WINEPREFIX=$build/wine-install
unset WINEPATH QT_PLUGIN_PATH
rm -rf "$WINEPREFIX"
kb_prepare_prefix
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=KitBinder-$version-win64
stage=$build/stage/$name
mkdir -p dist
rm -rf "$build/stage" "dist/$name.zip" "dist/$name-setup.exe" "dist/$name.png"

# The layout the program expects: programs in bin\, the stock pictures in Kitbinder\ beside it.
mkdir -p "$stage/bin/platforms" "$stage/bin/styles" "$stage/bin/imageformats" "$stage/Kitbinder"
cp "$build"/bin/{kitbinder,kitbinder-cli,kbstore}.exe "$stage/bin/"
cp "$build"/Kitbinder/* "$stage/Kitbinder/"
cp "$qt"/bin/{Qt6Core,Qt6Gui,Qt6Widgets}.dll "$stage/bin/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/bin/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/bin/styles/"
cp "$qt"/plugins/imageformats/{qjpeg,qico}.dll "$stage/bin/imageformats/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)" "$stage/bin/"
done
cp LICENSE "$stage/LICENSE.txt"
find "$stage" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded

# Every DLL a shipped file imports is shipped too, or is part of Windows.
system32="$WINEPREFIX/drive_c/windows/system32"
missing=0
while IFS= read -r -d '' file; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
    [ -n "$(find "$stage/bin" "$system32" -maxdepth 1 -iname "$dll" -print -quit)" ] && continue
    case "${dll,,}" in api-ms-win-*) continue ;; esac
    echo "$file needs $dll, which is neither shipped nor part of Windows" >&2
    missing=1
  done
done < <(find "$stage" \( -name '*.exe' -o -name '*.dll' \) -print0)
[ $missing = 0 ]

# The uninstaller's list of what the setup installs, from the same folder: each file by name,
# then each folder, deepest first (RMDir without /r removes only an empty one).
nsis_path() {
  case $1 in *[\"\\]* | *[[:cntrl:]]*)
    echo "Cannot name \"$1\" in the setup script" >&2; return 1 ;;
  esac
  local path=${1//\$/\$\$}
  printf '%s' "${path//\//\\}"
}
# Lines "<command> "$INSTDIR\<path>"" for the NUL-separated paths on standard input.
nsis_lines() {
  local item path
  while IFS= read -r -d '' item; do
    path=$(nsis_path "$item")
    echo "  $1 \"\$INSTDIR\\$path\""
  done
}
uninstall_list=$build/stage/uninstall.nsh
(cd "$stage" && find . -mindepth 1 -type f -printf '%P\0') | LC_ALL=C sort -z |
  nsis_lines Delete > "$uninstall_list"
(cd "$stage" && find . -mindepth 1 -type d -printf '%P\0') | LC_ALL=C sort -rz |
  nsis_lines RMDir >> "$uninstall_list"

(cd "$build/stage" && zip -qr9 "$OLDPWD/dist/$name.zip" "$name")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$PWD/dist/$name-setup.exe" \
  -DLICENSE="$PWD/LICENSE" -DICON="$build/icons/kitbinder.ico" \
  -DUNINSTALL_LIST="$uninstall_list" packaging/windows/kitbinder.nsi
echo "Packed dist/$name.zip ($(du -h "dist/$name.zip" | cut -f1)) and dist/$name-setup.exe ($(du -h "dist/$name-setup.exe" | cut -f1))"

# The setup, tried as a user would: a silent install, the program started on a sample workspace,
# a screenshot of its main window, a silent uninstall.
installed="$WINEPREFIX/drive_c/Program Files/Bobbinwright Software/Kit Binder"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KitBinder'
# A file of the person's own in the folder the setup installs into, which the uninstaller must
# leave where it is.
foreign="$installed/bin/notes.txt"
mkdir -p "$installed/bin"
echo "the person's own" > "$foreign"
"$kb_wine" "dist/$name-setup.exe" /S
for file in bin/kitbinder.exe bin/platforms/qwindows.dll Kitbinder/KB_Designer.jpg Uninstall.exe; do
  [ -f "$installed/$file" ] || { echo "The setup did not install $file" >&2; exit 1; }
done
[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kit Binder.lnk" ] ||
  { echo "The setup made no Start menu entry" >&2; exit 1; }
"$kb_wine" reg query "$uninstall_key" /v DisplayVersion >/dev/null

documents=$("$kb_wine" cmd /c 'echo %USERPROFILE%\Documents' | tr -d '\r')
WINEPATH="Z:$qt/bin;Z:$kb_gcc_dlls;Z:$kb_pthread_dlls" \
  "$kb_wine" "$build/bin/make_sample_workspace.exe" "$documents" >/dev/null
(cd "$installed/bin" && "$kb_wine" kitbinder.exe >/dev/null 2>&1) &
program=$!
window=$(timeout 90 xdotool search --sync --onlyvisible --name '^Bobbinwright Kit Binder$' | head -1)
[ -n "$window" ] || { echo "The installed kitbinder.exe showed no main window" >&2; exit 1; }
sleep 3
import -window "$window" "dist/$name.png"
xdotool windowfocus --sync "$window" key --clearmodifiers alt+F4 || true
timeout 20 tail --pid="$program" -f /dev/null || { echo "kitbinder.exe did not close" >&2; exit 1; }
echo "Installed, started (dist/$name.png) ..."

"$kb_wine" "$installed/Uninstall.exe" /S
for _ in $(seq 60); do [ -e "$installed/Uninstall.exe" ] || break; sleep 1; done
left=$(cd "$installed" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = "./bin ./bin/notes.txt " ] ||
  { echo "The uninstaller left or removed other than the files it installed: $left" >&2; exit 1; }
rm -r "$installed"
! "$kb_wine" reg query "$uninstall_key" >/dev/null 2>&1 ||
  { echo "The uninstaller left its registry key" >&2; exit 1; }
echo "... and uninstalled again under wine."
"$kb_wineserver" -k 2>/dev/null || true
