#!/usr/bin/env bash
# A 10,000-contact log (CSV and Cabrillo) mailed over STARTTLS with AUTH PLAIN, five times, and
# once over TLS from the first byte, to the local aiosmtpd peer of the tests.
# Usage: bench/mail_tls.sh build/bin/bench_mailtls [runs]
# TRUST=test trusts the test authority alone (default: the system's store with it added).
# RUNNER, when set, runs the bench under a profiler instead ("perf record -g -o FILE").
set -euo pipefail
BIN=$(realpath "$1")
RUNS=${2:-5}
PEER=$(dirname "$(realpath "$0")")/../tests/net/tls_peer.py
WORK=$(mktemp -d)
PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT

ssl() { openssl "$@" 2>/dev/null; }
ssl req -x509 -newkey rsa:2048 -nodes -keyout "$WORK/ca.key" -out "$WORK/ca.pem" -days 2 \
    -subj "/CN=Bench CA"
ssl req -newkey rsa:2048 -nodes -keyout "$WORK/srv.key" -out "$WORK/srv.csr" -subj /CN=localhost
printf 'subjectAltName=DNS:localhost\n' >"$WORK/srv.ext"
ssl x509 -req -in "$WORK/srv.csr" -CA "$WORK/ca.pem" -CAkey "$WORK/ca.key" -CAcreateserial \
    -days 2 -extfile "$WORK/srv.ext" -out "$WORK/srv.pem"

# Each peer prints its port as its first line.
start_peer() {
    mkdir -p "$WORK/$1"
    /usr/bin/python3 "$PEER" "$1" "$WORK/srv.pem" "$WORK/srv.key" "$WORK/$1" >"$WORK/$1.port" \
        2>"$WORK/$1.log" &
    PIDS+=($!)
}
port_of() {
    for _ in $(seq 100); do
        [ -s "$WORK/$1.port" ] && { head -n 1 "$WORK/$1.port"; return; }
        sleep 0.1
    done
    echo "the $1 peer did not start" >&2
    exit 1
}
start_peer starttls
start_peer tls
STARTTLS_PORT=$(port_of starttls)
TLS_PORT=$(port_of tls)

# The system's whole trust store with the test authority added: the client reads all of it at
# each handshake, as it does on an operator's computer. TRUST=test: the test authority alone.
cp "$WORK/ca.pem" "$WORK/trust.pem"
if [ "${TRUST:-system}" = system ] && [ -r /etc/ssl/certs/ca-certificates.crt ]; then
    cat /etc/ssl/certs/ca-certificates.crt "$WORK/ca.pem" >"$WORK/trust.pem"
fi
echo "trust store: $(grep -c 'BEGIN CERTIFICATE' "$WORK/trust.pem") certificates"
SSL_CERT_FILE="$WORK/trust.pem" SSL_CERT_DIR="$WORK/none" \
    ${RUNNER:-/usr/bin/time -f "bench process: %e s wall, %U s user, %S s system"} \
    "$BIN" "$WORK" "$STARTTLS_PORT" "$TLS_PORT" "$RUNS"
count() { find "$WORK/$1" -name '*.eml' | wc -l; }
echo "stored by the peers: $(count starttls) + $(count tls) messages," \
    "the last $(stat -c %s "$WORK/starttls/$RUNS.eml") bytes"
