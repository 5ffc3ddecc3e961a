# Sourced: the Wine environment shared by the run command, the tests and CTest.
# KEYTOOL_WINEARCH chooses the build and Wine that run: win32 (the release build, 32-bit Wine)
# or win64 (the windows64 build under 64-bit Wine, in a prefix of its own). Unset, it is win32
# when this machine can execute 32-bit programs and win64 when it cannot.
KEYTOOL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)"
if [[ -z ${KEYTOOL_WINEARCH:-} ]]; then
  KEYTOOL_WINEARCH=win64
  /usr/lib/wine/wine --version >/dev/null 2>&1 && KEYTOOL_WINEARCH=win32
fi
export KEYTOOL_WINEARCH
if [[ $KEYTOOL_WINEARCH == win64 ]]; then
  export KEYTOOL_PRESET=windows64
  export WINEPREFIX="${KEYTOOL_WINEPREFIX:-$KEYTOOL_ROOT/build/wineprefix64}"
  export WINELOADER=/usr/lib/wine/wine64
  [[ :$PATH: == *":$KEYTOOL_ROOT/tools/wine64:"* ]] || export PATH="$KEYTOOL_ROOT/tools/wine64:$PATH"
else
  export KEYTOOL_PRESET=windows
  export WINEPREFIX="${KEYTOOL_WINEPREFIX:-$KEYTOOL_ROOT/build/wineprefix}"
fi
# The programs that run in this environment.
export KEYTOOL_BIN=$KEYTOOL_ROOT/build/$KEYTOOL_PRESET/bin
export WINEARCH=$KEYTOOL_WINEARCH
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 936 unless a run asks for another locale (KEYTOOL_LOCALE, e.g. en_US.UTF-8 for 1252).
export LC_ALL="${KEYTOOL_LOCALE:-zh_CN.UTF-8}"
