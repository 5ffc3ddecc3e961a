#!/bin/bash
# Installs what is missing, builds, plugs in the demo key and starts the key tool
# under Wine (the 64-bit build where 32-bit programs cannot run). With a display the
# window appears there; without one the tool runs under Xvfb, a screenshot of its
# main window is saved and its path printed.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
. tools/wine-env.sh
tools/build.sh "$KEYTOOL_PRESET" >/dev/null
tools/wine-prefix.sh

if [[ -n ${DISPLAY:-} ]]; then
  tools/demo-key.sh
  exec wine "$KEYTOOL_BIN/QelmoraKeyTool.exe"
fi

. tools/xvfb.sh
keytool_start_xvfb
wineserver -k 2>/dev/null || true   # its desktop may belong to another display
wineserver -p
wine cmd /c exit 0 >/dev/null 2>&1 </dev/null
tools/demo-key.sh
wine "$KEYTOOL_BIN/QelmoraKeyTool.exe" &
title="QelmoraUsbKey管理工具"
geometry=""
for _ in $(seq 100); do
  geometry=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title\"" | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+' | head -1 || true)
  [[ -n $geometry ]] && break
  sleep 0.2
done
sleep 2   # let the start-up finish drawing (key list, certificate tree)
shot="$PWD/build/keytool-screenshot.png"
if [[ -n $geometry ]]; then
  import -window root -crop "$geometry" +repage "$shot"
else
  import -window root "$shot"
fi
wineserver -k
echo "$shot"
