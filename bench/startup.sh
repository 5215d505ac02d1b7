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
/usr/bin/python3 - "$WORK/QZVHF.LOG" "$N" <<'PY'
import random, sys
random.seed(7)
bands, modes = ["80m", "40m", "20m", "6m", "2m", "70cm"], ["FM", "SSB", "CW"]
with open(sys.argv[1], "wb") as f:
    for i in range(1, int(sys.argv[2]) + 1):
        mode = random.choice(modes)
        call = "VK%d%s" % (random.randint(1, 8), "".join(random.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(3)))
        rst = "599" if mode == "CW" else "59"
        f.write(('"08-%02d-2026","%02d:%02d","%s","%s","%s","%s%03d","%s%03d",%d,"%s"\r\n' % (
            15 + i // 1440, (i // 60) % 24, i % 60, random.choice(bands), mode, call,
            rst, i % 1000, rst, random.randint(1, 999), 2 if mode == "CW" else 1,
            random.choice(["Peter", "Margaret", "Jo", "Alexandra"]))).encode("latin-1"))
PY
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
