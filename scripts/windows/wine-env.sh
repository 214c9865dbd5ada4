# Sourced by scripts/windows.sh (and by hand: ". scripts/windows/wine-env.sh build-win <qt>"):
# the environment in which the cross-built programs run under wine, HOME among it (below). $1:
# the build folder, $2: the cross-built Qt's prefix.
kb_build=$(cd "$1" && pwd)
kb_qt=$2
# A prefix of the build's own, 64-bit, quiet, without the Mono and Gecko install prompts.
export WINEPREFIX=$kb_build/wine
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# wine links the profile's Documents, Desktop and other folders to the user's home: a home of
# the build's own keeps everything the programs and the packing step write there (the sample
# workspace below Documents among it) out of the person's real folders.
export HOME=$kb_build/wine-home
export XDG_CONFIG_HOME=$HOME/.config
mkdir -p "$HOME"
kb_wine=/usr/lib/wine/wine64
kb_wineserver=/usr/lib/wine/wineserver
# wine shows the build machine's root as drive Z:. The programs find their DLLs on WINEPATH: the
# Qt libraries and the MinGW runtime (libstdc++, libgcc, winpthreads).
kb_gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
kb_pthread_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
export WINEPATH="Z:$kb_qt/bin;Z:$kb_gcc_dlls;Z:$kb_pthread_dlls"
export QT_PLUGIN_PATH="Z:$kb_qt/plugins"

# Makes the prefix ($WINEPREFIX) ready: a program that crashes (some tests crash helpers on
# purpose) ends without wine's crash dialog, and the Windows user-interface font names are
# answered by DejaVu Sans. Without that, Qt takes a mathematical font of the host for wine's
# missing or unusable ones, whose metrics push the text of every line edit out of sight. (Not
# Liberation Sans: wine draws it without some capitals at small sizes.)
kb_prepare_prefix() {
  # wineboot fills syswow64, the 32-bit part that Inno Setup's compiler and its setups need,
  # only when WINELOADER names wine64 (and wine32 is installed).
  WINELOADER=$kb_wine "$kb_wine" wineboot -i >/dev/null 2>&1
  # The Bobbinwright program the setups look for, in the 32-bit view of the registry.
  "$kb_wine" reg add 'HKLM\SOFTWARE\Bobbinwright\V75' /reg:32 /f >/dev/null 2>&1
  # A prefix made before its home was private may still link to the real one.
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ] && [[ $(readlink "$link") != "$HOME"* ]]; then
      rm "$link" && mkdir "$link"
    fi
  done
  "$kb_wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1
  local font
  for font in 'Sans Serif' 'MS Sans Serif' 'Microsoft Sans Serif' 'MS Shell Dlg' \
    'MS Shell Dlg 2' Tahoma Arial 'Segoe UI'; do
    "$kb_wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ \
      /d 'DejaVu Sans' /f >/dev/null 2>&1
  done
}

# The real Inno Setup compiler (the npm package that scripts/inno-check.sh fetches), when it and
# wine32 are installed: the window's Create Setup test then compiles with it.
kb_inno_bin=${KB_INNO_CACHE:-/var/cache/kitbinder-inno}/innosetup-6.4.1/package/bin
if [ -f "$kb_inno_bin/Compil32.exe" ] && [ -x /usr/lib/wine/wine ]; then
  export WINEPATH="Z:$kb_inno_bin;$WINEPATH"
fi
