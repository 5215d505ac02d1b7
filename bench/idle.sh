#!/usr/bin/env bash
# CPU use of the idle program (its clock ticking) in a real window under Xvfb.
# Usage: bench/idle.sh build/bin/DOVavoviv [seconds]
set -euo pipefail
BIN=$(realpath "$1")
SECONDS_IDLE=${2:-30}
INI="$BIN.ini"
WORK=$(mktemp -d)
export XDG_RUNTIME_DIR="$WORK/xdg"
mkdir -m 700 "$XDG_RUNTIME_DIR"
SAVED_INI=
if [ -f "$INI" ]; then SAVED_INI="$WORK/saved.ini"; mv "$INI" "$SAVED_INI"; fi
cleanup() {
    [ -n "${APP:-}" ] && kill "$APP" 2>/dev/null || true
    [ -n "${XVFB:-}" ] && kill "$XVFB" 2>/dev/null || true
    rm -f "$INI"
    [ -n "$SAVED_INI" ] && mv "$SAVED_INI" "$INI"
    rm -rf "$WORK"
}
trap cleanup EXIT
: >"$WORK/QZVHF.LOG"
# Inside the contest window, so the time-left line changes too.
printf '[FILES]\r\nLogFileName=%s\r\n[CONTEST]\r\nCallsign=VK3ABC\r\n[TIME]\r\nContestFinishDate=%s\r\nContestFinishTime=23:59:59\r\n' \
    "$WORK/QZVHF.LOG" "$(LC_ALL=C date -u +'%-d %b %Y')" >"$INI"
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
XVFB=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$WORK/display")"
cd "$WORK"
LC_ALL=C "$BIN" & APP=$!
sleep 3
ticks() { awk '{print $14 + $15}' "/proc/$APP/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
sleep "$SECONDS_IDLE"
t1=$(ticks)
awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$SECONDS_IDLE" \
    'BEGIN { printf "idle CPU over %d s: %.2f s of CPU = %.2f %% of one core\n", s, d / hz, 100 * d / hz / s }'
