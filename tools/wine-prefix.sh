#!/bin/bash
# Creates the Wine prefix once: 32- or 64-bit as tools/wine-env.sh says, no
# window-manager waits, and the Chinese dialog font mapped to an installed CJK font.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/.keytool-ready"
[[ -f $stamp ]] && exit 0
echo "wine-prefix: creating $WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
for face in 宋体 SimSun 'MS Shell Dlg' 'MS Shell Dlg 2'; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null
done
wineserver -w
touch "$stamp"
