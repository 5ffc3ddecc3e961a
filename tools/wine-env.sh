# Sourced: the Wine environment shared by the run command, the tests and CTest.
KEYTOOL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)"
export WINEPREFIX="${KEYTOOL_WINEPREFIX:-$KEYTOOL_ROOT/build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=zh_CN.UTF-8
