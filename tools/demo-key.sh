#!/bin/bash
# Creates the demo key once (label 演示UsbKey, password 12345a78) and plugs it in, in the key
# store the key tool of this Wine environment uses. Safe to run again: an existing demo key is
# kept as it is and only plugged in when it is not.
#   tools/demo-key.sh [STORE]   with a store folder: the key is made there and left pulled
# Needs the Wine environment (. tools/wine-env.sh) and its Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."
: "${WINEPREFIX:?source tools/wine-env.sh first}"

admin=$KEYTOOL_BIN/keyadmin.exe
certs=build/demo-key
key=demo

store=()
[[ -n ${1:-} ]] && store=(--store "$(winepath -w "$1")")
keyadmin() { wine "$admin" "${store[@]}" "$@"; }

if ! keyadmin show "$key" >/dev/null 2>&1; then
  # The demo certificates are made here, never taken from anywhere.
  [[ -f $certs/user-enc.der ]] || tools/make-cert.sh "演示用户 加密" "$certs/user-enc.der"
  [[ -f $certs/user-sign.der ]] || tools/make-cert.sh "演示用户 签名" "$certs/user-sign.der"
  [[ -f $certs/corp-sign.der ]] || tools/make-cert.sh "演示企业 签名" "$certs/corp-sign.der"
  win() { winepath -w "$PWD/$1"; }

  # A half-made key would be kept by the next run; take it away again on any failure.
  trap 'keyadmin delete "$key" >/dev/null 2>&1 || true' ERR
  keyadmin create "$key" --label "演示UsbKey" --password 12345a78 --tries 6 --status 2
  keyadmin cert "$key" DemoUser 1 "$(win "$certs/user-enc.der")"
  keyadmin cert "$key" DemoUser 2 "$(win "$certs/user-sign.der")"
  keyadmin cert "$key" DemoCorp 2 "$(win "$certs/corp-sign.der")"
  keyadmin file "$key" EF11 --text "https://ebank.qelmora.com/"
  trap - ERR
  echo "demo-key: created key '$key'"
fi
((${#store[@]})) || keyadmin plug "$key"
