#!/bin/bash
# Signs one Windows file in place with Authenticode (SHA-256):
#   tools/sign.sh FILE
# With the certificate in KEYTOOL_SIGN_PFX, its password in KEYTOOL_SIGN_PASS and, when
# KEYTOOL_SIGN_TIMESTAMP names a time-stamping server, a time stamp from it.
set -euo pipefail
file=$1
: "${KEYTOOL_SIGN_PFX:?no signing certificate}" "${KEYTOOL_SIGN_PASS:?no certificate password}"
timestamp=()
[[ -n ${KEYTOOL_SIGN_TIMESTAMP:-} ]] && timestamp=(-ts "$KEYTOOL_SIGN_TIMESTAMP")
signed=$file.signing
rm -f "$signed"
trap 'rm -f "$signed"' EXIT
osslsigncode sign -pkcs12 "$KEYTOOL_SIGN_PFX" -readpass <(printf '%s' "$KEYTOOL_SIGN_PASS") \
  -h sha256 -n "QelmoraUsbKey管理工具" -i "https://ebank.qelmora.com/" "${timestamp[@]}" \
  -in "$file" -out "$signed" >/dev/null
chmod --reference="$file" "$signed"
mv -f "$signed" "$file"
trap - EXIT
