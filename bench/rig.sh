#!/usr/bin/env bash
# The window's longest event-loop pause while its rig is there, gone (the daemon killed with
# -9), back, silent (the daemon stopped: connections are taken and never answered) and back
# again: a rig control daemon with the dummy radio on a free loopback port.
# Usage: bench/rig.sh build/bin/bench_rig [seconds per phase]
set -euo pipefail
BIN=$(realpath "$1")
PHASE=${2:-4}
PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
DAEMON=
cleanup() { [ -n "$DAEMON" ] && kill -9 "$DAEMON" 2>/dev/null || true; }
trap cleanup EXIT
start_daemon() {
    rigctld -m 1 -T 127.0.0.1 -t "$PORT" >/dev/null 2>&1 & DAEMON=$!
    sleep 0.3
}
start_daemon
"$BIN" "127.0.0.1:$PORT" $((5 * PHASE)) & BENCH=$!
sleep "$PHASE"
echo "--- rig control daemon killed"
kill -9 "$DAEMON"; DAEMON=
sleep "$PHASE"
echo "--- rig control daemon started again"
start_daemon
sleep "$PHASE"
echo "--- rig control daemon stopped: silent"
kill -STOP "$DAEMON"
sleep "$PHASE"
echo "--- rig control daemon continued"
kill -CONT "$DAEMON"
wait "$BENCH"
