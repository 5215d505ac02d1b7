#!/usr/bin/env bash
# CPU use of the idle program in a real window under Xvfb: its clock ticking, the dupe display
# and the QSO summary shown and both turning (smooth scrolling).
# Usage: bench/idle.sh build/bin/DOVavoviv [seconds]
set -euo pipefail
TOOLS=$(dirname "$(realpath "$0")")/../tests/tools
. "$TOOLS/xsession.sh"
session_begin "$1"
SECONDS_IDLE=${2:-30}
# Eight stations free to work again and four still waiting, on six bands.
: >"$WORK/QZVHF.LOG"
old_day=$(date -u -d '-3 hours' +%m-%d-%Y) old_time=$(date -u -d '-3 hours' +%H:%M)
new_day=$(date -u -d '-30 minutes' +%m-%d-%Y) new_time=$(date -u -d '-30 minutes' +%H:%M)
bands=(80m 40m 20m 2m 70cm 23cm)
for i in $(seq 1 12); do
    if [ "$i" -le 8 ]; then day=$old_day time=$old_time; else day=$new_day time=$new_time; fi
    printf '"%s","%s","%s","FM","VK2A%s","59%03d","59012",1,"Al"\r\n' \
        "$day" "$time" "${bands[$((i % 6))]}" "$(printf "\\x$(printf %x $((64 + i)))")" "$i" >>"$WORK/QZVHF.LOG"
done
# Inside the contest window, so the time-left line changes too.
printf '[FILES]\r\nLogFileName=%s\r\n[CONTEST]\r\nCallsign=VK3ABC\r\n[SETTINGS]\r\nDupeScreen=1\r\nSummaryScreen=1\r\nLogBookFullScreen=0\r\n[TIME]\r\nRepeatContactTimeHrs=2\r\nContestFinishDate=%s\r\nContestFinishTime=%s\r\n' \
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
