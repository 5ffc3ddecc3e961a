# Sourced: the Wine environment shared by the run command, the tests and CTest.
KEYTOOL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)"
export WINEPREFIX="${KEYTOOL_WINEPREFIX:-$KEYTOOL_ROOT/build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 936 unless a run asks for another locale (KEYTOOL_LOCALE, e.g. en_US.UTF-8 for 1252).
export LC_ALL="${KEYTOOL_LOCALE:-zh_CN.UTF-8}"
