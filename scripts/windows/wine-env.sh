# Sourced by scripts/windows.sh (and by hand: ". scripts/windows/wine-env.sh build-win <qt>"):
# the environment in which the cross-built programs run under wine. $1: the build folder,
# $2: the cross-built Qt's prefix.
kb_build=$(cd "$1" && pwd)
kb_qt=$2
# A prefix of the build's own, 64-bit, quiet, without the Mono and Gecko install prompts.
export WINEPREFIX=$kb_build/wine
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
kb_wine=/usr/lib/wine/wine64
kb_wineserver=/usr/lib/wine/wineserver
# wine shows the build machine's root as drive Z:. The programs find their DLLs on WINEPATH: the
# Qt libraries and the MinGW runtime (libstdc++, libgcc, winpthreads).
kb_gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
kb_pthread_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
export WINEPATH="Z:$kb_qt/bin;Z:$kb_gcc_dlls;Z:$kb_pthread_dlls"
export QT_PLUGIN_PATH="Z:$kb_qt/plugins"
