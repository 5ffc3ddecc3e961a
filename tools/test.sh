#!/bin/bash
# Installs what is missing, builds both builds and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh native
tools/build.sh windows
tools/wine-prefix.sh
. tools/wine-env.sh
. tools/xvfb.sh
keytool_start_xvfb
wineserver -p 60   # one Wine server for the whole run keeps each start fast
status=0
ctest --preset native || status=1
ctest --preset windows || status=1
wineserver -k || true
exit $status
