#!/bin/bash
# Makes a throwaway code-signing certificate once, for packages signed without the bank's:
#   tools/make-signing-cert.sh DIR
# DIR/ca.pem is a test CA (the one to verify against), DIR/signer.pfx the certificate it
# issued with its key, password in DIR/signer.pass. Never for a release to customers.
set -euo pipefail
dir=$1
[[ -f $dir/signer.pfx && -f $dir/ca.pem && -f $dir/signer.pass ]] && exit 0
mkdir -p "$dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "/O=Qelmora Bank/CN=Qelmora Test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
  -keyout "$work/ca.key" -out "$work/ca.pem" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -sha256 -subj "/C=CN/O=Qelmora Bank/CN=Qelmora Test Code Signing" \
  -keyout "$work/signer.key" -out "$work/signer.csr" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
  >"$work/ext"
openssl x509 -req -in "$work/signer.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -set_serial 1 \
  -days 825 -sha256 -extfile "$work/ext" -out "$work/signer.pem" 2>/dev/null
openssl rand -hex 16 >"$work/signer.pass"
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -certfile "$work/ca.pem" \
  -passout "file:$work/signer.pass" -out "$work/signer.pfx"
mv "$work/ca.pem" "$work/signer.pfx" "$work/signer.pass" "$dir/"
