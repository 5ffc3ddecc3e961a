#!/bin/bash
# Installs what is missing, builds both builds and the installer, and runs every test through
# CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh native
tools/build.sh windows   # the release, packaged below
. tools/wine-env.sh
if [[ $KEYTOOL_WINEARCH == win64 ]]; then
  echo "test: this machine cannot run 32-bit programs: the Windows-side tests run on the 64-bit" \
    "build (windows64) under 64-bit Wine; the installer test runs on a 64-bit set-up and MSI" \
    "of that build"
  tools/build.sh windows64
fi
tools/wine-prefix.sh
. tools/xvfb.sh
keytool_start_xvfb
# One Wine server and its system processes for the whole run: started here,
# away from CTest's output pipes, which they would otherwise hold open.
wineserver -k 2>/dev/null || true   # a server left from another display would misdraw
wineserver -p
wine cmd /c exit 0 >/dev/null 2>&1 </dev/null
tools/package.sh   # the release installer, which the installer test takes
status=0
ctest --preset native || status=1
ctest --preset "$KEYTOOL_PRESET" || status=1
wineserver -k || true
exit $status
