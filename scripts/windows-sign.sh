#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Signs Windows files (the program, the MSI) in place with osslsigncode and
# verifies each signature, or only verifies:
#   windows-sign.sh sign FILE...
#   windows-sign.sh verify FILE...
# A release is signed with the site's own certificate, named by the
# environment:
#   TAVELIN_SIGN_PKCS12     a PKCS#12 file (.pfx/.p12) with the key and its chain, or
#   TAVELIN_SIGN_CERT       the certificate chain (PEM or DER) and
#   TAVELIN_SIGN_KEY        its private key
#   TAVELIN_SIGN_PASSWORD   the password of the PKCS#12 file or of the key (optional)
#   TAVELIN_SIGN_TIMESTAMP  an RFC 3161 time-stamp server's URL (optional; without
#                           one the signature ends with the certificate)
#   TAVELIN_SIGN_CAFILE     the certificates verify trusts (default: the system's)
# Without them (CI, a developer's machine) a test CA and a code-signing
# certificate it issued are made with openssl in build-win/sign/ (once; the
# build tree is never committed), and verify trusts that CA alone.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 2 ] && { [ "$1" = sign ] || [ "$1" = verify ]; } ||
  { echo "usage: $0 sign|verify FILE..." >&2; exit 2; }
action=$1
shift
bash "$top/scripts/setup.sh" osslsigncode openssl

keys=$top/build-win/sign
site=${TAVELIN_SIGN_PKCS12:-${TAVELIN_SIGN_CERT:-}}
if [ -n "$site" ]; then
  cafile=${TAVELIN_SIGN_CAFILE:-/etc/ssl/certs/ca-certificates.crt}
else
  cafile=$keys/test-ca.pem
fi

# The test CA and its code-signing certificate: throw-away keys for 30 days,
# made anew when missing or within a day of their end.
make_test_certificate() {
  [ -f "$keys/test-code.key" ] && [ -f "$cafile" ] &&
    openssl x509 -checkend 86400 -noout -in "$keys/test-code.pem" >/dev/null 2>&1 && return
  rm -rf "$keys"
  mkdir -p "$keys"
  chmod 700 "$keys"
  openssl req -x509 -newkey rsa:3072 -nodes -days 30 -subj "/CN=Tavelin test CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
    -keyout "$keys/test-ca.key" -out "$keys/test-ca.pem" 2>/dev/null
  openssl req -x509 -newkey rsa:3072 -nodes -days 30 -subj "/CN=Tavelin test code signing" \
    -CA "$keys/test-ca.pem" -CAkey "$keys/test-ca.key" \
    -addext basicConstraints=critical,CA:FALSE -addext keyUsage=critical,digitalSignature \
    -addext extendedKeyUsage=codeSigning \
    -keyout "$keys/test-code.key" -out "$keys/test-code.pem" 2>/dev/null
}

verify() {
  osslsigncode verify -CAfile "$cafile" -in "$1" >"$1.verify.log" 2>&1 ||
    { echo "windows-sign: $1 does not verify as signed:" >&2; cat "$1.verify.log" >&2; rm -f "$1.verify.log"; return 1; }
  rm -f "$1.verify.log"
}

if [ "$action" = verify ]; then
  for file in "$@"; do verify "$file"; done
  exit 0
fi

# The password goes through a file only this user reads, never the command
# line, which every user of the machine may list.
secret=$(mktemp)
trap 'rm -f "$secret" "${signed:-}"' EXIT
options=(-h sha256 -n Tavelin)
if [ -n "${TAVELIN_SIGN_PKCS12:-}" ]; then
  options+=(-pkcs12 "$TAVELIN_SIGN_PKCS12")
elif [ -n "${TAVELIN_SIGN_CERT:-}" ]; then
  [ -n "${TAVELIN_SIGN_KEY:-}" ] || { echo "windows-sign: TAVELIN_SIGN_CERT without TAVELIN_SIGN_KEY" >&2; exit 1; }
  options+=(-certs "$TAVELIN_SIGN_CERT" -key "$TAVELIN_SIGN_KEY")
else
  make_test_certificate
  options+=(-certs "$keys/test-code.pem" -key "$keys/test-code.key")
fi
if [ -n "${TAVELIN_SIGN_PASSWORD:-}" ]; then
  printf '%s' "$TAVELIN_SIGN_PASSWORD" >"$secret"
  options+=(-readpass "$secret")
fi
[ -n "${TAVELIN_SIGN_TIMESTAMP:-}" ] && options+=(-ts "$TAVELIN_SIGN_TIMESTAMP")

for file in "$@"; do
  signed=$file.signed
  rm -f "$signed"
  osslsigncode sign "${options[@]}" -in "$file" -out "$signed" >/dev/null ||
    { echo "windows-sign: $file could not be signed" >&2; exit 1; }
  mv "$signed" "$file"
  verify "$file"
done
