#!/bin/bash
# Installs what is missing, builds both builds and the installer, and runs every test through
# CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh native
. tools/wine-env.sh
if [[ $KEYTOOL_WINEARCH == win64 ]]; then
  echo "test: this machine cannot run 32-bit programs: the Windows-side tests run on the 64-bit" \
    "build (windows64) under 64-bit Wine; the installer test runs on a 64-bit set-up and MSI" \
    "of that build; of the 32-bit build only what the release ships is built"
fi
tools/build.sh "$KEYTOOL_PRESET"   # what the tests run on; packaging builds the release
tools/wine-prefix.sh
. tools/xvfb.sh
keytool_start_xvfb
# One Wine server and its system processes for the whole run: started here,
# away from CTest's output pipes, which they would otherwise hold open.
wineserver -k 2>/dev/null || true   # a server left from another display would misdraw
wineserver -p
wine cmd /c exit 0 >/dev/null 2>&1 </dev/null
# The native tests run while the release installer (which the installer test takes) is
# packaged; their report follows the packaging's.
ctest --preset native >build/native/ctest.log 2>&1 &
native=$!
packaged=0
tools/package.sh || packaged=$?
status=0
wait "$native" || status=1
cat build/native/ctest.log
if ((packaged != 0)); then
  wineserver -k || true
  exit "$packaged"
fi
ctest --preset "$KEYTOOL_PRESET" || status=1
wineserver -k || true
exit $status
