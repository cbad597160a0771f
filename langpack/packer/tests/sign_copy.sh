#!/bin/sh
# sign_copy.sh IN OUT: OUT is IN signed (Authenticode, SHA-256) with a
# throw-away self-signed certificate made here and deleted again.
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=lppack test" \
  -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
mkdir -p "$(dirname "$2")"
rm -f "$2"
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 -n "lppack test" \
  -in "$1" -out "$2" >/dev/null
