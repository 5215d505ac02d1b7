#!/usr/bin/env bash
# Start-up of the real program under Xvfb with a logbook of N contacts: wall time from launch
# to the first shown main window, and the peak memory of the whole run.
# Usage: bench/startup.sh build/bin/DOVavoviv [contacts] [runs]
set -euo pipefail
TOOLS=$(dirname "$(realpath "$0")")/../tests/tools
. "$TOOLS/xsession.sh"
session_begin "$1"
N=${2:-10000}
RUNS=${3:-5}
/usr/bin/python3 "$(dirname "$(realpath "$0")")/make_log.py" "$WORK/QZVHF.LOG" "$N"
printf '[FILES]\r\nLogFileName=%s\r\n[CONTEST]\r\nCallsign=VK3ABC\r\n' "$WORK/QZVHF.LOG" >"$INI"
echo "logbook: $N contacts, $(stat -c %s "$WORK/QZVHF.LOG") bytes"

cd "$WORK"
for run in $(seq "$RUNS"); do
    t0=$(date +%s%N)
    /usr/bin/time -v -o "$WORK/time.txt" "$BIN" &
    APP=$!
    id=
    for _ in $(seq 2000); do
        [ -n "$id" ] && break
        id=$(xdotool search --onlyvisible --name "Vandrel (Contest Program|v1)" 2>/dev/null | head -n 1) || true
    done
    t1=$(date +%s%N)
    [ -n "$id" ] || { echo "no window"; kill "$APP"; exit 1; }
    /usr/bin/python3 "$TOOLS/wm_close.py" "$id"
    wait "$APP"
    rss=$(awk -F': ' '/Maximum resident/ {print $2}' "$WORK/time.txt")
    echo "run $run: first window after $(( (t1 - t0) / 1000000 )) ms, peak memory $rss kB"
done
