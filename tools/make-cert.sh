#!/bin/bash
# Makes a self-signed X.509 certificate (RSA 2048, SHA-256, ten years) for virtual keys:
#   tools/make-cert.sh COMMON-NAME OUTPUT.der|OUTPUT.pem
# The subject is "CN=COMMON-NAME, O=Qelmora Bank, C=CN" (UTF-8); the private key is thrown
# away, since a virtual key keeps only certificates.
set -euo pipefail
cn=$1
out=$2
format=DER
[[ $out == *.pem ]] && format=PEM
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -utf8 -newkey rsa:2048 -nodes -sha256 -days 3650 \
  -keyout "$work/key.pem" -subj "/C=CN/O=Qelmora Bank/CN=$cn" \
  -outform "$format" -out "$work/cert" 2>/dev/null
mkdir -p "$(dirname "$out")"
mv "$work/cert" "$out"
