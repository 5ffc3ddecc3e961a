#!/bin/bash
# Installs what is missing, builds both builds and the installer, and runs every test through
# CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh native
tools/build.sh windows
tools/wine-prefix.sh
. tools/wine-env.sh
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
ctest --preset windows || status=1
wineserver -k || true
exit $status
