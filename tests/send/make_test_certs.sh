#!/bin/bash
# Certificate authorities and site certificates for the HTTPS upload tests,
# made afresh in the folder given: ca.pem is the authority the tests trust;
# good.pem is the site's certificate, untrusted.pem the same names from an
# authority nobody trusts, wrongname.pem another site's from the trusted one.
set -euo pipefail
cd "$1"
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1.key" 2>/dev/null; }
authority() {
  key "$1"
  openssl req -x509 -new -key "$1.key" -subj "/CN=$2" -days 2 -out "$1.pem" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
}
site() {
  key "$1"
  openssl req -new -key "$1.key" -subj "/CN=$3" -out "$1.csr"
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$4" >"$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days 2 \
    -extfile "$1.ext" -out "$1.pem" 2>/dev/null
}
authority ca "Mirlo test CA"
authority other-ca "Untrusted test CA"
site good ca ecole.example "DNS:ecole.example,DNS:localhost"
site untrusted other-ca ecole.example "DNS:ecole.example,DNS:localhost"
site wrongname ca autre.example "DNS:autre.example"
