#!/usr/bin/env bash
# CPU use of the idle program (its clock ticking) in a real window under Xvfb.
# Usage: bench/idle.sh build/bin/DOVavoviv [seconds]
set -euo pipefail
TOOLS=$(dirname "$(realpath "$0")")/../tests/tools
. "$TOOLS/xsession.sh"
session_begin "$1"
SECONDS_IDLE=${2:-30}
: >"$WORK/QZVHF.LOG"
# Inside the contest window, so the time-left line changes too.
printf '[FILES]\r\nLogFileName=%s\r\n[CONTEST]\r\nCallsign=VK3ABC\r\n[TIME]\r\nContestFinishDate=%s\r\nContestFinishTime=%s\r\n' \
    "$WORK/QZVHF.LOG" "$(LC_ALL=C date -u -d '+12 hours' +'%-d %b %Y')" "$(date -u -d '+12 hours' +%H:%M:%S)" >"$INI"
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
