#!/bin/sh
# Creates the test certificates in DIR (default tests/certs): a local CA (ca.pem, ca.key), a server
# certificate for 127.0.0.1 and localhost signed by it (server.pem, server.key), a certificate of
# the same CA for another host only (wronghost.pem, wronghost.key) and an untrusted self-signed
# certificate for 127.0.0.1 (selfsigned.pem, selfsigned.key). Files that exist are kept.
set -eu

dir=${1:-$(dirname "$0")/../tests/certs}
mkdir -p "$dir"
cd "$dir"

days=36500
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

serial() { echo "0x$(openssl rand -hex 16)"; }

# A leaf certificate NAME signed by the CA, with the given subjectAltName.
leaf() {
    name=$1 cn=$2 san=$3
    [ -f "$name.pem" ] && [ -f "$name.key" ] && return 0
    cat >"$work/$name.ext" <<EXT
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = $san
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EXT
    openssl req -new -newkey rsa:2048 -nodes -sha256 -subj "/O=Cupom Dashboard Testes/CN=$cn" \
        -keyout "$name.key" -out "$work/$name.csr" 2>/dev/null
    openssl x509 -req -in "$work/$name.csr" -CA ca.pem -CAkey ca.key -set_serial "$(serial)" \
        -days "$days" -sha256 -extfile "$work/$name.ext" -out "$name.pem" 2>/dev/null
    echo "created $dir/$name.pem"
}

if [ ! -f ca.pem ] || [ ! -f ca.key ]; then
    # A new CA invalidates every certificate the old one signed.
    rm -f server.pem server.key wronghost.pem wronghost.key
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" -set_serial "$(serial)" \
        -subj "/O=Cupom Dashboard Testes/CN=Cupom Dashboard Test CA" \
        -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -keyout ca.key -out ca.pem 2>/dev/null
    echo "created $dir/ca.pem"
fi

leaf server 127.0.0.1 "IP:127.0.0.1, DNS:localhost"
leaf wronghost other.example "DNS:other.example"

if [ ! -f selfsigned.pem ] || [ ! -f selfsigned.key ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" -set_serial "$(serial)" \
        -subj "/O=Cupom Dashboard Testes/CN=127.0.0.1" \
        -addext "subjectAltName=IP:127.0.0.1" \
        -addext "basicConstraints=critical,CA:FALSE" \
        -addext "extendedKeyUsage=serverAuth" \
        -keyout selfsigned.key -out selfsigned.pem 2>/dev/null
    echo "created $dir/selfsigned.pem"
fi
